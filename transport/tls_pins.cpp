#include "transport/tls_pins.h"

#include "common/text_io.h"
#include "transport/log_writer.h"

#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zep {

namespace {

constexpr std::size_t kMaxTrustFileBytes = 1024 * 1024;
constexpr std::size_t kMaxHostLength = 255;

char Lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string LowerHost(std::string_view host)
{
    std::string out;
    out.reserve(host.size());
    for (char c : host)
        out += Lower(c);
    return out;
}

// A host goes into a line of space-separated words: no blanks, no control characters.
bool UsableHost(std::string_view host)
{
    if (host.empty() || host.size() > kMaxHostLength || host.front() == '#')
        return false;
    for (unsigned char c : host) {
        if (c <= ' ' || c == 0x7f)
            return false;
    }
    return true;
}

bool ParsePortWord(std::string_view word, std::uint16_t& port)
{
    unsigned value = 0;
    auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), value);
    if (ec != std::errc() || end != word.data() + word.size() || value == 0 || value > 65535)
        return false;
    port = static_cast<std::uint16_t>(value);
    return true;
}

std::vector<std::string_view> Words(std::string_view line)
{
    std::vector<std::string_view> words;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
            ++i;
        std::size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t')
            ++i;
        if (i > start)
            words.push_back(line.substr(start, i - start));
    }
    return words;
}

void Upsert(std::vector<TlsPin>& pins, TlsPin pin)
{
    for (TlsPin& existing : pins) {
        if (existing.host == pin.host && existing.port == pin.port) {
            existing.sha256 = std::move(pin.sha256);
            return;
        }
    }
    pins.push_back(std::move(pin));
}

std::string FolderOf(const std::string& path)
{
    std::size_t slash = path.rfind('/');
    return slash == std::string::npos || slash == 0 ? std::string() : path.substr(0, slash);
}

bool MakeFolders(const std::string& folder)
{
    if (folder.empty())
        return true;
    struct stat st;
    if (::stat(folder.c_str(), &st) == 0)
        return S_ISDIR(st.st_mode);
    if (!MakeFolders(FolderOf(folder)))
        return false;
    return ::mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST;
}

// An exclusive lock on "<file>.lock" for one load-change-save; released when it goes.
class EditLock
{
public:
    explicit EditLock(const std::string& path)
    {
        if (!MakeFolders(FolderOf(path)))
            return;
        m_fd = ::open((path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (m_fd >= 0 && ::flock(m_fd, LOCK_EX) != 0) {
            ::close(m_fd);
            m_fd = -1;
        }
    }
    ~EditLock()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    EditLock(const EditLock&) = delete;
    EditLock& operator=(const EditLock&) = delete;
    bool Held() const { return m_fd >= 0; }

private:
    int m_fd = -1;
};

} // namespace

std::string NormalFingerprint(std::string_view text)
{
    std::string out;
    out.reserve(64);
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == ':') {
            // Colons only between pairs, never doubled, leading or trailing.
            if (out.empty() || out.size() % 2 != 0 || i + 1 == text.size() || text[i + 1] == ':')
                return {};
            continue;
        }
        if (c >= 'a' && c <= 'f')
            c = static_cast<char>(c - 'a' + 'A');
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F')) || out.size() == 64)
            return {};
        out += c;
    }
    return out.size() == 64 ? out : std::string();
}

std::string ColonFingerprint(std::string_view normal)
{
    std::string out;
    for (std::size_t i = 0; i < normal.size(); ++i) {
        if (i > 0 && i % 2 == 0)
            out += ':';
        out += normal[i];
    }
    return out;
}

std::string DefaultTrustFile()
{
    std::string base;
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config && config[0] == '/') {
        base = config;
    } else {
        const char* home = std::getenv("HOME");
        if (!home || home[0] != '/')
            return {};
        base = std::string(home) + "/.config";
    }
    return base + "/Corvane/ZEP Instant Messenger.trust";
}

std::vector<TlsPin> ParsePins(std::string_view text, int* badLines)
{
    std::vector<TlsPin> pins;
    int bad = 0;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        std::vector<std::string_view> words = Words(line);
        if (words.empty() || words[0].front() == '#')
            continue;
        TlsPin pin;
        if (words.size() != 3 || !UsableHost(words[0]) || !ParsePortWord(words[1], pin.port) ||
            (pin.sha256 = NormalFingerprint(words[2])).empty()) {
            ++bad;
            continue;
        }
        pin.host = LowerHost(words[0]);
        Upsert(pins, std::move(pin));
    }
    if (badLines)
        *badLines = bad;
    return pins;
}

std::string FormatPins(const std::vector<TlsPin>& pins)
{
    std::string text;
    for (const TlsPin& pin : pins)
        text += pin.host + ' ' + std::to_string(pin.port) + ' ' + pin.sha256 + '\n';
    return text;
}

std::optional<std::string> FindPin(const std::vector<TlsPin>& pins, std::string_view host,
                                   std::uint16_t port)
{
    const std::string key = LowerHost(host);
    for (const TlsPin& pin : pins) {
        if (pin.port == port && pin.host == key)
            return pin.sha256;
    }
    return std::nullopt;
}

