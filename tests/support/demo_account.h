#pragma once
// What the messenger tests set up and tidy around a frame: the demo user's saved account on a
// loopback server, and the conversation windows a view leaves with the user.

#include "conversations/message_window.h"
#include "session/password_scramble.h"
#include "session/settings.h"

#include <QApplication>
#include <QPointer>
#include <cstdint>
#include <vector>

namespace zep::test {

// anna@example.com with her password saved, on 127.0.0.1:port.
inline void SaveDemoAccount(std::uint16_t port)
{
    Settings s;
    s.WriteText(setting::Server, "127.0.0.1");
    s.WriteInt(setting::Port, port);
    s.WriteText(setting::Email, "anna@example.com");
    s.WriteText(setting::Password, QString::fromStdString(PasswordScramble("anna123")));
    s.WriteInt(setting::SavePassword, 1);
}

// Conversations stay with the user after their view; a test closes them itself.
inline void CloseConversationWindows()
{
    std::vector<QPointer<QWidget>> windows;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<conversations::MessageWindow*>(w))
            windows.emplace_back(w);
    for (const QPointer<QWidget>& w : windows)
        delete w.data();
}

} // namespace zep::test
