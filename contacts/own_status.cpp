#include "contacts/own_status.h"

#include "contacts/contact_display.h"
#include "protocol/ui_text.h"

namespace zep::contacts {

const std::vector<StatusChoice>& StatusChoices()
{
    static const std::vector<StatusChoice> choices = {
        {command::Online, u"Online", PresenceStatus::Available, SubStatus::None},
        {command::Offline, u"Offline", PresenceStatus::Unavailable, SubStatus::None},
        {command::DoNotDisturb, u"Do not disturb", PresenceStatus::Available,
         SubStatus::DoNotDisturb},
        {command::BackSoon, u"Back soon", PresenceStatus::Available, SubStatus::TemporarilyAway},
        {command::Away, u"Away", PresenceStatus::Available, SubStatus::ExtendedAway},
        {command::Phone, u"Phone", PresenceStatus::Available, SubStatus::Phone},
        {command::Lunch, u"Lunch", PresenceStatus::Available, SubStatus::Lunch},
        {command::Meeting, u"Meeting", PresenceStatus::Available, SubStatus::Meeting},
    };
    return choices;
}

std::optional<StatusChoice> StatusChoiceFor(int commandId)
{
    for (const StatusChoice& c : StatusChoices()) {
        if (c.commandId == commandId)
            return c;
    }
    return std::nullopt;
}

std::u16string OwnStatusText(PresenceStatus status, SubStatus subStatus)
{
    if (status == PresenceStatus::Unavailable)
        return UiText(u"Offline");
    const std::u16string sub = SubStatusLabel(subStatus);
    return sub.empty() ? UiText(u"Online") : sub;
}

OwnStatusImage OwnImage(PresenceStatus status, SubStatus subStatus)
{
    if (status == PresenceStatus::Unavailable)
        return OwnStatusImage::Offline;
    switch (subStatus) {
    case SubStatus::TemporarilyAway:
    case SubStatus::ExtendedAway:
    case SubStatus::Lunch:
        return OwnStatusImage::Away;
    case SubStatus::DoNotDisturb:
    case SubStatus::Phone:
    case SubStatus::Meeting:
        return OwnStatusImage::Busy;
    default:
        return OwnStatusImage::Online;
    }
}

OwnStatusBanner MakeOwnStatusBanner(const ContactRecord& own)
{
    std::u16string bracket = OwnStatusText(own.status, own.subStatus);
    if (!own.customStatus.empty())
        bracket += u" - " + own.customStatus;
    const std::u16string who = own.name + u" (" + bracket + u")";
    return {UiText(u"My Status:") + u"\r\n" + who, who, OwnImage(own.status, own.subStatus)};
}

} // namespace zep::contacts
