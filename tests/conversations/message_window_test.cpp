// The conversation window against a host that records requests and answers them later: sending
// while the user types, receiving, session updates and time-outs, pickers, closing.
#include "contacts/contact_dialog.h"
#include "contacts/contact_list_ctrl.h"
#include "conversations/button_ex.h"
#include "conversations/emoji_picker.h"
#include "conversations/find_bar.h"
#include "conversations/message_window.h"
#include "conversations/rich_edit_ctrl_ex.h"
#include "conversations/time_stamps.h"
#include "fake_host.h"
#include "tests/support/qt_wait.h"
#include "tests/support/scratch_home.h"

#include "session/settings.h"
#include "ui/colour_scheme.h"
#include "ui/contrast.h"

#include <QApplication>
#include <QCheckBox>
#include <QDesktopServices>
#include <QFontDatabase>
#include <QFontDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTextBlock>
#include <QTime>
#include <gtest/gtest.h>

namespace zep::conversations {
namespace {

using namespace zep::conversations::testing;
using contacts::ContactDisplayKind;
using ::testing::Values;
using ::testing::WithParamInterface;

std::vector<std::u16string> Lines(std::initializer_list<const char*> lines)
{
    std::vector<std::u16string> out;
    for (const char* line : lines)
        out.push_back(U(line));
    return out;
}

std::vector<std::u16string> PlainMessage(const char* text)
{
    return Lines(
        {"MESSAGE", "MIME-Version: 1.0", "Content-Type: text/plain; charset=\"utf-8\"", "", text});
}

// A body as another client writes it: the plain part, then the rich one.
std::vector<std::u16string>
RichMessage(const char* rtf = "{\\rtf1\\ansi{\\fonttbl\\f0 Arial;}\\f0 rich \\b bold\\b0\\par}")
{
    return Lines(
        {"MESSAGE", "MIME-Version: 1.0",
         "Content-Type: multipart/alternative; boundary=\"==_10:00:00 Mon, 7 Dec 2026 ==_\"", "",
         "--==_10:00:00 Mon, 7 Dec 2026 ==_", "Content-Type: text/plain; charset=\"utf-8\"", "",
         "the plain part", "--==_10:00:00 Mon, 7 Dec 2026 ==_",
         "Content-Type: text/richtext; charset=\"us-ascii\"", "", rtf,
         "--==_10:00:00 Mon, 7 Dec 2026 ==_"});
}

// The UTF-8 text part of a body this window sent.
std::string PlainPart(const std::string& body)
{
    const std::string marker = "Content-Type: text/plain; charset=\"utf-8\"\r\n\r\n";
    const auto start = body.find(marker);
    if (start == std::string::npos)
        return "<no plain part>";
    const auto from = start + marker.size();
    return body.substr(from, body.find("\r\n--", from) - from);
}

std::string S(const QString& text)
{
    return text.toStdString();
}

class Conversation : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // Captions without the time, so histories compare exactly.
        Settings().WriteInt(setting::ShowTimestamps, 0);
        host.contactRows = {
            Row("Bob", "bob@x.test", true, 11), Row("Carol", "carol@x.test", true, 12),
            Row("Dave", "dave@x.test", true, 13), Row("Olga", "olga@x.test", false, 14)};
    }

