#include "addin/native_host/session.h"

#include "addin/native_host/mailbox.h"
#include "addin/native_host/toolbar_json.h"
#include "addin/results.h"

#include <nlohmann/json.hpp>

namespace zep::nativehost {

namespace {

std::string Hex(std::int32_t value)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string out = "0x";
    for (int shift = 28; shift >= 0; shift -= 4)
        out += digits[(static_cast<std::uint32_t>(value) >> shift) & 0xf];
    return out;
}

} // namespace

Session::Session(AddinEntries entries, SessionOptions options, Send send, Log log)
    : m_entries(entries), m_options(std::move(options)), m_send(std::move(send)),
      m_log(std::move(log))
{
}

Session::~Session()
{
    Close();
}

void Session::OnMessage(const std::string& json)
{
    if (m_closed)
        return;
    Message message;
    std::string error;
    if (!ParseMessage(json, message, error)) {
        m_send(ErrorReply(error));
        return;
    }
    if (message.type == MessageType::Hello) {
        Hello();
        return;
    }
    if (!m_greeted) {
        m_send(ErrorReply("hello first"));
        return;
    }
    Dispatch(message);
    Flush();
}

void Session::OnOversized(std::uint32_t length)
{
    if (!m_closed)
        m_send(ErrorReply("message of " + std::to_string(length) + " bytes dropped"));
}

void Session::OnReadable(int fd)
{
    const auto it = m_application.loop.watched.find(fd);
    if (m_closed || it == m_application.loop.watched.end())
        return;
    it->second->OnReadable(fd);
    if (m_greeted)
        Flush();
}

void Session::Hello()
{
    nlohmann::json reply{{"type", "hello"},
                         {"test", m_options.testMode},
                         {"updateInterval", m_options.updateInterval}};
    if (!m_greeted) {
        m_greeted = true;
        if (!m_options.loadError.empty()) {
            m_connectError = m_options.loadError;
        } else if (m_entries.connect == nullptr || m_entries.disconnect == nullptr) {
            m_connectError = "no add-in";
        } else {
            const std::int32_t r = m_entries.connect(&m_application, &m_addin);
            if (addin::Failed(r)) {
                m_addin = nullptr;
                m_connectError = "the add-in did not connect: " + Hex(r);
            }
        }
        if (m_log)
            m_log(m_connectError.empty() ? "hello connected" : "hello " + m_connectError);
    }
    if (!m_connectError.empty())
        reply["error"] = m_connectError;
    reply["connected"] = m_addin != nullptr;
    m_send(reply.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
    // A second hello is the extension starting over: it gets the whole toolbar again.
    Flush(true);
}

void Session::Dispatch(const Message& message)
{
    const auto& explorer = m_application.explorer;
    switch (message.type) {
    case MessageType::Hello:
        break;
    case MessageType::Selection:
        explorer->selectedCount = message.count;
        explorer->firstItem.reset();
        if (message.count == 1 && !message.items.empty()) {
            const SelectedItem& item = message.items.front();
            explorer->firstItem = ItemData{item.itemClass, MailboxAddress(item.mailbox)};
        }
        if (m_log)
            m_log("selection " + std::to_string(message.count) + " " +
                  (explorer->firstItem ? explorer->firstItem->address : std::string()));
        explorer->events.Raise(addin::kDispSelectionChange);
        break;
    case MessageType::Click: {
        const auto toolbar = explorer->bars->toolbar;
        const auto control = toolbar ? toolbar->Find(message.control) : nullptr;
        if (!control) {
            m_send(ErrorReply("no control " + std::to_string(message.control)));
            break;
        }
        if (m_log)
            m_log("click [" + control->caption + "]" + (control->enabled ? "" : " (disabled)"));
        // A disabled control cannot be pressed in the mail client; a late click is dropped.
        if (control->enabled)
            control->events.Raise(addin::kDispClick);
        break;
    }
    case MessageType::Update:
        explorer->bars->events.Raise(addin::kDispOnUpdate);
        break;
    case MessageType::Close:
        Close();
        break;
    case MessageType::Log:
        if (m_log)
            m_log("extension " + message.text);
        break;
    }
}

void Session::Flush(bool force)
{
    if (m_closed)
        return;
    std::string message = ToolbarMessage(*m_application.explorer->bars);
    if (!force && message == m_sent)
        return;
    m_send(message);
    m_sent = std::move(message);
    if (m_log)
        m_log("toolbar " + ToolbarSummary(*m_application.explorer->bars));
}

void Session::Close()
{
    if (m_closed)
        return;
    m_closed = true;
    if (m_addin != nullptr) {
        m_application.explorer->events.Raise(addin::kDispClose);
        m_entries.disconnect(m_addin);
        m_addin = nullptr;
    }
    if (m_log)
        m_log("closed");
}

} // namespace zep::nativehost
