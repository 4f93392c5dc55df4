#include "desktop/webmail_page.h"

#include "common/text_io.h"

#include <QCoreApplication>
#include <QTimer>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace zep {
namespace {

struct Page
{
    std::string file;
    std::string folder; // the folder made for it, removed with it; empty in $XDG_RUNTIME_DIR
};

std::mutex g_pagesLock;
std::vector<Page> g_pages;

void RemovePage(const std::string& file)
{
    std::lock_guard<std::mutex> guard(g_pagesLock);
    for (auto it = g_pages.begin(); it != g_pages.end(); ++it) {
        if (it->file != file)
            continue;
        ::unlink(it->file.c_str());
        if (!it->folder.empty())
            ::rmdir(it->folder.c_str());
        g_pages.erase(it);
        return;
    }
}

void RemoveAllPages()
{
    std::lock_guard<std::mutex> guard(g_pagesLock);
    for (const Page& page : g_pages) {
        ::unlink(page.file.c_str());
        if (!page.folder.empty())
            ::rmdir(page.folder.c_str());
    }
    g_pages.clear();
}

// $XDG_RUNTIME_DIR when it is the user's own folder that nobody else may enter.
std::string RuntimeFolder()
{
    const char* dir = std::getenv("XDG_RUNTIME_DIR");
    struct stat st
    {
    };
    if (dir == nullptr || dir[0] != '/' || ::lstat(dir, &st) != 0 || !S_ISDIR(st.st_mode) ||
        st.st_uid != ::geteuid() || (st.st_mode & 077) != 0)
        return {};
    return dir;
}

// Letters and digits as they are, every other byte as \xHH: nothing can end the string or
// the script element.
std::string ScriptString(std::string_view text)
{
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out = "\"";
    for (char c : text) {
        const auto b = static_cast<unsigned char>(c);
        if ((b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || (b >= '0' && b <= '9')) {
            out += c;
        } else {
            out += "\\x";
            out += kHex[b >> 4];
            out += kHex[b & 0xF];
        }
    }
    return out + "\"";
}

} // namespace

std::string WebmailRedirectPage(std::string_view address)
{
    const std::string html = HtmlEscaped(address);
    return "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\">\n"
           "<meta http-equiv=\"refresh\" content=\"0;url=" +
           html +
           "\">\n<title>ZEP WebMail</title>\n"
           "<script>location.replace(" +
           ScriptString(address) + ");</script>\n</head><body><p><a href=\"" + html +
           "\">ZEP WebMail</a></p></body></html>\n";
}

std::string WriteWebmailPage(std::string_view address, std::chrono::milliseconds lifetime)
{
    Page page;
    std::string dir = RuntimeFolder();
    if (dir.empty()) {
        const char* tmp = std::getenv("TMPDIR");
        std::string folder =
            std::string(tmp != nullptr && tmp[0] == '/' ? tmp : "/tmp") + "/zepim-webmail-XXXXXX";
        if (::mkdtemp(folder.data()) == nullptr) // mode 0700
            return {};
        page.folder = dir = folder;
    }
    page.file = dir + "/zepim-webmail-XXXXXX.html";
    // O_CREAT | O_EXCL with mode 0600: a new file, never one someone else put there or a link.
    const int fd = ::mkostemps(page.file.data(), 5, O_CLOEXEC);
    if (fd < 0) {
        if (!page.folder.empty())
            ::rmdir(page.folder.c_str());
        return {};
    }
    bool ok = ::fchmod(fd, 0600) == 0 && WriteAll(fd, WebmailRedirectPage(address));
    ok = ::close(fd) == 0 && ok;
    {
        std::lock_guard<std::mutex> guard(g_pagesLock);
        g_pages.push_back(page);
    }
    if (!ok) {
        RemovePage(page.file);
        return {};
    }
    static std::once_flag atExit;
    std::call_once(atExit, [] { std::atexit(RemoveAllPages); });
    if (QCoreApplication* app = QCoreApplication::instance())
        QTimer::singleShot(lifetime, app, [file = page.file] { RemovePage(file); });
    return page.file;
}

} // namespace zep
