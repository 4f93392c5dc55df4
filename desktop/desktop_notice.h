// Desktop notifications of what happens while the user looks elsewhere: a message in a
// conversation window that is not the active window, new mail, a sign-off by the server, a
// contact the user asked about coming online. The client posts notices; the application
// installs the sink that shows them (the desktop's notification service). Without a sink, or
// without a service, a notice goes nowhere and nothing else changes.
#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>
#include <vector>

namespace zep {

enum class NoticeKind
{
    Message,
    Mail,
    SignedOff,
    Presence, // a contact the user asked about signed in
};

// A button of a notice besides its default action.
struct NoticeAction
{
    QString key;
    QString label;
    std::function<void()> run;
};

struct Notice
{
    Notice() = default;
    Notice(NoticeKind kind, QString summary, QString body, QWidget* window = nullptr)
        : kind(kind), summary(std::move(summary)), body(std::move(body)), window(window)
    {
    }

    NoticeKind kind = NoticeKind::Message;
    QString summary;
    QString body;
    QPointer<QWidget> window; // shown and raised when the user activates the notice
    // Notices of one kind and window replace each other on the desktop, unless their
    // subjects (whom they are about) differ.
    QString subject;
    std::vector<NoticeAction> actions;
    // Set: the notice offers "Reply". Where the service takes a reply typed into the notice,
    // the text comes here; elsewhere "Reply" brings the window up with the keyboard in it.
    std::function<void(const QString&)> reply;
};

using NoticeSink = std::function<void(const Notice&)>;

// UI thread only.
void SetNoticeSink(NoticeSink sink);
// Hands the notice to the sink; none while the messenger is quiet (attention::Quiet), and
// message notices only while "notifymessages" is not 0.
void PostNotice(const Notice& notice);
// The start of a message for a notice: its first lines, at most `limit` characters.
QString NoticeBody(const QString& text, int limit = 200);

} // namespace zep
