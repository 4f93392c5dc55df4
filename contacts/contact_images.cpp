#include "contacts/contact_images.h"

#include <QFile>

// The bundled images live in a static library: register them before the first look-up.
static void InitContactImages()
{
    Q_INIT_RESOURCE(contacts);
}

namespace zep::contacts {

namespace {

struct ImageSource
{
    const char* themeName; // nullptr where no freedesktop name covers the role
    const char* file;
};

// In the order of ContactImage.
constexpr ImageSource kSources[kContactImageCount] = {
    {"user-available", "contact"},
    {nullptr, "header_collapsed"},
    {nullptr, "header_expanded"},
    {"user-away", "away"},
    {"user-busy", "busy"},
    {nullptr, "sms"},
    {nullptr, "sms_unavailable"},
    {nullptr, "pager"},
    {nullptr, "pager_unavailable"},
    {nullptr, "email"},
    {"mail-read", "no_mail"},
    {"mail-unread", "mail"},
    {"dialog-information", "information"},
    {nullptr, "placeholder"},
};

QIcon Bundled(const char* file)
{
    QIcon icon;
    const QString base = QStringLiteral(":/contacts/images/") + QLatin1String(file);
    if (QFile::exists(base + ".png"))
        icon.addFile(base + ".png", QSize(16, 16));
    if (QFile::exists(base + "@2x.png"))
        icon.addFile(base + "@2x.png", QSize(32, 32));
    return icon;
}

} // namespace

QIcon ThemedOrBundled(const char* themeName, const char* file)
{
    InitContactImages();
    const QIcon bundled = Bundled(file);
    if (themeName == nullptr || QIcon::themeName().isEmpty())
        return bundled;
    return QIcon::fromTheme(QLatin1String(themeName), bundled);
}

ContactImages::ContactImages()
{
    InitContactImages();
    for (int i = 0; i < kContactImageCount; ++i) {
        m_icons[i] = ThemedOrBundled(kSources[i].themeName, kSources[i].file);
        if (m_icons[i].isNull())
            m_loaded = false;
    }
    // The person drawn greyed, in every state of the row: an offline contact nobody can reach.
    const QIcon& person = m_icons[static_cast<int>(ContactImage::Contact)];
    for (const int size : {16, 32})
        m_unreachable.addPixmap(person.pixmap(size, size, QIcon::Disabled));
}

QIcon ContactImages::OfflineIcon()
{
    return ThemedOrBundled("user-offline", "offline");
}

QIcon ContactImages::ArrowIcon()
{
    return ThemedOrBundled(nullptr, "arrow");
}

} // namespace zep::contacts
