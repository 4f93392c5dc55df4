// Context help: a window's resource number picks a topic, a topic picks a page under help/.
#pragma once

#include <QString>

namespace zep {

// Resource numbers of the windows that ask for help.
namespace helpctx {
inline constexpr int MainFrame = 128;
inline constexpr int Conversation = 129;
inline constexpr int OfflineMessage = 130;
inline constexpr int CustomStatus = 162;
inline constexpr int LogonDialog = 209;
} // namespace helpctx

// The topic of a help context (its low 16 bits looked up; 1 when not in the table).
int HelpTopicForContext(unsigned context);
// The page file name of a topic ("index.html" for topics without a page of their own).
QString HelpPageForTopic(int topic);
// Where the pages are: next to the program, or in the installed share folder. Empty if neither.
QString HelpDirectory();
// Opens the page for a context in the desktop's browser; when no page is found or nothing can
// open it, says so in a box over the active window and gives false.
bool ShowHelp(unsigned context);

} // namespace zep
