#include "desktop/desktop_notice.h"

#include <gtest/gtest.h>

namespace zep {
namespace {

TEST(NoticeBody, StartOfAMessageForADesktopNotice)
{
    const QString pair = QString::fromUtf16(u"\U0001F600"); // one character, two UTF-16 units
    const struct
    {
        const char* name;
        QString text;
        int limit;
        QString body;
    } rows[] = {
        {"short text stays", QStringLiteral("  hello \n"), 10, QStringLiteral("hello")},
        {"exactly the limit", QStringLiteral("abcde"), 5, QStringLiteral("abcde")},
        {"longer is cut with an ellipsis", QStringLiteral("abcdefgh"), 5,
         QStringLiteral("abcd") + QChar(0x2026)},
        {"never half a surrogate pair", QStringLiteral("abc") + pair + QStringLiteral("xyz"), 5,
         QStringLiteral("abc") + QChar(0x2026)},
    };
    for (const auto& row : rows)
        EXPECT_EQ(NoticeBody(row.text, row.limit), row.body) << row.name;
}

} // namespace
} // namespace zep
