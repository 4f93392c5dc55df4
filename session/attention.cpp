#include "session/attention.h"

namespace zep::attention {
namespace {

bool g_ownDoNotDisturb = false;
bool g_desktopInhibited = false;

} // namespace

void SetOwnDoNotDisturb(bool on)
{
    g_ownDoNotDisturb = on;
}

void SetDesktopInhibited(bool on)
{
    g_desktopInhibited = on;
}

bool Quiet()
{
    return g_ownDoNotDisturb || g_desktopInhibited;
}

} // namespace zep::attention
