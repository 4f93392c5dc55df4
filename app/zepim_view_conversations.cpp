// The conversations of the logged-on view: the ConversationList, the SESSION, MESSAGE and
// SESSION TIMEOUT events, starting a conversation, the block routine, and what the windows ask
// of the view. Everything here runs on the UI thread; requests go to the session's worker.
#include "app/zepim_view.h"

#include "app/detached_host.h"
#include "app/main_frame.h"
#include "contacts/block_requests.h"
#include "contacts/contact_display.h"
#include "contacts/record_display.h"
#include "conversations/message_window.h"
#include "desktop/desktop_notice.h"
#include "protocol/requests.h"
#include "session/client_connection.h"
#include "transport/im_connection.h"
#include "ui/about_box.h"
#include "ui/display_texts.h"
#include "ui/help.h"

#include <QApplication>
#include <QMessageBox>

namespace zep {

using contacts::CContactDisplay;
using contacts::ContactDisplayKind;
using conversations::MessageWindow;

namespace {

std::string Utf8(const std::u16string& text)
{
    return QString::fromStdU16String(text).toStdString();
}

std::u16string Folded(std::u16string text)
{
    for (char16_t& c : text)
        if (c >= u'A' && c <= u'Z')
            c = static_cast<char16_t>(c - u'A' + u'a');
    return text;
}

// The addresses of a SESSION event's "Email" value, trimmed, empty entries dropped.
std::vector<std::u16string> SplitAddresses(const std::u16string& list)
{
    std::vector<std::u16string> out;
    const QStringList parts = QString::fromStdU16String(list).split(u',');
    for (const QString& part : parts) {
        const QString address = part.trimmed();
        if (!address.isEmpty())
            out.push_back(address.toStdU16String());
    }
    return out;
}

// Whether the comma-separated `list` holds `address` (case aside).
bool NamesAddress(const std::u16string& list, const std::u16string& address)
{
    const std::u16string wanted = Folded(address);
    for (const std::u16string& entry : SplitAddresses(list))
        if (Folded(entry) == wanted)
            return true;
    return false;
}

} // namespace

std::vector<MessageWindow*> CZepimView::Conversations() const
{
    std::lock_guard view(m_viewLock);
    std::vector<MessageWindow*> out;
    for (const QPointer<MessageWindow>& w : m_conversations)
        if (w)
            out.push_back(w.data());
    return out;
}

MessageWindow* CZepimView::FindConversation(const std::string& sessionId) const
{
    std::lock_guard view(m_viewLock);
    for (const QPointer<MessageWindow>& w : m_conversations)
        if (w && w->GetSessionId() == sessionId)
            return w.data();
    return nullptr;
}

MessageWindow* CZepimView::NewConversation(const std::string& sessionId)
{
    auto* window = new MessageWindow(*this, sessionId);
    connect(window, &MessageWindow::messageArrived, window,
            [window](const QString& sender, const QString& text) {
                PostNotice({NoticeKind::Message, sender, NoticeBody(text), window});
            });
    std::lock_guard view(m_viewLock);
    m_conversations.emplace_back(window);
    return window;
}

void CZepimView::AddResolvedParticipant(MessageWindow* window, const std::u16string& email)
{
    // The name is provisional until the directory answers; the window is keyed by address, so
    // a message that comes meanwhile finds its sender.
    QPointer<MessageWindow> guard(window);
    const ContactRecord record =
        LookupParticipant(email, window, [guard, email](const ContactRecord& better) {
            if (guard && !better.name.empty())
                guard->UpdateParticipantName(email, better.name);
        });
    window->AddParticipant(record.email.empty() ? email : record.email, record.name);
}

void CZepimView::OnSessionEvent(const ServerEvent& event)
{
    const std::string sessionId =
        QString::fromStdU16String(HeaderValue(event, u"SessionId", kSessionIdSize)).toStdString();
    const std::u16string emails = HeaderValue(event, u"Email", 10240);
    if (sessionId.empty() || emails.empty() || m_shutDown)
        return;
    // A session the user left (or that ended) opens no window again, unless someone invites
    // the user back: once the server has the LEAVE, a SESSION naming the user is that.
    if (m_endedSessions.count(sessionId) != 0) {
        if (m_leaving.count(sessionId) != 0 || !NamesAddress(emails, m_own.email))
            return;
        m_endedSessions.erase(sessionId);
    }
    if (MessageWindow* window = FindConversation(sessionId)) {
        window->OnSessionUpdate(emails);
        return;
    }
    // Someone else opened it: a hidden window, registered at once so that the MESSAGE that
    // follows always finds it; it shows itself with the first message.
    MessageWindow* window = NewConversation(sessionId);
    for (const std::u16string& address : SplitAddresses(emails))
        AddResolvedParticipant(window, address);
}

void CZepimView::OnMessageEvent(const ServerEvent& event)
{
    const std::string sessionId =
        QString::fromStdU16String(HeaderValue(event, u"SessionId", kSessionIdSize)).toStdString();
    const std::u16string from = HeaderValue(event, u"From", 10240);
    if (sessionId.empty() || from.empty() || m_endedSessions.count(sessionId) != 0)
        return;
    if (MessageWindow* window = FindConversation(sessionId))
        window->OnMessage(from, event.lines);
}

void CZepimView::OnSessionTimeoutEvent(const ServerEvent& event)
{
    const std::string sessionId =
        QString::fromStdU16String(HeaderValue(event, u"SessionId", kSessionIdSize)).toStdString();
    if (sessionId.empty())
        return;
    if (MessageWindow* window = FindConversation(sessionId))
        window->OnSessionTimeout();
}

void CZepimView::StartConversation(const std::u16string& email, std::function<void(int)> done)
{
    const auto finish = [done](int result) {
        if (done)
            done(result);
    };
    const ContactRecord contact = FindContact(email);
    if (contact.email.empty() || m_shutDown)
        return finish(static_cast<int>(ImResult::NotFound));
    // An open conversation with just this contact is raised instead of opening another.
    for (MessageWindow* window : Conversations()) {
        if (window->IsOneToOneWith(contact.email)) {
            window->BringToFront();
            return finish(0);
        }
    }
    const std::u16string key = Folded(contact.email);
    if (!m_invitesOut.insert(key).second)
        return finish(0); // the INVITE for this address is still out
    struct Invited
    {
        ImResult result = ImResult::Failed;
        std::string sessionId;
    };
    const std::string address = Utf8(contact.email);
    m_session->Request<Invited>(
        [address](ImConnection& conn) {
            Invited invited;
            invited.result = ImInvite(conn, {address}, invited.sessionId);
            return invited;
        },
        this,
        [this, key, contact, finish](Invited invited) {
            m_invitesOut.erase(key);
            if (invited.result != ImResult::Ok || invited.sessionId.empty()) {
                if (!m_shutDown) // a log-off before its turn is no failure to report
                    ShowMessage(invited.result == ImResult::CharsetMismatch
                                    ? tr("You can not send an instant message to a contact with a "
                                         "different character set.")
                                    : tr("Failed to send message."));
                return finish(static_cast<int>(invited.result == ImResult::Ok ? ImResult::Failed
                                                                              : invited.result));
            }
            MessageWindow* window = FindConversation(invited.sessionId);
            if (window == nullptr) {
                window = NewConversation(invited.sessionId);
                window->AddParticipant(m_own.email, m_own.name);
                window->AddParticipant(contact.email, contact.name);
            }
            window->ShowAndActivate();
            finish(0);
        });
}

void CZepimView::BlockContact(const ContactRecord& contact)
{
    if (m_shutDown)
        return;
    enum class Step
    {
        Done,
        UnsubscribeFailed,
        AddFailed
    };
    const std::string address = Utf8(contact.email);
    const std::int32_t id = contact.id;
    m_session->Request<Step>(
        [address, id](ImConnection& conn) {
            if (ImUnsubscribe(conn, {address}) != ImResult::Ok)
                return Step::UnsubscribeFailed;
            if (ImContactAdd(conn, ListType::Blocked, id) != ImResult::Ok) {
                // Still a contact: without its subscription its presence would freeze.
                std::vector<ContactRecordUtf8> again(1);
                again[0].email = address;
                ImSubscribe(conn, again);
                return Step::AddFailed;
            }
            return Step::Done;
        },
        this,
        [this, contact](Step step) {
            const QString name = QString::fromStdU16String(contact.name);
            std::lock_guard view(m_viewLock);
            if (step == Step::Done && m_list->RemoveContact(contact.email)) {
                m_list->RefreshList();
                ShowMessage(tr("'%1' has been successfully added to your block list. You will "
                               "not receive any messages from this user.")
                                .arg(name),
                            QApplication::activeWindow(), QMessageBox::Information);
            } else if (!m_shutDown) {
                ShowMessage(tr("Failed to block '%1'.").arg(name), QApplication::activeWindow());
            }
            emit Changed();
        },
        Step::UnsubscribeFailed);
}

void CZepimView::SendInstantMessage(std::string headers, std::string body, QObject* context,
                                    std::function<void(ImResult, std::vector<MessageFailure>)> done)
{
    using Answer = std::pair<ImResult, std::vector<MessageFailure>>;
    m_session->Request<Answer>(
        [headers = std::move(headers), body = std::move(body)](ImConnection& conn) {
            LineList reply;
            const ImResult result = ImMessage(conn, "im", headers, body, reply);
            return Answer{result, result == ImResult::Ok ? ImMessageFailures(reply)
                                                         : std::vector<MessageFailure>{}};
        },
        context, [done](Answer answer) { done(answer.first, std::move(answer.second)); });
}

void CZepimView::InviteToSession(std::string sessionId, std::u16string email, QObject* context,
                                 std::function<void(ImResult)> done)
{
    const std::string address = Utf8(email);
    m_session->Request<ImResult>(
        [sessionId = std::move(sessionId), address](ImConnection& conn) {
            return ImInviteToSession(conn, sessionId, address);
        },
        context, std::move(done));
}

void CZepimView::ListBlocked(QObject* context,
                             std::function<void(ImResult, std::vector<ContactRecord>)> done)
{
    using Answer = std::pair<ImResult, std::vector<ContactRecord>>;
    m_session->Request<Answer>(
        [](ImConnection& conn) {
            Answer answer;
            answer.first = RequestBlockList(conn, answer.second);
            return answer;
        },
        context, [done](Answer answer) { done(answer.first, std::move(answer.second)); });
}

std::unique_ptr<contacts::CContactDisplayList> CZepimView::OnlineContacts() const
{
    std::lock_guard view(m_viewLock);
    return m_list->CopyContacts(false);
}

std::optional<CContactDisplay> CZepimView::FindContactRow(const std::u16string& email) const
{
    std::lock_guard view(m_viewLock);
    if (const CContactDisplay* row = m_list->FindByEmail(email))
        return *row;
    return std::nullopt;
}

void CZepimView::ConversationClosed(MessageWindow* window)
{
    {
        std::lock_guard view(m_viewLock);
        std::erase_if(m_conversations, [window](const QPointer<MessageWindow>& w) {
            return w.isNull() || w.data() == window;
        });
    }
    const std::string sessionId = window->GetSessionId();
    m_endedSessions.insert(sessionId);
    if (!window->SessionEnded() && !m_shutDown) {
        m_leaving.insert(sessionId);
        m_session->Request<ImResult>(
            [sessionId](ImConnection& conn) { return ImLeave(conn, sessionId); }, this,
            [this, sessionId](ImResult) { m_leaving.erase(sessionId); });
    }
    window->deleteLater();
}

int CZepimView::LeaveOpenSessions(std::function<void()> done)
{
    if (m_shutDown)
        return 0;
    auto outstanding = std::make_shared<int>(0);
    for (MessageWindow* window : Conversations()) {
        const std::string sessionId = window->GetSessionId();
        if (window->SessionEnded() || window->Closed() || !m_leaving.insert(sessionId).second)
            continue;
        ++*outstanding;
        m_session->Request<ImResult>(
            [sessionId](ImConnection& conn) { return ImLeave(conn, sessionId); }, this,
            [this, sessionId, outstanding, done](ImResult) {
                m_leaving.erase(sessionId);
                if (--*outstanding == 0 && done)
                    done();
            });
    }
    return *outstanding;
}

void CZepimView::EndConversations(const QString& why)
{
    std::vector<QPointer<MessageWindow>> windows;
    {
        std::lock_guard view(m_viewLock);
        windows.swap(m_conversations);
    }
    // The windows stay with the user; from now on they answer to a host without a server.
    for (const QPointer<MessageWindow>& window : windows) {
        if (!window)
            continue;
        window->SetHost(DetachedConversationHost());
        window->MarkConnectionLost(why.isEmpty() ? tr("The conversation has ended") : why);
    }
}

void CZepimView::ShowHelp(int topic)
{
    zep::ShowHelp(static_cast<unsigned>(topic));
}

void CZepimView::ShowAbout()
{
    ShowAboutBox(QApplication::activeWindow());
}

void CZepimView::ShowMessage(const QString& text, QWidget* over, QMessageBox::Icon icon)
{
    QWidget* parent = over ? over->window() : window();
    auto* box = new QMessageBox(icon, text::AppTitle(), text, QMessageBox::Ok, parent);
    box->setTextFormat(Qt::PlainText); // the text may hold a name from the server
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setObjectName(QStringLiteral("ZepMessageBox"));
    box->setWindowModality(Qt::WindowModal);
    box->open();
    emit messageShown(text);
}

} // namespace zep
