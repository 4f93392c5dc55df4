#pragma once
// The traffic and diagnostics log: one file per process, one line per call, written only for
// the categories the log mask enables.

#include <cstdarg>
#include <mutex>
#include <string>
#include <string_view>

namespace zep {

// Category bits; the letter printed is that of the first bit set, in the order of LogLetter.
enum LogCategory : unsigned
{
    kLogI = 0x1,
    kLogFailure = 0x2,  // F
    kLogProgress = 0x4, // P: library loading, TLS cipher
    kLogS = 0x10,
    kLogProtocol = 0x100, // A: protocol lines sent and received
    kLogM = 0x200,
    kLogR = 0x400, // always written by LogWriteIf
    kLogT = 0x800,
    kLogH = 0x1000,
    kLogL = 0x10000,
    kLogDetail = 0x4000, // D: socket details, byte counts, hex dumps
    kLogQ = 0x8000,
    kLogC = 0x40000,
    kLogZ = 0x100000,
    kLogY = 0x400000,
    kLogAll = 0xffffffffu,
};

char LogLetter(unsigned category);

class ImLog
{
public:
    // stem "ZEPIM" gives ZEPIM.LOG, falling back to ZEPIM2.LOG ... ZEPIM100.LOG in `directory`.
    ImLog(std::string directory, std::string stem, std::string prefix);
    ~ImLog();
    ImLog(const ImLog&) = delete;
    ImLog& operator=(const ImLog&) = delete;

    void SetDirectory(std::string directory);
    // Writes to exactly this file from now on (no numbered fall-backs); an empty path goes back
    // to the directory and stem.
    void SetPath(std::string path);
    const std::string& Directory() const { return m_directory; }
    // A directory or an exact file has been given.
    bool HasDestination() const { return !m_directory.empty() || !m_fixedPath.empty(); }
    // The file in use, empty until the first line is written.
    std::string CurrentPath();

    void Write(unsigned category, int messageNumber, std::string_view text);

private:
    bool OpenLocked();

    std::mutex m_mutex;
    std::string m_directory;
    std::string m_stem;
    std::string m_prefix;
    std::string m_path;
    std::string m_fixedPath;
    int m_fd = -1;
    bool m_unwritable = false; // no candidate opened: remembered, not retried per line
};

// The process's log (stem and prefix "ZEPIM", in the state directory).
ImLog& ZepimLog();

// The log mask of the process: 0 at start, so only LogWrite lines reach the file.
void SetLogMask(unsigned mask);
unsigned LogMask();
inline bool LogEnabled(unsigned category)
{
    return (LogMask() & category) != 0;
}

// $XDG_STATE_HOME/zepim (or ~/.local/state/zepim), created when missing; empty when impossible.
std::string StateDirectory();

void LogWrite(ImLog& log, unsigned category, int messageNumber, std::string_view text);
// Formats and writes only when the category is enabled (or is exactly kLogR).
void LogWriteIf(ImLog& log, unsigned category, int messageNumber, const char* format, ...)
    __attribute__((format(printf, 4, 5)));
void LogWriteV(ImLog& log, unsigned category, int messageNumber, const char* format, va_list args);

// Rows of 16 bytes: "conn row chars -- 0x.. 0x.. " (category D, message 996).
void LogHexDump(ImLog& log, int connectionNumber, const char* data, std::size_t length);

} // namespace zep
