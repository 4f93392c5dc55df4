// Renders the conversation window in its main states, the invite picker and the three offline
// message windows to PNG files for review: zep_conversation_screens <folder>. Runs on the
// offscreen platform.
#include "contacts/contact_dialog.h"
#include "contacts/contact_list_ctrl.h"
#include "conversations/message_window.h"
#include "conversations/offline_message_window.h"
#include "conversations/rich_edit_ctrl_ex.h"
#include "fake_host.h"
#include "fake_offline_host.h"
#include "tests/support/scratch_home.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QTextCursor>
#include <cstdio>

using namespace zep::conversations;
using namespace zep::conversations::testing;

namespace {

std::vector<std::u16string> Message(std::initializer_list<const char*> lines)
{
    std::vector<std::u16string> out;
    for (const char* line : lines)
        out.push_back(U(line));
    return out;
}

bool Save(QWidget& widget, const QString& folder, const char* name)
{
    QCoreApplication::processEvents();
    const QString file = folder + u'/' + QString::fromLatin1(name);
    const bool ok = widget.grab().save(file);
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", qPrintable(file));
    return ok;
}

std::unique_ptr<MessageWindow> Window(FakeHost& host, int width, int height)
{
    auto window = std::make_unique<MessageWindow>(host, "s1");
    window->AddParticipant(u"me@x.test", u"Pat Jones");
    window->AddParticipant(u"bob@x.test", u"Bob Miller");
    window->resize(width, height);
    window->show();
    return window;
}

void Converse(MessageWindow& window, FakeHost& host)
{
    window.OnMessage(u"bob@x.test",
                     Message({"MESSAGE", "Content-Type: text/plain; charset=\"utf-8\"", "",
                              "Hi Pat, have you got a minute?"}));
    window.OnMessage(
        u"bob@x.test",
        Message({"MESSAGE", "Content-Type: multipart/alternative; boundary=\"B\"", "", "--B",
                 "Content-Type: text/richtext; charset=\"us-ascii\"", "",
                 "{\\rtf1\\ansi{\\fonttbl\\f0 Arial;\\f1 Courier New;}{\\colortbl ;\\red200\\green0"
                 "\\blue0;\\red0\\green120\\blue0;}\\f0 The build is \\b\\cf1 red\\cf0\\b0  again, "
                 "see \\f1 ci/log.txt\\f0\\par \\i two lines\\i0  and \\ul underlined\\ul0  and "
                 "\\cf2 green\\cf0\\par}",
                 "--B"}));
    QFont font(QStringLiteral("DejaVu Serif"), 11);
    window.ApplyInputFormat(font, QColor(0, 0, 160));
    window.Input()->textCursor().insertText(QStringLiteral("On it, give me ten minutes."));
    window.Send();
    host.CompleteSend(zep::ImResult::Ok);
    window.Input()->textCursor().insertText(QStringLiteral("A draft not yet sent"));
}

// The three offline kinds, the SMS one with more text than its limit.
bool OfflineScreens(const QString& folder)
{
    FakeOfflineHost host;
    host.own = Person("Pat Jones", "pat.jones@x.test");
    host.own.workMobile = u"+44 7700 900456";
    host.own.homeMobile = u"+44 7700 900789";
    host.own.workPager = u"555 0199";
    host.own.accountFlags.smsLimit = 40;
    host.own.accountFlags.pagerLimit = 80;
    zep::ContactRecord bob = Person("Bob Miller", "bob.miller@x.test");
    bob.status = zep::PresenceStatus::Unavailable;
    bob.workMobile = u"+44 7700 900123";
    bob.homeMobile = u"+44 7700 900321";
    bob.workPager = u"555 0100";

    struct Screen
    {
        int kind;
        const char* text;
        const char* file;
    };
    const Screen screens[] = {
        {1, "Hi Bob,\n\nthe notes from this morning are on the share.\n\nPat", "offline-email.png"},
        {2, "Running late, start without me. Back by three at the latest.", "offline-sms.png"},
        {3, "Call Pat at the office", "offline-pager.png"}};
    bool ok = true;
    for (const Screen& screen : screens) {
        COfflineMessageWindow* window = COfflineMessageWindow::CreateFor(screen.kind, bob, host);
        if (window == nullptr) {
            std::printf("FAILED no window of kind %d\n", screen.kind);
            ok = false;
            continue;
        }
        if (screen.kind == 1)
            window->Subject()->setText(QStringLiteral("Notes"));
        window->Pane()->setPlainText(QString::fromUtf8(screen.text));
        ok &= Save(*window, folder, screen.file);
        delete window;
    }
    return ok;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    QDir().mkpath(folder);
    zep::test::ScratchHome home;
    bool ok = true;

    FakeHost host;
    host.own = Person("Pat Jones", "me@x.test");
    host.contactRows = {Row("Bob Miller", "bob@x.test"), Row("Carol Chen", "carol@x.test"),
                        Row("alice", "alice@x.test"), Row("Dan O'Neill", "dan@x.test")};
    host.contactRows[3].Contact.subStatus = zep::SubStatus::Phone;
    host.contactRows[3].Label = zep::contacts::ContactLabel(host.contactRows[3].Contact);

    {
        auto window = Window(host, 420, 480);
        Converse(*window, host);
        ok &= Save(*window, folder, "conversation.png");

        window->Invite();
        if (auto* picker = window->InvitePicker()) {
            picker->SelectRow(u"Carol Chen");
            ok &= Save(*picker, folder, "invite_picker.png");
        }
    }
    {
        auto window = Window(host, 360, 420);
        Converse(*window, host);
        window->OnSessionUpdate(u"me@x.test");
        ok &= Save(*window, folder, "left_the_conversation.png");
    }
    {
        auto window = Window(host, 360, 420);
        Converse(*window, host);
        window->MarkConnectionLost(QStringLiteral("The connection to the server was lost"));
        ok &= Save(*window, folder, "connection_lost.png");
    }
    {
        auto window = Window(host, 300, 380);
        ok &= Save(*window, folder, "new_window_default_size.png");
        window->resize(10, 10);
        ok &= Save(*window, folder, "smallest_window.png");
    }
    ok &= OfflineScreens(folder);
    return ok ? 0 : 1;
}
