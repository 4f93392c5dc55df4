// What the toolbar does: the selected item's sender, the buttons' enabling from the
// messenger's answers, and one procedure per click.
#include "addin/quillbay_addin.h"

#include "addin/utf8_address.h"

namespace zep::addin {

void CZEPQuillbay::SetEnabled(Slot slot, bool enabled)
{
    if (const std::shared_ptr<IControl>& control = m_controls[static_cast<int>(slot)])
        control->SetEnabled(enabled);
}

bool CZEPQuillbay::IsEnabled(Slot slot)
{
    bool enabled = false;
    const std::shared_ptr<IControl>& control = m_controls[static_cast<int>(slot)];
    return control && !Failed(control->GetEnabled(enabled)) && enabled;
}

void CZEPQuillbay::OnSelectionChange()
{
    if (m_tornDown || !m_explorer)
        return;
    m_senderAddress.clear();
    if (std::shared_ptr<ISelection> selection = m_explorer->Selection()) {
        int count = 0;
        if (!Failed(selection->GetCount(count)) && count == 1) {
            if (std::shared_ptr<IItem> item = selection->Item(1)) {
                int itemClass = 0;
                std::string address;
                if (!Failed(item->GetClass(itemClass)) &&
                    (itemClass == kClassMail || itemClass == kClassContact) &&
                    !Failed(item->GetSmtpAddress(address)))
                    m_senderAddress = KeepAddress(address);
            }
        }
    }
    UpdateButtons();
}

void CZEPQuillbay::UpdateButtons()
{
    // Needs the buttons; a nested update (a host that raises OnUpdate while we set a button)
    // would only repeat this one.
    if (m_tornDown || m_updating || !m_controls[static_cast<int>(Slot::Email)])
        return;
    m_updating = true;
    struct Done
    {
        bool& flag;
        ~Done() { flag = false; }
    } done{m_updating};
    const auto now = m_options.now();
    const bool quiet = now < m_quietUntil;
    State state = m_quietState;
    if (!quiet) {
        const HResult r = m_client->GetMessengerState(state.visible, state.loggedOn);
        state.reachable = !Failed(r);
        if (!state.reachable) {
            state = State{};
            // From the end of the failed call: an expired one took its whole deadline.
            m_quietUntil = m_options.now() + m_options.quiet;
            m_quietState = state;
        }
    }
    SetEnabled(Slot::Launch, !state.reachable);
    SetEnabled(Slot::Exit, state.reachable);
    SetEnabled(Slot::Open, state.reachable);
    SetEnabled(Slot::Hide, state.reachable && state.visible);
    SetEnabled(Slot::LogIn, state.reachable && !state.loggedOn);
    SetEnabled(Slot::LogOut, state.reachable && state.loggedOn);

    ContactDetails details;
    bool haveDetails = false;
    if (!quiet && now >= m_quietUntil && state.reachable && state.loggedOn &&
        !m_senderAddress.empty()) {
        const HResult r = m_client->GetContactDetails(m_senderAddress, details);
        haveDetails = !Failed(r);
        // "Not a contact" is an answer; anything else is a messenger to leave alone a while.
        if (Failed(r) && r != kNotFound) {
            m_quietUntil = m_options.now() + m_options.quiet;
            m_quietState = state;
        }
    }
    SetEnabled(Slot::Im, haveDetails && details.canSendIm);
    SetEnabled(Slot::Sms, haveDetails && details.canSendSms);
    SetEnabled(Slot::Pager, haveDetails && details.canSendPager);
    SetEnabled(Slot::Email, haveDetails && details.known);

    // Read back from the buttons: the first enabled one, in this order, is what "Send" sends.
    struct Choice
    {
        Slot slot;
        int mode;
        int tip;
    };
    const Choice choices[] = {
        {Slot::Im, kModeInstantMessage, 0},
        {Slot::Sms, kModeSms, 1},
        {Slot::Pager, kModePager, 2},
        {Slot::Email, kModeEmail, 3},
    };
    const Choice* first = nullptr;
    for (const Choice& choice : choices) {
        if (IsEnabled(choice.slot) && first == nullptr)
            first = &choice;
    }
    SetEnabled(Slot::Send, first != nullptr);
    SetEnabled(Slot::SendTypeMenu, first != nullptr);
    m_sendMode = first != nullptr ? first->mode : kModeInstantMessage;
    if (const std::shared_ptr<IControl>& send = m_controls[static_cast<int>(Slot::Send)])
        send->SetTooltip(first != nullptr ? m_sendTooltips[first->tip] : std::string());
}

void CZEPQuillbay::FailedSend()
{
    SetEnabled(Slot::SendTypeMenu, false);
}

void CZEPQuillbay::OnSendTypeClick(SendKind kind)
{
    if (m_tornDown || m_senderAddress.empty())
        return;
    if (Failed(m_client->Send(kind, m_senderAddress)))
        FailedSend();
}

void CZEPQuillbay::OnSendClick()
{
    if (m_tornDown || m_senderAddress.empty())
        return;
    SendKind kind;
    switch (m_sendMode) {
    case kModeInstantMessage:
        kind = SendKind::InstantMessage;
        break;
    case kModeSms:
        kind = SendKind::Sms;
        break;
    case kModePager:
        kind = SendKind::Pager;
        break;
    case kModeEmail:
        kind = SendKind::Email;
        break;
    default:
        FailedSend();
        return;
    }
    if (Failed(m_client->Send(kind, m_senderAddress)))
        FailedSend();
}

void CZEPQuillbay::OnCommandClick(Command command)
{
    if (m_tornDown)
        return;
    // ExitMessenger and OpenMessenger answer 1, a failure: the next OnUpdate refreshes.
    if (!Failed(m_client->Run(command)))
        UpdateButtons();
}

void CZEPQuillbay::OnLaunchClick()
{
    if (m_tornDown)
        return;
    m_options.launch();
}

} // namespace zep::addin
