// The rich text reader under load.
//   rtf_bench [runs]: reads a 1 MiB document of formatted, partly non-ASCII text (MiB/s), a
//     200 000-deep nesting attack (ms), and inserts the 1 MiB document into a QTextDocument.
#include "conversations/rtf_reader.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

using namespace zep::conversations;

namespace {

// Paragraphs as other clients write them: font and colour changes, bold words, code page
// bytes, \uN characters and a field now and then.
std::string Document(std::size_t bytes)
{
    std::string rtf = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fnil\\fcharset0 "
                      "Tahoma;}{\\f1\\fswiss\\fcharset0 Arial;}}\r\n{\\colortbl ;\\red255\\green0"
                      "\\blue0;\\red0\\green0\\blue255;}\r\n\\viewkind4\\uc1\\pard\\f0\\fs20 ";
    for (int i = 0; rtf.size() < bytes; ++i) {
        rtf += "Meeting at ten in the caf\\'e9, \\b bring\\b0  the \\cf1 slides\\cf0  and "
               "\\i notes\\i0 . Pr\\'fcfung \\u9786? \\u8364? 12,50 \\{ok\\} ";
        if (i % 8 == 0)
            rtf += "{\\field{\\*\\fldinst HYPERLINK \"http://example.com/\"}{\\fldrslt "
                   "example.com}} ";
        if (i % 4 == 3)
            rtf += "\\f1\\fs24 larger text\\f0\\fs20 ";
        rtf += "\\par\r\n";
    }
    return rtf + "}";
}

// Median and minimum in milliseconds of `runs` calls.
std::pair<double, double> Time(int runs, const std::function<void()>& work)
{
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        work();
        ms.push_back(t.nsecsElapsed() / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms.front()};
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;

    const std::string document = Document(1024 * 1024);
    const double mib = document.size() / (1024.0 * 1024.0);
    std::size_t paragraphs = 0;
    const auto [parse, parseMin] =
        Time(runs, [&] { paragraphs = ParseRtf(document).paragraphs.size(); });
    std::printf("ParseRtf, %.2f MiB, %zu paragraphs: median %.1f ms (min %.1f) = %.0f MiB/s\n", mib,
                paragraphs, parse, parseMin, mib / (parse / 1000));

    const std::string open(200000, '{');
    const std::string nested = "{\\rtf1 " + open + "x" + std::string(200000, '}') + "y}";
    const auto [deep, deepMin] = Time(runs, [&] { ParseRtf(nested); });
    const auto [unclosed, unclosedMin] = Time(runs, [&] { ParseRtf("{\\rtf1 " + open); });
    std::printf("200000-deep nesting, closed: median %.2f ms (min %.2f); unclosed: median %.2f "
                "ms (min %.2f)\n",
                deep, deepMin, unclosed, unclosedMin);

    const RtfDocument parsed = ParseRtf(document);
    const int insertRuns = std::max(1, runs / 5);
    int blocks = 0;
    const auto [insert, insertMin] = Time(insertRuns, [&] {
        QTextDocument target;
        QTextCursor cursor(&target);
        InsertRtf(cursor, parsed, QTextCharFormat());
        blocks = target.blockCount();
    });
    std::printf("InsertRtf of the same %.2f MiB (%d blocks): median %.0f ms (min %.0f) over %d "
                "runs\n",
                mib, blocks, insert, insertMin, insertRuns);
    return 0;
}