namespace {

// The text of one of the small files beside the settings: Ok and empty when there is none
// yet; Failed when it cannot be used (unreadable, or not a plain file: a folder, a pipe that
// would block, a device), TooLarge past 1 MiB.
ImResult ReadSmallFile(const std::string& path, std::string& text)
{
    text.clear();
    if (path.empty())
        return ImResult::Failed;
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return errno == ENOENT ? ImResult::Ok : ImResult::Failed;
    struct stat info = {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        LogWriteIf(ZepimLog(), kLogFailure, 99999, "%s is not a plain file", path.c_str());
        return ImResult::Failed;
    }
    char buffer[8192];
    for (;;) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            ::close(fd);
            return ImResult::Failed;
        }
        if (n == 0)
            break;
        text.append(buffer, static_cast<std::size_t>(n));
        if (text.size() > kMaxTrustFileBytes) {
            ::close(fd);
            LogWriteIf(ZepimLog(), kLogFailure, 99999, "%s is too large", path.c_str());
            return ImResult::TooLarge;
        }
    }
    ::close(fd);
    return ImResult::Ok;
}

// Replaces a small file in one step (temporary file and rename), owner-only (0600), creating
// an owner-only folder when there is none.
ImResult WriteSmallFile(const std::string& path, const std::string& text)
{
    if (path.empty() || !MakeFolders(FolderOf(path)))
        return ImResult::Failed;
    const std::string temporary = path + ".new";
    int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return ImResult::Failed;
    // An older temporary file may have had other permissions.
    bool ok = ::fchmod(fd, 0600) == 0 && WriteAll(fd, text) && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    if (!ok || ::rename(temporary.c_str(), path.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return ImResult::Failed;
    }
    return ImResult::Ok;
}

} // namespace

ImResult LoadPins(const std::string& path, std::vector<TlsPin>& pins)
{
    pins.clear();
    std::string text;
    if (ImResult r = ReadSmallFile(path, text); r != ImResult::Ok)
        return r;
    int bad = 0;
    pins = ParsePins(text, &bad);
    if (bad > 0)
        LogWriteIf(ZepimLog(), kLogFailure, 99999, "trust file %s: %d unusable lines skipped",
                   path.c_str(), bad);
    return ImResult::Ok;
}

ImResult SavePins(const std::string& path, const std::vector<TlsPin>& pins)
{
    return WriteSmallFile(path, FormatPins(pins));
}

ImResult PinCertificate(const std::string& path, std::string_view host, std::uint16_t port,
                        std::string_view fingerprint)
{
    TlsPin pin{LowerHost(host), port, NormalFingerprint(fingerprint)};
    if (!UsableHost(host) || port == 0 || pin.sha256.empty())
        return ImResult::BadArgument;
    EditLock lock(path);
    if (!lock.Held())
        return ImResult::Failed;
    std::vector<TlsPin> pins;
    // A file that cannot be read is not replaced: it may hold pins we could not see.
    if (ImResult r = LoadPins(path, pins); r != ImResult::Ok)
        return r;
    Upsert(pins, std::move(pin));
    return SavePins(path, pins);
}

ImResult ForgetPin(const std::string& path, std::string_view host, std::uint16_t port)
{
    EditLock lock(path);
    if (!lock.Held())
        return ImResult::Failed;
    std::vector<TlsPin> pins;
    if (ImResult r = LoadPins(path, pins); r != ImResult::Ok)
        return r;
    const std::string key = LowerHost(host);
    const auto before = pins.size();
    std::erase_if(pins, [&](const TlsPin& p) { return p.host == key && p.port == port; });
    return pins.size() == before ? ImResult::Ok : SavePins(path, pins);
}

std::string DigestFileFor(const std::string& trustFile)
{
    static constexpr std::string_view kTrust = ".trust";
    if (trustFile.empty())
        return {};
    if (trustFile.size() > kTrust.size() && trustFile.ends_with(kTrust))
        return trustFile.substr(0, trustFile.size() - kTrust.size()) + ".auth";
    return trustFile + ".auth";
}

namespace {

// "host port digest" lines; anything else is skipped.
bool ListsServer(std::string_view text, const std::string& key, std::uint16_t port)
{
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        const std::vector<std::string_view> words = Words(text.substr(start, end - start));
        start = end + 1;
        std::uint16_t listed = 0;
        if (words.size() >= 2 && ParsePortWord(words[1], listed) && listed == port &&
            LowerHost(words[0]) == key)
            return true;
    }
    return false;
}

} // namespace

ImResult AskedForDigest(const std::string& path, std::string_view host, std::uint16_t port,
                        bool& asked)
{
    asked = false;
    std::string text;
    if (ImResult r = ReadSmallFile(path, text); r != ImResult::Ok)
        return r;
    asked = ListsServer(text, LowerHost(host), port);
    return ImResult::Ok;
}

ImResult RememberDigest(const std::string& path, std::string_view host, std::uint16_t port)
{
    if (!UsableHost(host) || port == 0)
        return ImResult::BadArgument;
    EditLock lock(path);
    if (!lock.Held())
        return ImResult::Failed;
    std::string text;
    if (ImResult r = ReadSmallFile(path, text); r != ImResult::Ok)
        return r;
    const std::string key = LowerHost(host);
    if (ListsServer(text, key, port))
        return ImResult::Ok;
    if (!text.empty() && text.back() != '\n')
        text += '\n';
    text += key + ' ' + std::to_string(port) + " digest\n";
    return WriteSmallFile(path, text);
}

} // namespace zep
