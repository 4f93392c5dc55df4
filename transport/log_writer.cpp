#include "transport/log_writer.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace zep {

namespace {

constexpr std::size_t kMaxLogText = 10240;
constexpr std::size_t kMaxFormatted = 10367;
std::atomic<unsigned> g_logMask{0};

const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                               "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

bool MakeDirectories(const std::string& path)
{
    std::string partial;
    for (std::size_t i = 0; i <= path.size(); ++i) {
        if (i == path.size() || (path[i] == '/' && i > 0)) {
            partial = path.substr(0, i);
            if (mkdir(partial.c_str(), 0700) != 0 && errno != EEXIST)
                return false;
        }
    }
    struct stat st
    {
    };
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

} // namespace

char LogLetter(unsigned category)
{
    static const struct
    {
        unsigned bit;
        char letter;
    } kLetters[] = {{0x1, 'I'},    {0x2, 'F'},    {0x4, 'P'},     {0x10, 'S'},     {0x100, 'A'},
                    {0x200, 'M'},  {0x400, 'R'},  {0x800, 'T'},   {0x1000, 'H'},   {0x10000, 'L'},
                    {0x4000, 'D'}, {0x8000, 'Q'}, {0x40000, 'C'}, {0x100000, 'Z'}, {0x400000, 'Y'}};
    for (const auto& entry : kLetters)
        if (category & entry.bit)
            return entry.letter;
    return '$';
}

ImLog::ImLog(std::string directory, std::string stem, std::string prefix)
    : m_directory(std::move(directory)), m_stem(std::move(stem)), m_prefix(std::move(prefix))
{
}

ImLog::~ImLog()
{
    if (m_fd >= 0)
        close(m_fd);
}

void ImLog::SetDirectory(std::string directory)
{
    std::lock_guard<std::mutex> guard(m_mutex);
    if (m_fd >= 0)
        close(m_fd);
    m_fd = -1;
    m_path.clear();
    m_unwritable = false;
    m_directory = std::move(directory);
}

void ImLog::SetPath(std::string path)
{
    std::lock_guard<std::mutex> guard(m_mutex);
    if (m_fd >= 0)
        close(m_fd);
    m_fd = -1;
    m_path.clear();
    m_unwritable = false;
    m_fixedPath = std::move(path);
}

std::string ImLog::CurrentPath()
{
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_path;
}

bool ImLog::OpenLocked()
{
    if (m_fd >= 0)
        return true;
    if (m_unwritable)
        return false;
    if (!m_fixedPath.empty()) {
        int fd = open(m_fixedPath.c_str(), O_RDWR | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
        if (fd < 0) {
            m_unwritable = true;
            return false;
        }
        m_fd = fd;
        m_path = m_fixedPath;
        return true;
    }
    if (m_directory.empty())
        return false;
    std::string dir = m_directory;
    if (dir.back() != '/')
        dir += '/';
    // A file another process holds locked is skipped, as is one that cannot be opened.
    for (int n = 1; n <= 100; ++n) {
        std::string path = dir + m_stem + (n == 1 ? "" : std::to_string(n)) + ".LOG";
        int fd = open(path.c_str(), O_RDWR | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
        if (fd < 0)
            continue;
        if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
            close(fd);
            continue;
        }
        m_fd = fd;
        m_path = path;
        return true;
    }
    m_unwritable = true;
    return false;
}

void ImLog::Write(unsigned category, int messageNumber, std::string_view text)
{
    if (text.size() > kMaxLogText)
        text = text.substr(0, kMaxLogText);

    auto now = std::chrono::system_clock::now();
    std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    int millis = static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() %
        1000);
    std::tm local{};
    localtime_r(&seconds, &local);
    char head[160];
    int headLength = std::snprintf(
        head, sizeof head, "%s %d %s %04d %02d:%02d:%02d.%03d %c %u %05d ", m_prefix.c_str(),
        local.tm_mday, kMonths[local.tm_mon % 12], local.tm_year + 1900, local.tm_hour,
        local.tm_min, local.tm_sec, millis, LogLetter(category),
        static_cast<unsigned>(syscall(SYS_gettid)), messageNumber);
    if (headLength < 0)
        return;
    std::string line;
    line.reserve(static_cast<std::size_t>(headLength) + text.size() + 2);
    line.append(head, std::min<std::size_t>(static_cast<std::size_t>(headLength), sizeof head - 1));
    line.append(text);
    line.append("\r\n");

    std::lock_guard<std::mutex> guard(m_mutex);
    if (!OpenLocked())
        return;
    std::size_t done = 0;
    while (done < line.size()) {
        ssize_t n = ::write(m_fd, line.data() + done, line.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            // Closed now, reopened with the next line.
            close(m_fd);
            m_fd = -1;
            m_path.clear();
            return;
        }
        done += static_cast<std::size_t>(n);
    }
}

ImLog& ZepimLog()
{
    static ImLog log(StateDirectory(), "ZEPIM", "ZEPIM");
    return log;
}

void SetLogMask(unsigned mask)
{
    g_logMask = mask;
}
unsigned LogMask()
{
    return g_logMask.load(std::memory_order_relaxed);
}

std::string StateDirectory()
{
    std::string base;
    if (const char* state = std::getenv("XDG_STATE_HOME"); state && *state == '/')
        base = state;
    else if (const char* home = std::getenv("HOME"); home && *home)
        base = std::string(home) + "/.local/state";
    else
        return {};
    std::string dir = base + "/zepim";
    return MakeDirectories(dir) ? dir : std::string();
}

void LogWrite(ImLog& log, unsigned category, int messageNumber, std::string_view text)
{
    log.Write(category, messageNumber, text);
}

void LogWriteV(ImLog& log, unsigned category, int messageNumber, const char* format, va_list args)
{
    if (!(LogEnabled(category) || category == kLogR) || !log.HasDestination())
        return;
    char buffer[kMaxFormatted + 1];
    int n = std::vsnprintf(buffer, sizeof buffer, format, args);
    if (n < 0)
        return;
    log.Write(category, messageNumber,
              std::string_view(buffer,
                               std::min<std::size_t>(static_cast<std::size_t>(n), kMaxFormatted)));
}

void LogWriteIf(ImLog& log, unsigned category, int messageNumber, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    LogWriteV(log, category, messageNumber, format, args);
    va_end(args);
}

void LogHexDump(ImLog& log, int connectionNumber, const char* data, std::size_t length)
{
    for (std::size_t row = 0; row * 16 < length; ++row) {
        std::size_t begin = row * 16;
        std::size_t count = std::min<std::size_t>(16, length - begin);
        std::string text = std::to_string(connectionNumber) + " " + std::to_string(row) + " ";
        for (std::size_t i = 0; i < count; ++i) {
            unsigned char c = static_cast<unsigned char>(data[begin + i]);
            text += (c >= 0x20 && c < 0x7f) ? static_cast<char>(c) : '.';
        }
        text += " -- ";
        for (std::size_t i = 0; i < count; ++i) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "0x%2.2x ", static_cast<unsigned char>(data[begin + i]));
            text += hex;
        }
        log.Write(kLogDetail, 996, text);
    }
}

} // namespace zep