    void TearDown() override
    {
        window.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    MessageWindow& Open(bool shown = true)
    {
        window = std::make_unique<MessageWindow>(host, "s1");
        window->AddParticipant(u"me@x.test", u"Me");
        window->AddParticipant(u"bob@x.test", u"Bob");
        if (shown)
            window->show();
        return *window;
    }

    void Type(const QString& text)
    {
        QTextCursor at = window->Input()->textCursor();
        at.movePosition(QTextCursor::End);
        at.insertText(text);
        window->Input()->setTextCursor(at);
    }

    void Key(QWidget* to, Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier,
             const QString& text = {})
    {
        QKeyEvent press(QEvent::KeyPress, key, mods, text);
        QApplication::sendEvent(to, &press);
    }

    void Enter(Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        Key(window->Input(), Qt::Key_Return, mods, QStringLiteral("\r"));
    }

    std::string History() const { return S(window->History()->toPlainText()); }
    std::string InputText() const { return S(window->Input()->toPlainText()); }

    std::vector<std::string> Boxes() const
    {
        std::vector<std::string> texts;
        for (QMessageBox* box : window->findChildren<QMessageBox*>())
            texts.push_back(S(box->text()));
        return texts;
    }

    // Opens the invite picker and picks the row with this label.
    contacts::CContactDialog* PickInvite(const QString& label)
    {
        window->Invite();
        contacts::CContactDialog* picker = window->InvitePicker();
        if (picker == nullptr)
            return nullptr;
        Select(*picker, label);
        return picker;
    }

    static std::string Rows(const contacts::CContactDialog& picker)
    {
        std::string out;
        for (const contacts::CContactDisplay* row : picker.VisibleRows())
            out += QString::fromStdU16String(row->Label).toStdString() + ";";
        return out;
    }

    static void Select(contacts::CContactDialog& picker, const QString& label)
    {
        picker.SelectRow(label.toStdU16String());
    }

    test::ScratchHome home;
    FakeHost host;
    std::unique_ptr<MessageWindow> window;
};

// ---- sending ------------------------------------------------------------------------------

TEST_F(Conversation, TheEmojiPickerFindsByNameInsertsAtTheCursorAndBothPartsCarryIt)
{
    Open();
    Type(QStringLiteral("see "));
    EmojiPicker* picker = window->OpenEmojiPicker();
    ASSERT_TRUE(picker->isVisible());
    QTest::keyClicks(picker->Search(), "thumbs up");
    ASSERT_GT(picker->List()->count(), 0);
    const QString thumbs = QString::fromUtf8("\xF0\x9F\x91\x8D");
    EXPECT_EQ(picker->List()->item(0)->text(), thumbs);
    QTest::keyClick(picker->Search(), Qt::Key_Return);
    EXPECT_FALSE(picker->isVisible());
    EXPECT_EQ(window->Input()->toPlainText(), QStringLiteral("see ") + thumbs);
    EXPECT_EQ(EmojiPicker::Recent().value(0), thumbs) << "the recently used come first";

    window->Send();
    ASSERT_EQ(host.sent.size(), 1u);
    EXPECT_EQ(PlainPart(host.sent[0].body), "see \xF0\x9F\x91\x8D");
    // A character outside the BMP goes into the rich text as its UTF-16 pair of \uN.
    for (const char* unit : {"\\u-10179", "\\u-9139"})
        EXPECT_NE(host.sent[0].body.find(unit), std::string::npos) << host.sent[0].body;
}

TEST_F(Conversation, SendTakesTheTextAtOnceAndShowsItWhenTheServerAccepts)
{
    Open();
    Type(QStringLiteral("hello\n\n\n"));
    ASSERT_TRUE(window->SendButton()->isEnabled());
    window->Send();

    ASSERT_EQ(host.sent.size(), 1u);
    EXPECT_EQ(host.sent[0].headers.rfind("SessionId: s1\r\n", 0), 0u);
    EXPECT_NE(host.sent[0].headers.find("multipart/alternative"), std::string::npos);
    EXPECT_EQ(PlainPart(host.sent[0].body), "hello\r\n");
    EXPECT_NE(host.sent[0].body.find("text/richtext"), std::string::npos);
    EXPECT_EQ(InputText(), "");
    EXPECT_FALSE(window->SendButton()->isEnabled());
    EXPECT_EQ(History(), "");

    host.CompleteSend(ImResult::Ok);
    EXPECT_EQ(History(), "Me:\nhello\n");
    EXPECT_FALSE(window->SendOutstanding());
}

struct TypedDuringSendRow
{
    const char* name;
    ImResult result;
    std::string input;   // what the input holds afterwards
    std::string history; // and the history
    std::vector<std::string> boxes;
};

class TypedDuringSend : public Conversation, public WithParamInterface<TypedDuringSendRow>
{
};

TEST_P(TypedDuringSend, TextTypedMeanwhileSurvives)
{
    const TypedDuringSendRow& row = GetParam();
    Open();
    Type(QStringLiteral("first"));
    window->Send();
    Type(QStringLiteral("second"));
    host.CompleteSend(row.result);
    EXPECT_EQ(InputText(), row.input);
    EXPECT_EQ(History(), row.history);
    EXPECT_EQ(Boxes(), row.boxes);
    EXPECT_TRUE(window->SendButton()->isEnabled());
}

INSTANTIATE_TEST_SUITE_P(
    Results, TypedDuringSend,
    Values(TypedDuringSendRow{"accepted", ImResult::Ok, "second", "Me:\nfirst\n", {}},
           TypedDuringSendRow{
               "failed", ImResult::Failed, "first\nsecond", "", {"Failed to send message."}},
           TypedDuringSendRow{"too_large",
                              ImResult::TooLarge,
                              "first\nsecond",
                              "",
                              {"The message is too large. Please use a smaller message."}},
           TypedDuringSendRow{"content_unacceptable",
                              ImResult::ContentUnacceptable,
                              "first\nsecond",
                              "",
                              {"Failed to send message - content unacceptable."}},
           TypedDuringSendRow{"connection_closed",
                              ImResult::ConnectionClosed,
                              "first\nsecond",
                              "",
                              {"Failed to send message."}}),
    [](const auto& info) { return std::string(info.param.name); });

// Esc while the send is out hides the window until the reply: it closes once the message
// arrived, and comes back with the text and the box when it did not.
TEST_F(Conversation, ClosingDuringASendWaitsForTheReply)
{
    struct Row
    {
        const char* name;
        ImResult result;
        std::vector<MessageFailure> failures;
        bool lostFirst; // the connection goes before the reply
        bool closed;
        std::string input;
        std::vector<std::string> boxes;
    };
    const std::vector<Row> rows = {
        {"accepted", ImResult::Ok, {}, false, true, "", {}},
        {"too_large",
         ImResult::TooLarge,
         {},
         false,
         false,
         "gone?",
         {"The message is too large. Please use a smaller message."}},
        {"content_unacceptable",
         ImResult::ContentUnacceptable,
         {},
         false,
         false,
         "gone?",
         {"Failed to send message - content unacceptable."}},
        {"not_delivered_to_bob", ImResult::Ok, {{"bob@x.test", false}}, false, false, "", {}},
        {"connection_lost", ImResult::ConnectionClosed, {}, true, false, "gone?", {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        host.closed.clear();
        Open();
        Type(QStringLiteral("gone?"));
        window->Send();
        window->close(); // what Esc and the menu's Close do
        EXPECT_FALSE(window->isVisible());
        EXPECT_TRUE(host.closed.empty()) << "no LEAVE before the reply";
        if (row.lostFirst)
            window->MarkConnectionLost(QStringLiteral("lost"));
        host.CompleteSend(row.result, row.failures);
        EXPECT_EQ(window->Closed(), row.closed);
        EXPECT_EQ(host.closed.size(), row.closed ? 1u : 0u);
        EXPECT_EQ(window->isVisible(), !row.closed);
        EXPECT_EQ(InputText(), row.input);
        EXPECT_EQ(Boxes(), row.boxes);
        window.reset();
    }
}

TEST_F(Conversation, AFailedSendComesBackIntoAnEmptyInputAsItWas)
{
    Open();
    Type(QStringLiteral("only this"));
    window->Send();
    host.CompleteSend(ImResult::Failed);
    EXPECT_EQ(InputText(), "only this");
}

TEST_F(Conversation, ASecondEnterWhileASendIsOutSendsNothingTwice)
{
    host.own.accountFlags.enterSendsMessage = true;
    Open();
    Type(QStringLiteral("hi"));
    Enter();
    Enter();
    Type(QStringLiteral("more"));
    Enter();
    window->Send();
    ASSERT_EQ(host.sent.size(), 1u);
    EXPECT_EQ(InputText(), "more");

    host.CompleteSend(ImResult::Ok);
    Enter();
    ASSERT_EQ(host.sent.size(), 2u);
    EXPECT_EQ(PlainPart(host.sent[1].body), "more");
    EXPECT_EQ(PlainPart(host.sent[0].body), "hi");
}

TEST_F(Conversation, EnterFollowsTheAccountFlag)
{
    Open();
    Type(QStringLiteral("line"));
    Enter();
    EXPECT_TRUE(host.sent.empty());
    EXPECT_EQ(window->Input()->document()->blockCount(), 2);

    window.reset();
    host.own.accountFlags.enterSendsMessage = true;
    Open();
    Type(QStringLiteral("one"));
    Enter(Qt::ShiftModifier);
    Type(QStringLiteral("two"));
    EXPECT_TRUE(host.sent.empty());
    Enter();
    ASSERT_EQ(host.sent.size(), 1u);
    EXPECT_EQ(PlainPart(host.sent[0].body), "one\r\ntwo");
}

TEST_F(Conversation, APictureAloneSendsNothingAndChangesNothing)
{
    Open();
    QImage picture(8, 8, QImage::Format_RGB32);
    picture.fill(Qt::red);
    window->Input()->textCursor().insertImage(picture);
    ASSERT_TRUE(window->SendButton()->isEnabled());
    window->Send();
    EXPECT_TRUE(host.sent.empty());
    EXPECT_EQ(window->Input()->toPlainText(), QString(QChar::ObjectReplacementCharacter));
    EXPECT_FALSE(window->SendOutstanding());
}

TEST_F(Conversation, UndeliveredAddressesOfParticipantsGetACaption)
{
    Open();
    window->AddParticipant(u"carol@x.test", u"Carol");
    Type(QStringLiteral("all"));
    window->Send();
    host.CompleteSend(ImResult::Ok,
                      {{"bob@x.test", false}, {"CAROL@x.test", true}, {"stranger@x.test", false}});
    EXPECT_EQ(History(), "Failed to send message to 'Bob':\n"
                         "Failed to send message to 'Carol' - content unacceptable:\n"
                         "Me:\nall\n");
}

TEST_F(Conversation, AResultArrivingAfterTheWindowWentIsDropped)
{
    Open();
    Type(QStringLiteral("late"));
    window->Send();
    window.reset();
    host.CompleteSend(ImResult::Ok); // the host checks the context; nothing to touch
    EXPECT_EQ(host.OpenSends(), 0u);
}

// ---- receiving ----------------------------------------------------------------------------

TEST_F(Conversation, CaptionsCarryTheTimeWhenTimestampsAreOn)
{
    Settings().WriteInt(setting::ShowTimestamps, 1);
    Open();
    window->OnMessage(u"bob@x.test", PlainMessage("hello"));
    const QString shown = window->History()->toPlainText();
    const QString time = ClockTime(QTime::currentTime());
    EXPECT_TRUE(shown.startsWith("Bob (") && shown.contains("):\nhello")) << S(shown);
    EXPECT_TRUE(shown.contains(time) || QTime::currentTime().second() < 2) << S(shown);
}

TEST_F(Conversation, CtrlFFindsInTheHistoryAndEscClosesOnlyTheBar)
{
    Open();
    for (const char* text : {"first apple", "a pear", "second Apple"})
        window->OnMessage(u"bob@x.test", PlainMessage(text));
    window->activateWindow();
    QApplication::setActiveWindow(window.get());
    QTest::keyClick(window->Input(), Qt::Key_F, Qt::ControlModifier);
    FindBar* bar = window->Finder();
    ASSERT_TRUE(bar->isVisible());
    const QRect shown = window->History()->viewport()->geometry();
    EXPECT_LE(bar->geometry().bottom(), shown.top()) << "the first line stays in sight";
    QTest::keyClicks(bar->Field(), "apple");
    const auto selected = [this] {
        const QTextCursor at = window->History()->textCursor();
        return S(window->History()->document()->findBlock(at.selectionStart()).text());
    };
    EXPECT_EQ(selected(), "first apple");
    const struct
    {
        Qt::KeyboardModifiers mods;
        const char* line;
    } steps[] = {{{}, "second Apple"}, {{}, "first apple"}, {Qt::ShiftModifier, "second Apple"}};
    for (const auto& step : steps) {
        QTest::keyClick(bar->Field(), Qt::Key_Return, step.mods);
        EXPECT_EQ(selected(), step.line) << "case aside, round the end";
    }
    bar->HighlightAllBox()->setChecked(true);
    EXPECT_EQ(bar->Highlighted(), 2);
    QTest::keyClick(bar->Field(), Qt::Key_Escape);
    EXPECT_FALSE(bar->isVisible());
    EXPECT_EQ(bar->Highlighted(), 0);
    EXPECT_EQ(window->History()->viewport()->geometry().top(), shown.top() - bar->height());
    EXPECT_TRUE(window->isVisible()) << "Esc closed the bar, not the window";
}

// Links in messages open with the desktop's handler on a click; other schemes stay text.
class LinkCatcher : public QObject
{
    Q_OBJECT
public slots:
    void Open(const QUrl& url) { opened << url.toString(); }

public:
    QStringList opened;
};

TEST_F(Conversation, LinksOfMessagesOpenOnAClick)
{
    LinkCatcher catcher;
    for (const char* scheme : {"http", "https", "mailto", "javascript", "file"})
        QDesktopServices::setUrlHandler(scheme, &catcher, "Open");
    Open();
    window->OnMessage(u"bob@x.test", PlainMessage("see (https://x.example/a_(b)). or "
                                                  "javascript:alert(1) file:///etc/passwd "
                                                  "mailto:carol@x.test, xhttp://no.example"));
    CRichEditCtrlEx* pane = window->History();
    QStringList hrefs;
    for (QTextBlock b = pane->document()->begin(); b.isValid(); b = b.next())
        for (auto it = b.begin(); !it.atEnd(); ++it)
            if (it.fragment().charFormat().isAnchor())
                hrefs << it.fragment().charFormat().anchorHref();
    EXPECT_EQ(hrefs, (QStringList{"https://x.example/a_(b)", "mailto:carol@x.test"}));

    const QPoint at = pane->cursorRect(pane->document()->find("x.example/a")).center();
    QTest::mouseClick(pane->viewport(), Qt::LeftButton, {}, at);
    const QPoint plain = pane->cursorRect(pane->document()->find("alert")).center();
    QTest::mouseClick(pane->viewport(), Qt::LeftButton, {}, plain);
    EXPECT_EQ(catcher.opened, QStringList{"https://x.example/a_(b)"});
    for (const char* scheme : {"http", "https", "mailto", "javascript", "file"})
        QDesktopServices::unsetUrlHandler(scheme);
}

TEST_F(Conversation, PlainAndRichMessagesAreShownUnderTheSendersName)
{
    Open();
    window->OnMessage(u"stranger@x.test", PlainMessage("spam"));
    EXPECT_EQ(History(), "");

    window->OnMessage(u"BOB@x.test", PlainMessage("hello there"));
    window->OnMessage(u"bob@x.test", RichMessage());
    EXPECT_EQ(History(), "Bob:\nhello there\nBob:\nrich bold\n");

    const QTextDocument* doc = window->History()->document();
    const QTextBlock caption = doc->findBlockByNumber(0);
    const QTextBlock message = doc->findBlockByNumber(1);
    EXPECT_EQ(caption.blockFormat().leftMargin(), 0);
    EXPECT_GT(message.blockFormat().leftMargin(), 0);
    EXPECT_NE(caption.begin().fragment().charFormat().foreground().color(), QColor(Qt::black));
    QTextCursor at(window->History()->document());
    at.setPosition(S(window->History()->toPlainText()).find("bold") + 2);
    EXPECT_EQ(at.charFormat().fontWeight(), QFont::Bold);
}

// On a dark desktop a sender's dark blue is raised to read on the dark pane, text without a
// colour takes the pane's text colour, and what the user sends keeps the colour chosen; back
// on a light desktop every colour is drawn as written again.
TEST_F(Conversation, ADarkDesktopKeepsColoursReadableAndSendsThemAsChosen)
{
    const QPalette light = QApplication::palette();
    QApplication::setPalette(DarkPalette(light));
    Open();
    window->OnMessage(u"bob@x.test", RichMessage("{\\rtf1{\\colortbl ;\\red0\\green0\\blue128;}"
                                                 "\\cf1 blue \\cf0 plain\\par}"));
    const auto format = [](CRichEditCtrlEx* pane, const char* word) {
        QTextCursor at(pane->document());
        at.setPosition(static_cast<int>(pane->toPlainText().indexOf(QLatin1String(word))) + 1);
        return at.charFormat();
    };
    const QColor base = window->History()->palette().color(QPalette::Base);
    EXPECT_EQ(base, QApplication::palette().color(QPalette::Base));
    EXPECT_GE(ContrastRatio(format(window->History(), "blue").foreground().color(), base), 4.5);
    EXPECT_EQ(format(window->History(), "plain").foreground().style(), Qt::NoBrush);
    EXPECT_EQ(window->History()->palette().color(QPalette::Text),
              QApplication::palette().color(QPalette::Text));
    QTest::keyClicks(window->Input(), QStringLiteral("dark"));
    EXPECT_GE(ContrastRatio(format(window->Input(), "dark").foreground().color(), base), 4.5);
    window->Send();
    QApplication::setPalette(light);
    ASSERT_EQ(host.sent.size(), 1u);
    EXPECT_NE(host.sent[0].body.find("\\red0\\green0\\blue0;"), std::string::npos)
        << host.sent[0].body;
    EXPECT_EQ(format(window->History(), "blue").foreground().color(), QColor(0, 0, 128));
    EXPECT_EQ(window->History()->palette().color(QPalette::Base), QColor(Qt::white));
}

TEST_F(Conversation, AMessageArrivingWhileHistoryTextIsSelectedKeepsTheSelection)
{
    Open();
    window->OnMessage(u"bob@x.test", PlainMessage("something to quote"));
    QTextCursor selection(window->History()->document());
    selection.setPosition(5);
    selection.setPosition(14, QTextCursor::KeepAnchor);
    window->History()->setTextCursor(selection);
    const QString selected = window->History()->SelectionPlainText();

    window->OnMessage(u"bob@x.test", RichMessage());
    EXPECT_EQ(window->History()->SelectionPlainText(), selected);
    EXPECT_EQ(window->History()->textCursor().selectionStart(), 5);
    EXPECT_NE(History().find("rich bold"), std::string::npos);
}

// What the window asks of the window system when it shows itself (the offscreen platform
// activates every window it shows, so the request is what can be checked here).
class ShowSpy : public QObject
{
public:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show) {
            auto* w = static_cast<QWidget*>(watched);
            ++shows;
            withoutActivating = w->testAttribute(Qt::WA_ShowWithoutActivating);
            minimised = w->isMinimized();
        }
        return false;
    }
    int shows = 0;
    bool withoutActivating = false;
    bool minimised = false;
};

TEST_F(Conversation, AHiddenWindowShowsMinimisedWithoutActivationOnTheFirstMessage)
{
    // A later conversation too, whose window restores the placement the last one left.
    Open();
    window->showMaximized();
    window->close();
    Open(false);
    ShowSpy spy;
    window->installEventFilter(&spy);
    window->OnMessage(u"bob@x.test", PlainMessage("are you there?"));
    window->OnMessage(u"bob@x.test", PlainMessage("hello?"));
    EXPECT_EQ(spy.shows, 1);
    EXPECT_TRUE(spy.withoutActivating);
    EXPECT_TRUE(spy.minimised);
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(window->testAttribute(Qt::WA_ShowWithoutActivating)); // later shows activate
    EXPECT_EQ(window->focusWidget(), window->Input());
    EXPECT_EQ(History(), "Bob:\nare you there?\nBob:\nhello?\n");
}

TEST_F(Conversation, FlashingStartsWhileTheApplicationIsInactiveAndStopsOnActivation)
{
    Open(false);
    window->OnMessage(u"bob@x.test", PlainMessage("ping"));
    EXPECT_TRUE(window->Flashing());
    window->ShowAndActivate();
    EXPECT_TRUE(test::WaitUntil([&] { return !window->Flashing(); }));
    EXPECT_FALSE(window->isMinimized());
}

// ---- session updates and time-outs --------------------------------------------------------

TEST_F(Conversation, TheOtherLeavingMakesTheInputReadOnlyAndRejoiningRevivesIt)
{
    Open();
    Type(QStringLiteral("draft"));
    window->OnSessionUpdate(u"me@x.test");
    EXPECT_EQ(History(), "'Bob' has left the conversation:\n");
    EXPECT_EQ(S(window->ToLine()), "<All participants have left the conversation>");
    EXPECT_EQ(S(window->windowTitle()), "Conversation");
    EXPECT_TRUE(window->Input()->isReadOnly());
    EXPECT_FALSE(window->FontButton()->isEnabled());
    EXPECT_FALSE(window->SendButton()->isEnabled());
    EXPECT_TRUE(window->isVisible());

    window->OnSessionUpdate(u"me@x.test,bob@x.test");
    EXPECT_FALSE(window->Input()->isReadOnly());
    EXPECT_TRUE(window->FontButton()->isEnabled());
    EXPECT_TRUE(window->SendButton()->isEnabled());
    EXPECT_EQ(S(window->ToLine()), "Bob <bob@x.test>");
    EXPECT_EQ(InputText(), "draft");
}

TEST_F(Conversation, SomeoneAnotherParticipantInvitedRevivesTheInputToo)
{
    Open();
    window->OnSessionUpdate(u"me@x.test");
    window->OnSessionUpdate(u"me@x.test,carol@x.test");
    EXPECT_FALSE(window->Input()->isReadOnly());
    EXPECT_EQ(S(window->ToLine()), "Carol <carol@x.test>");
    EXPECT_EQ(S(window->windowTitle()), "Carol - Conversation");
    EXPECT_NE(History().find("'Carol' has joined the conversation:"), std::string::npos);
}

// Someone the directory is asked about joins under the name it gives, whenever it answers.
TEST_F(Conversation, AJoinLineWaitsForTheDirectorysName)
{
    struct Row
    {
        const char* name;
        bool known;       // the directory knows zed
        bool leavesFirst; // zed leaves before it answers
        std::string history;
    };
    const std::vector<Row> rows = {
        {"named", true, false, "'Zed Quinn' has joined the conversation:\n"},
        {"unknown_to_the_directory", false, false, "'zed' has joined the conversation:\n"},
        {"gone_before_the_answer", true, true,
         "'zed' has joined the conversation:\n'zed' has left the conversation:\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        host.directory.clear();
        if (row.known)
            host.directory[u"zed@y.test"] = "Zed Quinn";
        Open();
        window->OnSessionUpdate(u"me@x.test,bob@x.test,zed@y.test");
        EXPECT_EQ(History(), "") << "no line under a provisional name";
        if (row.leavesFirst)
            window->OnSessionUpdate(u"me@x.test,bob@x.test");
        host.AnswerLookups();
        EXPECT_EQ(History(), row.history);
        window.reset();
    }
}

TEST_F(Conversation, AHiddenWindowLeftAloneClosesItself)
{
    Open(false);
    window->OnSessionUpdate(u"me@x.test");
    ASSERT_EQ(host.closed.size(), 1u);
    EXPECT_EQ(host.closed[0], window.get());
    EXPECT_FALSE(window->SessionEnded());
}

TEST_F(Conversation, TimeOutOnAHiddenWindowClosesItWithTheSessionEnded)
{
    Open(false);
    window->OnSessionTimeout();
    ASSERT_EQ(host.closed.size(), 1u);
    EXPECT_TRUE(window->SessionEnded());
}

TEST_F(Conversation, ClosingAfterTimeOutAsksForNoLeaveAndHappensOnce)
{
    Open();
    window->OnSessionTimeout();
    EXPECT_EQ(History(), "session timeout:\n");
    EXPECT_TRUE(window->Input()->isReadOnly());
    EXPECT_FALSE(window->FontButton()->isEnabled());
    EXPECT_TRUE(window->SessionEnded());
    EXPECT_FALSE(window->IsOneToOneWith(u"bob@x.test"));
    window->close();
    window->close();
    ASSERT_EQ(host.closed.size(), 1u);
    EXPECT_TRUE(window->SessionEnded());
}

TEST_F(Conversation, ALostConnectionKeepsHistoryAndDraftButEndsTheSession)
{
    Open();
    window->OnMessage(u"bob@x.test", PlainMessage("bye?"));
    Type(QStringLiteral("unsent draft"));
    window->MarkConnectionLost(QStringLiteral("The connection to the server was lost"));
    EXPECT_TRUE(window->SessionEnded());
    EXPECT_TRUE(window->Input()->isReadOnly());
    EXPECT_FALSE(window->SendButton()->isEnabled());
    EXPECT_FALSE(window->FontButton()->isEnabled());
    EXPECT_EQ(InputText(), "unsent draft");
    EXPECT_EQ(History(), "Bob:\nbye?\nThe connection to the server was lost:\n");
    EXPECT_TRUE(window->isVisible());
    // Nothing revives it: not a session update, not the Invite entry.
    window->OnSessionUpdate(u"me@x.test,bob@x.test");
    EXPECT_TRUE(window->Input()->isReadOnly());
    window->Invite();
    EXPECT_EQ(window->InvitePicker(), nullptr);
    EXPECT_TRUE(host.closed.empty());
}

TEST_F(Conversation, ASendStillOutWhenTheConnectionIsLostComesBackIntoTheDraft)
{
    // Its answer will never come: the text must not vanish with the request.
    Open();
    Type(QStringLiteral("on its way"));
    window->Send();
    ASSERT_TRUE(window->SendOutstanding());
    Type(QStringLiteral("typed since"));
    window->MarkConnectionLost(QStringLiteral("The connection to the server was lost"));
    EXPECT_FALSE(window->SendOutstanding());
    EXPECT_EQ(InputText(), "on its way\ntyped since");
}

struct OneToOneRow
{
    const char* name;
    std::vector<const char*> updates;
    bool timedOut;
    bool withBob;
};

class OneToOne : public Conversation, public WithParamInterface<OneToOneRow>
{
};

TEST_P(OneToOne, OnlyWhileBobIsTheOnlyOtherOne)
{
    const OneToOneRow& row = GetParam();
    Open();
    for (const char* update : row.updates)
        window->OnSessionUpdate(U(update));
    if (row.timedOut)
        window->OnSessionTimeout();
    EXPECT_EQ(window->IsOneToOneWith(u"BOB@x.test"), row.withBob);
}

INSTANTIATE_TEST_SUITE_P(
    Sessions, OneToOne,
    Values(OneToOneRow{"just_the_two", {}, false, true},
           OneToOneRow{"a_third_joined", {"me@x.test,bob@x.test,carol@x.test"}, false, false},
           OneToOneRow{"the_third_left_again",
                       {"me@x.test,bob@x.test,carol@x.test", "me@x.test,bob@x.test"},
                       false,
                       true},
           OneToOneRow{"bob_left", {"me@x.test"}, false, false},
           OneToOneRow{"timed_out", {}, true, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Conversation, ABetterNameRenamesTheToLineAndTitle)
{
    Open();
    window->OnSessionUpdate(u"me@x.test,bob@x.test,zed@y.test");
    EXPECT_EQ(S(window->windowTitle()), "Bob, zed - Conversation");
    window->UpdateParticipantName(u"zed@y.test", u"Zed Zeta");
    EXPECT_EQ(S(window->ToLine()), "Bob <bob@x.test>; Zed Zeta <zed@y.test>");
    EXPECT_EQ(S(window->windowTitle()), "Bob, Zed Zeta - Conversation");
}

// ---- invite -------------------------------------------------------------------------------

TEST_F(Conversation, InviteOffersOnlineContactsNotInTheSessionAndOneWhoLeft)
{
    Open();
    window->OnSessionUpdate(u"me@x.test,bob@x.test,carol@x.test");
    window->OnSessionUpdate(u"me@x.test,bob@x.test"); // Carol left
    window->Invite();
    contacts::CContactDialog* picker = window->InvitePicker();
    ASSERT_NE(picker, nullptr);
    EXPECT_EQ(Rows(*picker), "Carol;Dave;");
    EXPECT_EQ(S(picker->windowTitle()), "Invite");
    EXPECT_EQ(picker->windowModality(), Qt::WindowModal);
    EXPECT_EQ(picker->parent(), nullptr);

    Select(*picker, QStringLiteral("Carol"));
    picker->OkButton()->click();
    ASSERT_EQ(host.invited.size(), 1u);
    EXPECT_EQ(host.invited[0].sessionId, "s1");
    EXPECT_EQ(host.invited[0].email, u"carol@x.test");
    QPointer<contacts::CContactDialog> gone(picker);
    // Deferred deletion runs when control is back in an event loop; here the test flushes it.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(gone.isNull());

    host.CompleteInvite(ImResult::Ok);
    EXPECT_EQ(S(window->ToLine()), "Bob <bob@x.test>; Carol <carol@x.test>");
    EXPECT_NE(History().rfind("'Carol' has joined the conversation:\n"), std::string::npos);
}

TEST_F(Conversation, ASuccessfulInviteAfterTimeOutRevivesTheSession)
{
    Open();
    window->OnSessionTimeout();
    PickInvite(QStringLiteral("Carol"))->OkButton()->click();
    host.CompleteInvite(ImResult::Ok);
    EXPECT_FALSE(window->SessionEnded());
    EXPECT_FALSE(window->Input()->isReadOnly());
    EXPECT_TRUE(window->FontButton()->isEnabled());
}

TEST_F(Conversation, CancelOrClosingThePickerInvitesNobody)
{
    Open();
    PickInvite(QStringLiteral("Carol"))->CancelButton()->click();
    contacts::CContactDialog* second = PickInvite(QStringLiteral("Dave"));
    ASSERT_NE(second, nullptr);
    second->close();
    EXPECT_TRUE(host.invited.empty());
    EXPECT_EQ(window->InvitePicker(), nullptr);
}

TEST_F(Conversation, AContactGoneByTheTimeOfOkIsNotInvited)
{
    Open();
    contacts::CContactDialog* picker = PickInvite(QStringLiteral("Dave"));
    ASSERT_NE(picker, nullptr);
    host.contactRows[2] = Row("Dave", "dave@x.test", false, 13); // went offline meanwhile
    picker->OkButton()->click();
    EXPECT_TRUE(host.invited.empty());
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(Conversation, WithEveryoneAlreadyInTheListHoldsOnlyTheNotice)
{
    host.contactRows = {Row("Bob", "bob@x.test")};
    Open();
    window->Invite();
    ASSERT_NE(window->InvitePicker(), nullptr);
    EXPECT_EQ(Rows(*window->InvitePicker()),
              "All your online contacts have already been added to this conversation.;");
    Select(*window->InvitePicker(),
           QStringLiteral("All your online contacts have already been added to "
                          "this conversation."));
    EXPECT_FALSE(window->InvitePicker()->OkButton()->isEnabled());
}

struct InviteFailureRow
{
    const char* name;
    ImResult result;
    std::string box;
};

class InviteFailure : public Conversation, public WithParamInterface<InviteFailureRow>
{
};

TEST_P(InviteFailure, ShowsItsBoxAndChangesNothing)
{
    Open();
    PickInvite(QStringLiteral("Carol"))->OkButton()->click();
    host.CompleteInvite(GetParam().result);
    EXPECT_EQ(Boxes(), std::vector<std::string>{GetParam().box});
    EXPECT_EQ(S(window->ToLine()), "Bob <bob@x.test>");
    EXPECT_EQ(History(), "");
}

INSTANTIATE_TEST_SUITE_P(
    Replies, InviteFailure,
    Values(InviteFailureRow{"already_present", ImResult::AlreadyPresent,
                            "'Carol' has already joined the conversation"},
           InviteFailureRow{"charset_mismatch", ImResult::CharsetMismatch,
                            "You can not send an instant message to a contact with a different "
                            "character set."},
           InviteFailureRow{"other", ImResult::TimedOut, "Failed to invite 'Carol'."}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- block --------------------------------------------------------------------------------

TEST_F(Conversation, BlockOffersParticipantsNotYetBlockedWhoAreContactsAndAsksFirst)
{
    Open();
    window->OnSessionUpdate(u"me@x.test,bob@x.test,carol@x.test,erin@x.test,dave@x.test");
    window->OnSessionUpdate(u"me@x.test,bob@x.test,carol@x.test,erin@x.test"); // Dave left
    for (const auto answer : {QMessageBox::No, QMessageBox::Yes}) {
        SCOPED_TRACE(answer == QMessageBox::Yes ? "Yes" : "No");
        window->Block();
        window->Block(); // a second press while the list is being fetched
        ASSERT_EQ(host.listings.size(), answer == QMessageBox::Yes ? 2u : 1u);
        host.CompleteListing(ImResult::Ok, {Person("Carol", "CAROL@x.test")});
        contacts::CContactDialog* picker = window->BlockPicker();
        ASSERT_NE(picker, nullptr);
        EXPECT_EQ(Rows(*picker), "Bob;"); // Erin is no contact, Dave left, Carol is blocked
        EXPECT_EQ(S(picker->windowTitle()), "Block");

        Select(*picker, QStringLiteral("Bob"));
        picker->OkButton()->click();
        // Nothing goes out until the question is answered, and only Yes blocks.
        auto* box = window->findChild<QMessageBox*>(QStringLiteral("ConfirmBlock"));
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(S(box->text()),
                  "Block 'Bob'? You will no longer receive messages from this user.");
        EXPECT_EQ(box->defaultButton(), box->button(QMessageBox::No));
        EXPECT_EQ(box->windowModality(), Qt::WindowModal);
        EXPECT_TRUE(host.blockedRequests.empty());
        box->button(answer)->click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    ASSERT_EQ(host.blockedRequests.size(), 1u);
    EXPECT_EQ(host.blockedRequests[0].email, u"bob@x.test");
    EXPECT_EQ(host.blockedRequests[0].id, 11);
}

TEST_F(Conversation, BlockWithNobodyToOfferShowsTheNoticeAndCancelBlocksNobody)
{
    Open();
    window->Block();
    host.CompleteListing(ImResult::Ok, {Person("Bob", "bob@x.test")});
    contacts::CContactDialog* picker = window->BlockPicker();
    ASSERT_NE(picker, nullptr);
    EXPECT_EQ(Rows(*picker), "All participants are already in your block list.;");
    picker->CancelButton()->click();
    EXPECT_TRUE(host.blockedRequests.empty());
    EXPECT_EQ(window->BlockPicker(), nullptr);
}

// ---- closing, keys, settings --------------------------------------------------------------

TEST_F(Conversation, ClosingSavesPlacementFontAndColourAndDestroysThePickers)
{
    Open();
    QFont font(QStringLiteral("Serif"), 13);
    font.setItalic(true);
    window->ApplyInputFormat(font, QColor(10, 20, 200));
    window->Invite();
    QPointer<contacts::CContactDialog> picker(window->InvitePicker());
    ASSERT_FALSE(picker.isNull());
    window->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(picker.isNull());
    ASSERT_EQ(host.closed.size(), 1u);

    Settings settings;
    EXPECT_FALSE(settings.ReadRecord(setting::MessageWp).isEmpty());
    EXPECT_EQ(S(settings.ReadText(setting::MessageLf)), S(font.toString()));
    EXPECT_EQ(settings.ReadInt(setting::MessageColor, 0), 10 | (20 << 8) | (200 << 16));

    window.reset();
    Open();
    EXPECT_EQ(window->InputFont(), font);
    EXPECT_EQ(window->InputColour(), QColor(10, 20, 200));
    QTest::keyClicks(window->Input(), QStringLiteral("styled"));
    QTextCursor at(window->Input()->document());
    at.setPosition(2);
    EXPECT_TRUE(at.charFormat().fontItalic());
    EXPECT_EQ(at.charFormat().foreground().color(), QColor(10, 20, 200));
}

TEST_F(Conversation, TheFontDialogIsWindowModalAndItsChoiceStylesTheInput)
{
    Settings().WriteInt(setting::MessageColor, 0x0000c8); // red, as a colour reference
    Open();
    window->ChangeFont();
    auto* dialog = window->findChild<QFontDialog*>();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->windowModality(), Qt::WindowModal);
    // The sample is in the chosen colour, and the face a real family with its bold.
    auto* sample = dialog->findChild<QLineEdit*>(QStringLiteral("qt_fontDialog_sampleEdit"));
    ASSERT_NE(sample, nullptr);
    EXPECT_EQ(sample->palette().color(QPalette::Text), QColor(200, 0, 0));
    EXPECT_TRUE(QFontDatabase::styles(dialog->currentFont().family()).join(u',').contains(u"Bold"))
        << S(dialog->currentFont().family());
    QFont chosen(QStringLiteral("Monospace"), 15);
    chosen.setUnderline(true);
    dialog->setCurrentFont(chosen);
    dialog->accept();
    EXPECT_EQ(window->InputFont().pointSize(), 15);
    EXPECT_TRUE(window->InputFont().underline());
    EXPECT_EQ(window->InputColour(), QColor(200, 0, 0));

    window->OnSessionTimeout();
    window->ChangeFont(); // "Font" is off once the session ended
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(window->findChild<QFontDialog*>(), nullptr);
}

TEST_F(Conversation, EscapeClosesAndF6SwitchesPanes)
{
    Open();
    window->activateWindow();
    ASSERT_TRUE(test::WaitUntil([&] { return window->isActiveWindow(); }));
    window->Input()->setFocus();
    QTest::keyClick(window->Input(), Qt::Key_F6);
    EXPECT_TRUE(window->History()->hasFocus());
    QTest::keyClick(window->History(), Qt::Key_F6, Qt::ShiftModifier);
    EXPECT_TRUE(window->Input()->hasFocus());
    QTest::keyClick(window->Input(), Qt::Key_Escape);
    EXPECT_EQ(host.closed.size(), 1u);
}

TEST_F(Conversation, TypingInTheHistoryGoesToTheInputButPagingStays)
{
    Open();
    window->activateWindow();
    ASSERT_TRUE(test::WaitUntil([&] { return window->isActiveWindow(); }));
    window->History()->setFocus();
    QTest::keyClick(window->History(), Qt::Key_PageDown);
    QTest::keyClick(window->History(), Qt::Key_End);
    EXPECT_TRUE(window->History()->hasFocus());
    QTest::keyClicks(window->History(), QStringLiteral("hi"));
    EXPECT_TRUE(window->Input()->hasFocus());
    EXPECT_EQ(InputText(), "hi");
}

// Every key, in every state of the window, to every control: nothing recurses or crashes, and
// an input that takes no text looks read-only and says why.
TEST_F(Conversation, EveryKeyInEveryStateLeavesTheWindowRunning)
{
    using Enter = void (*)(MessageWindow&);
    const std::pair<const char*, Enter> states[] = {
        {"active", [](MessageWindow&) {}},
        {"nobody left", [](MessageWindow& w) { w.OnSessionUpdate(u"me@x.test"); }},
        {"timed out", [](MessageWindow& w) { w.OnSessionTimeout(); }},
        {"connection lost", [](MessageWindow& w) { w.MarkConnectionLost(QStringLiteral("x")); }},
        {"send in flight", [](MessageWindow& w) { w.Input()->setPlainText("out"), w.Send(); }},
    };
    const std::pair<Qt::Key, const char*> keys[] = {
        {Qt::Key_A, "a"},    {Qt::Key_Return, "\r"}, {Qt::Key_Left, ""}, {Qt::Key_Backspace, "\b"},
        {Qt::Key_Tab, "\t"}, {Qt::Key_B, "\x02"},    {Qt::Key_Menu, ""}, {Qt::Key_Delete, "\x7f"}};
    for (const auto& [name, enter] : states) {
        for (const bool enterSends : {false, true}) {
            host.own.accountFlags.enterSendsMessage = enterSends;
            Open();
            window->OnMessage(u"bob@x.test", PlainMessage("hello"));
            enter(*window);
            const std::string input = InputText();
            const bool writable = !window->Input()->isReadOnly();
            for (QWidget* to : std::initializer_list<QWidget*>{
                     window.get(), window->History(), window->Input(), window->SendButton()}) {
                for (const auto& [key, text] : keys) {
                    for (const auto mods : {Qt::NoModifier, Qt::ShiftModifier, Qt::ControlModifier})
                        Key(to, key, mods, QString::fromUtf8(text));
                }
            }
            EXPECT_EQ(window->Input()->placeholderText().isEmpty(), writable) << name;
            if (!writable) {
                EXPECT_EQ(InputText(), input) << name;
                EXPECT_EQ(window->Input()->palette().color(QPalette::Active, QPalette::Base),
                          window->palette().color(QPalette::Disabled, QPalette::Base));
            }
            window.reset();
        }
    }
}

TEST_F(Conversation, CtrlBIAndUStyleTheInputAndTheSizeKeepsEveryPaneUsable)
{
    Open();
    for (const Qt::Key key : {Qt::Key_B, Qt::Key_I, Qt::Key_B, Qt::Key_U})
        Key(window->Input(), key, Qt::ControlModifier);
    const QTextCharFormat typed = window->Input()->currentCharFormat();
    EXPECT_TRUE(typed.fontWeight() == QFont::Normal && typed.fontItalic() && typed.fontUnderline());

    window->resize(10, 10);
    QCoreApplication::processEvents();
    const QRect send = window->SendButton()->geometry();
    EXPECT_GE(window->History()->height(), 3 * send.height());
    EXPECT_GT(window->Input()->width(), send.width());
    EXPECT_TRUE(window->Input()->parentWidget()->rect().contains(send));
}

// Unsent text of a closed one-to-one conversation comes back in the next one with that contact
// (case aside), never in a group and never twice.
TEST_F(Conversation, ClosingKeepsTheDraftForTheNextConversationWithThatContact)
{
    const auto reopen = [&](std::initializer_list<const char16_t*> others) {
        window = std::make_unique<MessageWindow>(host, "s2");
        window->AddParticipant(u"me@x.test", u"Me");
        for (const char16_t* other : others)
            window->AddParticipant(other, u"Other");
        window->OnMessage(*others.begin(), PlainMessage("back"));
        return InputText();
    };
    Open();
    Type(QStringLiteral("half a thought"));
    window->close();
    EXPECT_EQ(reopen({u"bob@x.test", u"carol@x.test"}), "") << "a group gets no draft";
    window->close();
    EXPECT_EQ(reopen({u"Bob@X.test"}), "half a thought");
    window->Input()->clear();
    window->close();
    EXPECT_EQ(reopen({u"bob@x.test"}), "");
}

TEST_F(Conversation, EditMenuFollowsTheFocusedPane)
{
    Open();
    window->OnMessage(u"bob@x.test", PlainMessage("history"));
    window->History()->selectAll();
    window->History()->setFocus();
    QMenu* edit = window->MenuBar()->actions().at(1)->menu();
    ASSERT_NE(edit, nullptr);
    emit edit->aboutToShow();
    std::string state;
    for (QAction* a : edit->actions())
        state += a->isSeparator() ? "-" : (a->isEnabled() ? "+" : ".");
    EXPECT_EQ(state, "..+..+-+"); // Undo Cut Copy Paste Delete SelectAll - ChangeFont
}

TEST_F(Conversation, PanesButtonsAndToLineCarryAccessibleNames)
{
    Open();
    EXPECT_FALSE(window->History()->accessibleName().isEmpty());
    EXPECT_FALSE(window->Input()->accessibleName().isEmpty());
    EXPECT_EQ(S(window->SendButton()->accessibleName()), "Send");
    EXPECT_EQ(S(window->FontButton()->accessibleName()), "Font");
    EXPECT_EQ(S(window->findChild<QLabel*>()->accessibleName()), "To");
    EXPECT_EQ(window->parent(), nullptr);
}

} // namespace
} // namespace zep::conversations

#include "message_window_test.moc"
