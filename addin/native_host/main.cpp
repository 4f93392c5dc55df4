// zep-quillbay-host: the mail-client side of the add-in for Thunderbird. Started by Thunderbird
// for the extension (native messaging on standard input and output), it loads the registered
// libquillbay.so and is its host: the toolbar the extension draws, the selection it reports
// and the clicks it forwards. With --register or --unregister it is the install command.
#include "addin/native_host/addin_library.h"
#include "addin/native_host/frames.h"
#include "addin/native_host/messages.h"
#include "addin/native_host/registration.h"
#include "addin/native_host/session.h"
#include "addin/paths.h"
#include "addin/results.h"
#include "protocol/product.h"
#include "transport/install_dirs.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

using namespace zep::nativehost;

constexpr char kUsage[] =
    "usage: zep-quillbay-host --register [LIBRARY] | --unregister | --help | --version\n"
    "  --register    registers the add-in (LIBRARY, default the libquillbay.so installed\n"
    "                with this program) and this program for Thunderbird's extension\n"
    "  --unregister  removes both registrations\n"
    "Started by Thunderbird without these options, it serves the extension.\n";

std::string Folder(const std::string& path)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::string DefaultLibrary()
{
    const std::string dir = Folder(OwnPath());
    // Beside the program in a build tree; in the private library folder when installed.
    for (const std::string& candidate :
         {dir + "/libquillbay.so",
          dir + "/" + zep::kPrivateLibraryDirFromPrograms + "/libquillbay.so"}) {
        if (zep::addin::IsRegularFile(candidate)) {
            char resolved[4096];
            if (::realpath(candidate.c_str(), resolved) != nullptr)
                return resolved;
        }
    }
    return {};
}

int Register(const std::string& given)
{
    std::string library = given.empty() ? DefaultLibrary() : given;
    if (!library.empty() && library[0] != '/') {
        char resolved[4096];
        library = ::realpath(library.c_str(), resolved) != nullptr ? resolved : "";
    }
    AddinLibrary addin;
    std::string error;
    if (library.empty() || !addin.Load(library, error)) {
        std::fprintf(stderr, "zep-quillbay-host: %s\n",
                     library.empty() ? "no libquillbay.so found" : error.c_str());
        return 1;
    }
    if (zep::addin::Failed(addin.registerEntry())) {
        std::fprintf(stderr, "zep-quillbay-host: the add-in could not register itself\n");
        return 1;
    }
    const std::string manifest = UserNativeManifestFile();
    if (!WriteNativeManifest(manifest, OwnPath(), error)) {
        std::fprintf(stderr, "zep-quillbay-host: %s\n", error.c_str());
        return 1;
    }
    std::printf("registered %s\nregistered %s for the extension %s\n",
                zep::addin::ManifestFile().c_str(), manifest.c_str(), kExtensionId);
    return 0;
}

int Unregister()
{
    int status = 0;
    std::string error;
    if (!RemoveNativeManifest(UserNativeManifestFile(), error)) {
        std::fprintf(stderr, "zep-quillbay-host: %s\n", error.c_str());
        status = 1;
    }
    // The add-in removes its own registration; without a loadable library its file goes here.
    AddinLibrary addin;
    const std::string library = DefaultLibrary();
    if (!library.empty() && addin.Load(library, error)) {
        if (zep::addin::Failed(addin.unregisterEntry()))
            status = 1;
    } else if (::unlink(zep::addin::ManifestFile().c_str()) != 0 && errno != ENOENT) {
        status = 1;
    }
    return status;
}

// The state log of a test run: one time-stamped line per event, appended.
class StateLog
{
public:
    explicit StateLog(const char* path)
    {
        if (path != nullptr && path[0] == '/')
            m_fd = ::open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    }
    ~StateLog()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    StateLog(const StateLog&) = delete;
    StateLog& operator=(const StateLog&) = delete;
    bool Open() const { return m_fd >= 0; }
    void Write(const std::string& line)
    {
        timespec ts{};
        ::clock_gettime(CLOCK_REALTIME, &ts);
        char stamp[32];
        std::snprintf(stamp, sizeof stamp, "%lld.%03ld ", static_cast<long long>(ts.tv_sec),
                      ts.tv_nsec / 1000000);
        std::string out = stamp + line;
        for (char& c : out) {
            if (c == '\n' || c == '\r')
                c = ' ';
        }
        zep::addin::WriteAll(m_fd, out + "\n");
    }

private:
    int m_fd = -1;
};

int Serve()
{
    std::signal(SIGPIPE, SIG_IGN);
    // Standard output carries the frames alone: it moves to a descriptor of its own, and
    // anything else printed in this process goes to standard error.
    const int out = ::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 3);
    if (out < 0 || ::dup2(STDERR_FILENO, STDOUT_FILENO) < 0)
        return 1;

    StateLog log(std::getenv("ZEP_QUILLBAY_LOG"));
    SessionOptions options;
    if (const char* test = std::getenv("ZEP_QUILLBAY_TEST"))
        options.testMode = std::strcmp(test, "1") == 0;
    if (const char* interval = std::getenv("ZEP_QUILLBAY_UPDATE_MS")) {
        const long ms = std::strtol(interval, nullptr, 10);
        if (ms >= 100 && ms <= 60000)
            options.updateInterval = static_cast<int>(ms);
    }
    AddinLibrary addin;
    std::string error;
    if (!addin.LoadRegistered(zep::addin::ManifestFile(), error)) {
        options.loadError = error;
        std::fprintf(stderr, "zep-quillbay-host: %s\n", error.c_str());
    }

    bool outputBroken = false;
    Session session(
        addin.Entries(), options,
        [&](const std::string& json) {
            std::string frame = EncodeFrame(json);
            if (frame.empty()) // more than Thunderbird takes: it hears why instead
                frame = EncodeFrame(ErrorReply("reply too large"));
            if (!outputBroken && !zep::addin::WriteAll(out, frame))
                outputBroken = true;
        },
        [&](const std::string& line) {
            if (log.Open())
                log.Write(line);
        });

    FrameReader reader;
    std::vector<char> chunk(16 * 1024);
    while (!session.Closed() && !outputBroken) {
        std::vector<pollfd> fds{{STDIN_FILENO, POLLIN, 0}};
        for (const auto& [fd, handler] : session.App().loop.watched)
            fds.push_back({fd, POLLIN, 0});
        if (::poll(fds.data(), fds.size(), -1) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        for (std::size_t i = 1; i < fds.size(); ++i) {
            if (fds[i].revents != 0)
                session.OnReadable(fds[i].fd);
        }
        if (fds[0].revents == 0)
            continue;
        const ssize_t n = ::read(STDIN_FILENO, chunk.data(), chunk.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break; // Thunderbird closed the connection
        reader.Append(chunk.data(), static_cast<std::size_t>(n));
        std::string body;
        std::uint32_t skipped = 0;
        for (Take t; (t = reader.Next(body, skipped)) != Take::NeedMore && !session.Closed();) {
            if (t == Take::Frame)
                session.OnMessage(body);
            else
                session.OnOversized(skipped);
        }
    }
    session.Close();
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string first = argc > 1 ? argv[1] : "";
    if (first == "--register" && argc <= 3)
        return Register(argc == 3 ? argv[2] : "");
    if (first == "--unregister" && argc == 2)
        return Unregister();
    if (first == "--help" || first == "-h") {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (first == "--version") {
        std::printf("zep-quillbay-host %s\n", zep::kProductVersion);
        return 0;
    }
    if (first.rfind("--", 0) == 0) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    // Thunderbird passes the manifest's path and the extension's identity; neither is needed.
    return Serve();
}
