// Spell checking while typing: a paste of 10 000 characters (English text in which every fifth
// word is a misspelling of its own, so hundreds of different words reach the dictionary) into
// an input pane with the English dictionary, timed until the pane has checked and underlined
// it, over 20 runs, each with a new checker (nothing cached).
//   bench_spell [characters] [runs]   (offscreen)
#include "conversations/rich_edit_ctrl_ex.h"
#include "conversations/spell_checker.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextLayout>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

using namespace zep::conversations;

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const int characters = argc > 1 ? std::atoi(argv[1]) : 10000;
    const int runs = argc > 2 ? std::atoi(argv[2]) : 20;
    const char* words[] = {"the",   "meeting", "starts", "at",    "three",   "in",     "the",
                           "large", "room",    "please", "bring", "your",    "notes",  "and",
                           "the",   "report",  "from",   "last",  "quarter", "receive"};
    QString text;
    for (int i = 0; text.size() < characters; ++i) {
        QString word = QString::fromLatin1(words[i % 20]);
        if (i % 5 == 4) // a letter that does not belong, different each time
            word.insert((i / 5) % word.size(), QChar(u'a' + (i / 7) % 26));
        text += word + (i % 12 == 11 ? QStringLiteral(". ") : QStringLiteral(" "));
    }
    text.truncate(characters);
    std::vector<double> times;
    int underlined = 0;
    for (int run = 0; run < runs; ++run) {
        SpellChecker checker{QStringList{QStringLiteral("en_US")}};
        if (!checker.Available()) {
            std::fprintf(stderr, "no en_US dictionary\n");
            return 1;
        }
        CRichEditCtrlEx pane;
        pane.EnableSpellCheck(checker);
        QElapsedTimer timer;
        timer.start();
        pane.textCursor().insertText(text);
        times.push_back(timer.nsecsElapsed() / 1e6);
        underlined = 0;
        for (QTextBlock b = pane.document()->begin(); b.isValid(); b = b.next())
            underlined += static_cast<int>(b.layout()->formats().size());
    }
    std::sort(times.begin(), times.end());
    std::printf("paste of %d characters, checked and underlined: median %.1f ms (min %.1f, max "
                "%.1f, %d runs); %d words underlined\n",
                characters, times[times.size() / 2], times.front(), times.back(), runs, underlined);
    return 0;
}
