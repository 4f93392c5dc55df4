#include "contacts/contact_actions.h"

namespace zep::contacts {

namespace {

bool CanStartConversation(const Record& own, const CContactDisplay& row)
{
    return own.Status == PresenceStatus::Available &&
           row.Kind == ContactDisplayKind::OnlineContact &&
           row.Contact.SubStatus != SubStatus::DoNotDisturb;
}

} // namespace

ContactMenuState MenuStateFor(const Record& own, const CContactDisplay& row)
{
    ContactMenuState state;
    if (!row.IsContact())
        return state;
    const Record& contact = row.Contact;
    state.instantMessage = CanStartConversation(own, row);
    state.sms = (!contact.HomeMobile.empty() || !contact.WorkMobile.empty()) && own.SmsAllowed &&
                (!own.HomeMobile.empty() || !own.WorkMobile.empty());
    state.pager = !contact.WorkPager.empty() && own.PagerAllowed && !own.WorkPager.empty();
    return state;
}

RowAction ActivationFor(const Record& own, const CContactDisplay& row)
{
    switch (row.Kind) {
    case ContactDisplayKind::OnlineContact:
        return CanStartConversation(own, row) ? RowAction::StartConversation : RowAction::None;
    case ContactDisplayKind::MailNotice:
        return RowAction::LaunchMail;
    case ContactDisplayKind::OnlineHeader:
    case ContactDisplayKind::OfflineHeader:
        return RowAction::ToggleGroup;
    case ContactDisplayKind::OnlinePlaceholder:
    case ContactDisplayKind::OfflinePlaceholder:
        return RowAction::AddContact;
    case ContactDisplayKind::OfflineContact:
        switch (row.Contact.ContactMethod) {
        case ContactMethod::Email:
            return RowAction::OpenEmail;
        case ContactMethod::HomeSms:
        case ContactMethod::WorkSms:
            return MenuStateFor(own, row).sms ? RowAction::OpenSms : RowAction::None;
        case ContactMethod::WorkPager:
            return MenuStateFor(own, row).pager ? RowAction::OpenPager : RowAction::None;
        default:
            return RowAction::None;
        }
    case ContactDisplayKind::InfoRow:
        break;
    }
    return RowAction::None;
}

} // namespace zep::contacts
