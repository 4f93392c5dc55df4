// The conversations of the logged-on view: the windows of the SESSION, MESSAGE and SESSION
// TIMEOUT events as the ConversationList routes them, starting a conversation, the block routine,
// and what the windows ask of the view. Everything here runs on the UI thread; requests go to the
// session's worker.
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

// Every window the list holds is one of this view's conversation windows.
MessageWindow* WindowOf(QObject* handle)
{
    return static_cast<MessageWindow*>(handle);
}

} // namespace

std::vector<MessageWindow*> CZepimView::Conversations() const
{
    std::lock_guard view(m_viewLock);
    std::vector<MessageWindow*> out;
    for (QObject* window : m_conversations.Windows())
        out.push_back(WindowOf(window));
    return out;
}

int CZepimView::Unread() const
{
    int unread = 0;
    for (const MessageWindow* window : Conversations())
        unread += window->Unread();
    return unread;
}

MessageWindow* CZepimView::FindConversation(const std::string& sessionId) const
{
    std::lock_guard view(m_viewLock);
    return WindowOf(m_conversations.Find(sessionId));
}

MessageWindow* CZepimView::NewConversation(const std::string& sessionId)
{
    auto* window = new MessageWindow(*this, sessionId);
    connect(window, &MessageWindow::messageArrived, window,
            [window](const QString& sender, const QString& text) {
                Notice notice(NoticeKind::Message, sender, NoticeBody(text), window);
                QPointer<MessageWindow> guard(window);
                notice.reply = [guard](const QString& reply) {
                    if (guard)
                        guard->SendReply(reply);
                };
                PostNotice(notice);
            });
    connect(window, &MessageWindow::unreadChanged, this, [this] { emit unreadChanged(Unread()); });
    // A window closed with unread messages takes them along.
    connect(
        window, &QObject::destroyed, this, [this] { emit unreadChanged(Unread()); },
        Qt::QueuedConnection);
    std::lock_guard view(m_viewLock);
    m_conversations.Add(sessionId, window);
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
    ConversationList::SessionRoute route;
    {
        std::lock_guard view(m_viewLock);
        route = m_conversations.RouteSession(event);
    }
    switch (route.action) {
    case ConversationList::SessionAction::Ignore:
        return;
    case ConversationList::SessionAction::Update:
        WindowOf(route.window)->OnSessionUpdate(route.emails);
        return;
    case ConversationList::SessionAction::Open: {
        // Someone else opened it: a hidden window, registered at once so that the MESSAGE
        // that follows always finds it; it shows itself with the first message.
        MessageWindow* window = NewConversation(route.sessionId);
        for (const std::u16string& address : route.addresses)
            AddResolvedParticipant(window, address);
        return;
    }
    }
}

void CZepimView::OnMessageEvent(const ServerEvent& event)
{
    ConversationList::MessageRoute route;
    {
        std::lock_guard view(m_viewLock);
        route = m_conversations.RouteMessage(event);
    }
    if (route.window != nullptr)
        WindowOf(route.window)->OnMessage(route.from, event.lines);
}

void CZepimView::OnSessionTimeoutEvent(const ServerEvent& event)
{
    QObject* window = nullptr;
    {
        std::lock_guard view(m_viewLock);
        window = m_conversations.RouteTimeout(event);
    }
    if (window != nullptr)
        WindowOf(window)->OnSessionTimeout();
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
    if (!m_conversations.StartInvite(contact.email))
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
        [this, contact, finish](Invited invited) {
            m_conversations.InviteAnswered(contact.email);
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
    const std::string sessionId = window->GetSessionId();
    bool leave = false;
    {
        std::lock_guard view(m_viewLock);
        leave = m_conversations.Close(window, sessionId, window->SessionEnded());
    }
    if (leave && !m_shutDown) {
        m_session->Request<ImResult>(
            [sessionId](ImConnection& conn) { return ImLeave(conn, sessionId); }, this,
            [this, sessionId](ImResult) { m_conversations.LeaveAnswered(sessionId); });
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
        if (window->SessionEnded() || window->Closed() || !m_conversations.StartLeave(sessionId))
            continue;
        ++*outstanding;
        m_session->Request<ImResult>(
            [sessionId](ImConnection& conn) { return ImLeave(conn, sessionId); }, this,
            [this, sessionId, outstanding, done](ImResult) {
                m_conversations.LeaveAnswered(sessionId);
                if (--*outstanding == 0 && done)
                    done();
            });
    }
    return *outstanding;
}

void CZepimView::EndConversations(const QString& why)
{
    std::vector<QPointer<QObject>> windows;
    {
        std::lock_guard view(m_viewLock);
        windows = m_conversations.EndAll();
    }
    // The windows stay with the user; from now on they answer to a host without a server.
    for (const QPointer<QObject>& handle : windows) {
        if (!handle)
            continue;
        MessageWindow* window = WindowOf(handle.data());
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
