// The rich edit pane: its editing menu and rules, keys, paste without pictures, and appending
// that leaves the user's selection alone.
#include "conversations/rich_edit_ctrl_ex.h"
#include "tests/support/qt_wait.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QTextBlock>
#include <QVBoxLayout>
#include <gtest/gtest.h>

namespace zep::conversations {
namespace {

std::string MenuState(QMenu& menu)
{
    std::string out;
    for (QAction* a : menu.actions()) {
        if (a->isSeparator()) {
            out += "-|";
            continue;
        }
        out += a->text().toStdString() + (a->isEnabled() ? "+" : "") + "|";
    }
    return out;
}

struct MenuRow
{
    const char* name;
    bool readOnly;
    QString text;
    int selectFrom; // -1: caret at the start, nothing selected
    int selectTo;
    bool clipboardText;
    bool typed; // text typed by the user, so there is something to undo
    std::string menu;
};

class EditMenu : public ::testing::TestWithParam<MenuRow>
{
};

TEST_P(EditMenu, EntriesFollowTheRules)
{
    const MenuRow& row = GetParam();
    QApplication::clipboard()->clear();
    if (row.clipboardText)
        QApplication::clipboard()->setText(QStringLiteral("pasted"));
    CRichEditCtrlEx pane;
    pane.setPlainText(row.text);
    if (row.typed)
        pane.textCursor().insertText(QStringLiteral("x"));
    QTextCursor cursor = pane.textCursor();
    cursor.setPosition(0);
    if (row.selectFrom >= 0) {
        cursor.setPosition(row.selectFrom);
        cursor.setPosition(row.selectTo, QTextCursor::KeepAnchor);
    }
    pane.setTextCursor(cursor);
    pane.setReadOnly(row.readOnly);
    std::unique_ptr<QMenu> menu(pane.CreateEditMenu(nullptr));
    EXPECT_EQ(MenuState(*menu), row.menu);
}

INSTANTIATE_TEST_SUITE_P(
    Panes, EditMenu,
    ::testing::Values(MenuRow{"read_only_with_selection_offers_copy_and_select_all", true,
                              "history", 0, 4, true, false,
                              "Undo|-|Cut|Copy+|Paste|Delete|-|Select All+|"},
                      MenuRow{"read_only_without_selection", true, "history", -1, -1, true, false,
                              "Undo|-|Cut|Copy|Paste|Delete|-|Select All+|"},
                      MenuRow{"caret_at_the_start_of_text_still_selects_all", false, "draft", -1,
                              -1, false, false, "Undo|-|Cut|Copy|Paste|Delete|-|Select All+|"},
                      MenuRow{"empty_pane_selects_nothing", false, "", -1, -1, false, false,
                              "Undo|-|Cut|Copy|Paste|Delete|-|Select All|"},
                      MenuRow{"selection_in_input_with_clipboard_and_undo", false, "draft", 1, 3,
                              true, true, "Undo+|-|Cut+|Copy+|Paste+|Delete+|-|Select All+|"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(EditCommands, DoRefusesDisabledCommandsAndCarriesOutEnabledOnes)
{
    CRichEditCtrlEx pane;
    pane.setPlainText(QStringLiteral("keep this"));
    QTextCursor cursor = pane.textCursor();
    cursor.setPosition(0);
    cursor.setPosition(5, QTextCursor::KeepAnchor);
    pane.setTextCursor(cursor);
    pane.setReadOnly(true);
    EXPECT_FALSE(pane.Do(EditCommand::Delete));
    EXPECT_EQ(pane.toPlainText().toStdString(), "keep this");
    pane.setReadOnly(false);
    EXPECT_TRUE(pane.Do(EditCommand::Delete));
    EXPECT_EQ(pane.toPlainText().toStdString(), "this");
    EXPECT_TRUE(pane.Do(EditCommand::SelectAll));
    EXPECT_EQ(pane.SelectionPlainText().toStdString(), "this");
}

TEST(Keys, TabLeavesThePaneAndEnterStays)
{
    QWidget host;
    auto* layout = new QVBoxLayout(&host);
    auto* pane = new CRichEditCtrlEx(&host);
    auto* next = new QLineEdit(&host);
    layout->addWidget(pane);
    layout->addWidget(next);
    host.show();
    host.activateWindow();
    ASSERT_TRUE(test::WaitUntil([&] { return host.isActiveWindow(); }));
    pane->setFocus();
    ASSERT_TRUE(test::WaitUntil([&] { return pane->hasFocus(); }));

    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
    QApplication::sendEvent(pane, &enter);
    EXPECT_EQ(pane->document()->blockCount(), 2);
    EXPECT_TRUE(pane->hasFocus());

    QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier, QStringLiteral("\t"));
    QApplication::sendEvent(pane, &tab);
    EXPECT_FALSE(pane->toPlainText().contains(u'\t'));
    EXPECT_TRUE(next->hasFocus());
}

TEST(Appending, LeavesTheUsersSelectionAndCaretAlone)
{
    CRichEditCtrlEx pane;
    pane.setReadOnly(true);
    pane.AppendPlain(QStringLiteral("first line\nsecond line"), QTextCharFormat());
    QTextCursor selection = pane.textCursor();
    selection.setPosition(0);
    selection.setPosition(5, QTextCursor::KeepAnchor);
    pane.setTextCursor(selection);

    const int start = pane.AppendPlain(QStringLiteral("arrived later"), QTextCharFormat());
    EXPECT_EQ(pane.SelectionPlainText().toStdString(), "first");
    EXPECT_EQ(pane.textCursor().selectionStart(), 0);
    EXPECT_EQ(start, QStringLiteral("first line\nsecond line\n").size());
    EXPECT_EQ(pane.toPlainText().toStdString(), "first line\nsecond line\narrived later\n");
    EXPECT_FALSE(pane.LastLineHoldsText());
}

TEST(Appending, IndentCoversTheNewParagraphsButNotTheEmptyLastLine)
{
    CRichEditCtrlEx pane;
    pane.AppendPlain(QStringLiteral("caption"), QTextCharFormat());
    const int start = pane.AppendPlain(QStringLiteral("one\ntwo"), QTextCharFormat());
    pane.IndentFrom(start, 7);
    std::vector<qreal> margins;
    for (QTextBlock b = pane.document()->begin(); b.isValid(); b = b.next())
        margins.push_back(b.blockFormat().leftMargin());
    EXPECT_EQ(margins, (std::vector<qreal>{0, 7, 7, 0}));
}

TEST(Paste, ImagesAreRefusedAndHtmlLosesItsPictures)
{
    CRichEditCtrlEx pane;
    auto* picture = new QMimeData;
    picture->setImageData(QImage(4, 4, QImage::Format_RGB32));
    QApplication::clipboard()->setMimeData(picture);
    EXPECT_FALSE(pane.CanPaste());

    auto* html = new QMimeData;
    html->setHtml(QStringLiteral("<p>see <b>this</b><img src=\"file:///etc/passwd\"> now</p>"));
    QApplication::clipboard()->setMimeData(html);
    ASSERT_TRUE(pane.CanPaste());
    pane.Do(EditCommand::Paste);
    const QString text = pane.toPlainText();
    EXPECT_EQ(text.toStdString(), "see this now");
    EXPECT_FALSE(text.contains(QChar::ObjectReplacementCharacter));
}

TEST(Paste, RtfFromTheClipboardKeepsItsFormatting)
{
    CRichEditCtrlEx pane;
    auto* offered = new QMimeData;
    offered->setData(QStringLiteral("text/rtf"),
                     QByteArray("{\\rtf1\\ansi{\\fonttbl\\f0 Arial;}\\f0 plain \\b bold\\b0}"));
    offered->setText(QStringLiteral("plain bold"));
    QApplication::clipboard()->setMimeData(offered);
    pane.Do(EditCommand::Paste);
    EXPECT_EQ(pane.toPlainText().toStdString(), "plain bold");
    QTextCursor at(pane.document());
    at.setPosition(8); // inside "bold"
    EXPECT_EQ(at.charFormat().fontWeight(), QFont::Bold);
    at.setPosition(2);
    EXPECT_NE(at.charFormat().fontWeight(), QFont::Bold);
}

TEST(Copy, OffersRtfBesidePlainText)
{
    CRichEditCtrlEx pane;
    pane.setPlainText(QStringLiteral("copied words"));
    pane.selectAll();
    pane.Do(EditCommand::Copy);
    const QMimeData* copied = QApplication::clipboard()->mimeData();
    ASSERT_NE(copied, nullptr);
    EXPECT_EQ(copied->text().toStdString(), "copied words");
    const QByteArray rtf = copied->data(QStringLiteral("text/rtf"));
    EXPECT_TRUE(rtf.startsWith("{\\rtf1"));
    EXPECT_TRUE(rtf.contains("copied words"));
}

TEST(Colours, WhiteBaseAndBlackTextUnderADarkTheme)
{
    const QPalette saved = QApplication::palette();
    QPalette dark = saved;
    dark.setColor(QPalette::Base, QColor(30, 30, 30));
    dark.setColor(QPalette::Text, QColor(230, 230, 230));
    QApplication::setPalette(dark);
    CRichEditCtrlEx pane;
    const QColor base = pane.palette().color(QPalette::Base);
    const QColor text = pane.palette().color(QPalette::Text);
    QApplication::setPalette(saved);
    EXPECT_EQ(base, QColor(Qt::white));
    EXPECT_EQ(text, QColor(Qt::black));
}

} // namespace
} // namespace zep::conversations
