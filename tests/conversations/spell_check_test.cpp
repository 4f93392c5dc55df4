// Spell checking of the input panes against the installed English dictionary (hunspell-en-us),
// and a checker without dictionaries.
#include "conversations/rich_edit_ctrl_ex.h"
#include "conversations/spell_checker.h"
#include "conversations/spell_highlighter.h"

#include <QMenu>
#include <QTextBlock>
#include <QTextLayout>
#include <gtest/gtest.h>

namespace zep::conversations {
namespace {

QString Underlined(const CRichEditCtrlEx& pane)
{
    QStringList words;
    const QTextBlock block = pane.document()->firstBlock();
    for (const QTextLayout::FormatRange& range : block.layout()->formats())
        if (range.format.underlineStyle() == QTextCharFormat::SpellCheckUnderline)
            words << block.text().mid(range.start, range.length);
    return words.join(u',');
}

// The menu at `position` as its entries' texts; the entry `choose` is chosen.
QStringList MenuTexts(CRichEditCtrlEx& pane, int position, const QString& choose = {})
{
    QMenu menu;
    menu.addAction(QStringLiteral("Undo"));
    if (pane.Spelling() != nullptr)
        pane.Spelling()->AddMenuEntries(menu, position);
    QStringList texts;
    for (QAction* action : menu.actions()) {
        texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
        if (action->text() == choose)
            action->trigger();
    }
    return texts;
}

class Spelling : public ::testing::Test
{
protected:
    SpellChecker english{QStringList{QStringLiteral("en_US")}};
    CRichEditCtrlEx pane;
};

TEST_F(Spelling, MisspelledWordsAreUnderlinedAndTheMenuOffersTheirMending)
{
    ASSERT_TRUE(english.Available()) << "hunspell-en-us is installed by scripts/deps";
    pane.EnableSpellCheck(english);
    pane.setPlainText(QStringLiteral("Ths is a tset of 42 wrods"));
    EXPECT_EQ(Underlined(pane), QStringLiteral("Ths,tset,wrods"));

    const int tset = static_cast<int>(pane.toPlainText().indexOf(QStringLiteral("tset")));
    const QStringList menu = MenuTexts(pane, tset + 1);
    EXPECT_TRUE(menu.contains(QStringLiteral("test"))) << menu.join(u'|').toStdString();
    EXPECT_LE(menu.indexOf(QStringLiteral("Ignore")), 8) << "at most five suggestions";
    for (const char* entry : {"Add to Dictionary", "Ignore", "Spelling Language", "Undo"})
        EXPECT_TRUE(menu.contains(QString::fromLatin1(entry))) << entry;
    // A word spelled right has no suggestions, only the language.
    EXPECT_EQ(MenuTexts(pane, 5), (QStringList{QStringLiteral("Spelling Language"),
                                               QStringLiteral("-"), QStringLiteral("Undo")}));

    // A suggestion takes the word's place; "Ignore" takes the underline away.
    MenuTexts(pane, tset + 1, QStringLiteral("test"));
    EXPECT_EQ(pane.toPlainText(), QStringLiteral("Ths is a test of 42 wrods"));
    MenuTexts(pane, 1, QStringLiteral("Ignore"));
    EXPECT_EQ(Underlined(pane), QStringLiteral("wrods"));
}

TEST_F(Spelling, WithoutADictionaryNothingIsCheckedOrOffered)
{
    SpellChecker none{QStringList{}};
    EXPECT_FALSE(none.Available());
    EXPECT_TRUE(none.Check(QStringLiteral("wrods")));
    pane.EnableSpellCheck(none);
    pane.setPlainText(QStringLiteral("Ths wrods"));
    EXPECT_EQ(pane.Spelling(), nullptr);
    EXPECT_EQ(Underlined(pane), QString());
    EXPECT_EQ(MenuTexts(pane, 1), QStringList{QStringLiteral("Undo")});
}

TEST(SpellLanguage, StoredThenInterfaceThenEnglishThenAny)
{
    const QStringList both{QStringLiteral("de_DE"), QStringLiteral("en_GB"),
                           QStringLiteral("en_US")};
    const struct
    {
        QStringList installed;
        const char* stored;
        const char* interface;
        const char* chosen;
    } rows[] = {
        {both, "en_GB", "de_DE", "en_GB"},
        {both, "fr_FR", "de_AT", "de_DE"},
        {both, "", "fr_FR", "en_US"},
        {{QStringLiteral("de_DE")}, "", "fr_FR", "de_DE"},
        {{}, "", "de_DE", ""},
    };
    for (const auto& row : rows)
        EXPECT_EQ(ChooseSpellLanguage(row.installed, QString::fromLatin1(row.stored),
                                      QString::fromLatin1(row.interface)),
                  QString::fromLatin1(row.chosen))
            << row.stored << " " << row.interface;
}

} // namespace
} // namespace zep::conversations
