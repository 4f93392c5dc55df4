// X11 idle time from the screen-saver extension. Xlib and libXss are opened at run time so the
// library loads (and falls back) where X11 is not installed.
#include "activity/idle_source.h"

#include <X11/Xlib.h>
#include <X11/extensions/scrnsaver.h>
#include <cstdlib>
#include <dlfcn.h>

namespace zep::activity {
namespace {

struct XLibs
{
    void* x11 = nullptr;
    void* xss = nullptr;
    Display* (*openDisplay)(const char*) = nullptr;
    int (*closeDisplay)(Display*) = nullptr;
    int (*free)(void*) = nullptr;
    Bool (*queryExtension)(Display*, int*, int*) = nullptr;
    XScreenSaverInfo* (*allocInfo)() = nullptr;
    Status (*queryInfo)(Display*, Drawable, XScreenSaverInfo*) = nullptr;

    ~XLibs()
    {
        if (xss)
            dlclose(xss);
        if (x11)
            dlclose(x11);
    }
    template <typename F> bool Get(void* lib, const char* name, F& fn)
    {
        fn = reinterpret_cast<F>(dlsym(lib, name));
        return fn != nullptr;
    }
    bool Load()
    {
        x11 = dlopen("libX11.so.6", RTLD_NOW | RTLD_LOCAL);
        xss = dlopen("libXss.so.1", RTLD_NOW | RTLD_LOCAL);
        return x11 && xss && Get(x11, "XOpenDisplay", openDisplay) &&
               Get(x11, "XCloseDisplay", closeDisplay) && Get(x11, "XFree", free) &&
               Get(xss, "XScreenSaverQueryExtension", queryExtension) &&
               Get(xss, "XScreenSaverAllocInfo", allocInfo) &&
               Get(xss, "XScreenSaverQueryInfo", queryInfo);
    }
};

class X11IdleSource final : public IdleSource
{
public:
    X11IdleSource(std::unique_ptr<XLibs> libs, Display* display, XScreenSaverInfo* info)
        : m_libs(std::move(libs)), m_display(display), m_info(info)
    {
    }
    ~X11IdleSource() override
    {
        m_libs->free(m_info);
        m_libs->closeDisplay(m_display);
    }
    const char* Name() const override { return "x11"; }
    std::optional<std::uint64_t> IdleMs() override
    {
        // The display is private to this object and the caller serialises calls.
        if (!m_libs->queryInfo(m_display, DefaultRootWindow(m_display), m_info))
            return std::nullopt;
        return m_info->idle;
    }

private:
    std::unique_ptr<XLibs> m_libs;
    Display* m_display;
    XScreenSaverInfo* m_info;
};

} // namespace

std::unique_ptr<IdleSource> OpenX11IdleSource()
{
    const char* name = std::getenv("DISPLAY");
    if (!name || !*name)
        return nullptr;
    auto libs = std::make_unique<XLibs>();
    if (!libs->Load())
        return nullptr;
    Display* display = libs->openDisplay(name);
    if (!display)
        return nullptr;
    int event = 0;
    int error = 0;
    XScreenSaverInfo* info = nullptr;
    if (!libs->queryExtension(display, &event, &error) || !(info = libs->allocInfo())) {
        libs->closeDisplay(display);
        return nullptr;
    }
    return std::make_unique<X11IdleSource>(std::move(libs), display, info);
}

} // namespace zep::activity
