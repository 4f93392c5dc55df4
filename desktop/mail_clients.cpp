#include "desktop/mail_clients.h"

#include <gio/gdesktopappinfo.h>
#include <gio/gio.h>

#include <cstring>

namespace zep {

namespace {

constexpr char kMailto[] = "x-scheme-handler/mailto";

bool HandlesMailto(GAppInfo* info)
{
    const char** types = g_app_info_get_supported_types(info);
    for (; types != nullptr && *types != nullptr; ++types)
        if (std::strcmp(*types, kMailto) == 0)
            return true;
    return false;
}

void Add(MailClientList& list, GAppInfo* info)
{
    const char* id = g_app_info_get_id(info);
    if (id == nullptr || *id == '\0')
        return;
    for (const MailClient& known : list.clients)
        if (known.id == id)
            return;
    const char* name = g_app_info_get_display_name(info);
    list.clients.push_back({id, name != nullptr && *name != '\0' ? name : id});
}

bool Known(const MailClientList& list, const std::string& id)
{
    for (const MailClient& client : list.clients)
        if (client.id == id)
            return true;
    return false;
}

} // namespace

MailClientList EnumerateMailClients()
{
    MailClientList list;
    // The desktop's own order first. Its index lives in the folders' mimeinfo.cache, which a
    // folder the user filled by hand may lack: every application that says it handles mailto
    // links is added after them.
    GList* handlers = g_app_info_get_all_for_type(kMailto);
    for (GList* item = handlers; item != nullptr; item = item->next)
        Add(list, static_cast<GAppInfo*>(item->data));
    g_list_free_full(handlers, g_object_unref);
    GList* all = g_app_info_get_all();
    for (GList* item = all; item != nullptr; item = item->next)
        if (HandlesMailto(static_cast<GAppInfo*>(item->data)))
            Add(list, static_cast<GAppInfo*>(item->data));
    g_list_free_full(all, g_object_unref);
    if (GAppInfo* preferred = g_app_info_get_default_for_uri_scheme("mailto")) {
        if (const char* id = g_app_info_get_id(preferred))
            list.defaultId = id;
        g_object_unref(preferred);
    }
    list.clients.push_back({kWebMailClient, kWebMailClient});
    return list;
}

ImResult LaunchMailClient(const MailClientList& list, const std::string& id, std::string& error)
{
    error.clear();
    if (id == kWebMailClient)
        return ImResult::BadArgument;
    if (id.empty() || !Known(list, id)) {
        error = "not one of the desktop's mail clients";
        return ImResult::NotFound;
    }
    GDesktopAppInfo* info = g_desktop_app_info_new(id.c_str());
    if (info == nullptr) {
        error = "no such desktop application";
        return ImResult::NotFound;
    }
    GError* failure = nullptr;
    const gboolean started = g_app_info_launch(G_APP_INFO(info), nullptr, nullptr, &failure);
    g_object_unref(info);
    if (!started) {
        error = failure != nullptr && failure->message != nullptr ? failure->message : "failed";
        if (failure != nullptr)
            g_error_free(failure);
        return ImResult::Failed;
    }
    return ImResult::Ok;
}

} // namespace zep
