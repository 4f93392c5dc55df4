#include "contacts/contact_actions.h"

namespace zep::contacts {

namespace {

bool CanStartConversation(const ContactRecord& own, const CContactDisplay& row)
{
    return own.status == PresenceStatus::Available &&
           row.Kind == ContactDisplayKind::OnlineContact &&
           row.Contact.subStatus != SubStatus::DoNotDisturb;
}

} // namespace

ContactMenuState MenuStateFor(const ContactRecord& own, const CContactDisplay& row)
{
    ContactMenuState state;
    if (!row.IsContact())
        return state;
    const ContactRecord& contact = row.Contact;
    state.instantMessage = CanStartConversation(own, row);
    state.sms = (!contact.homeMobile.empty() || !contact.workMobile.empty()) &&
                own.accountFlags.smsAllowed && (!own.homeMobile.empty() || !own.workMobile.empty());
    state.pager =
        !contact.workPager.empty() && own.accountFlags.pagerAllowed && !own.workPager.empty();
    return state;
}

RowAction ActivationFor(const ContactRecord& own, const CContactDisplay& row)
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
        switch (row.Contact.contactMethod) {
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
