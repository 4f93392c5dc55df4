// The images of the contact list and of the own-status banner: the desktop's icon theme where
// a freedesktop name fits the role, our bundled images otherwise.
#pragma once

#include "contacts/contact_display.h"

#include <QIcon>
#include <QPixmap>
#include <array>

namespace zep::contacts {

class ContactImages
{
public:
    // Loads all 14; Loaded() is false when any of them could not be made.
    ContactImages();
    bool Loaded() const { return m_loaded; }
    const QIcon& Icon(ContactImage image) const { return m_icons[static_cast<int>(image)]; }
    // The contact image greyed, for an offline contact without a usable contact method.
    const QIcon& Unreachable() const { return m_unreachable; }

    // The banner's images: the contact list's contact, away and busy images, the offline one
    // and the drop-down arrow.
    static QIcon OfflineIcon();
    static QIcon ArrowIcon();

private:
    std::array<QIcon, kContactImageCount> m_icons;
    QIcon m_unreachable;
    bool m_loaded = true;
};

// A theme icon when the theme has it, the bundled image ":/contacts/images/<file>.png" otherwise.
QIcon ThemedOrBundled(const char* themeName, const char* file);

} // namespace zep::contacts
