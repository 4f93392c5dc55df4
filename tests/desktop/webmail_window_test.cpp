// The window search on a real X server (Xvfb), with the test as the window manager: it keeps
// _NET_CLIENT_LIST on the root window, titles its own windows and receives the
// _NET_ACTIVE_WINDOW request that the search sends for the window it picked.
#include "desktop/webmail_window.h"

#include "tests/support/child_process.h"

#include <QStandardPaths>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <regex>
#include <string>
#include <thread>
#include <vector>
#include <xcb/xcb.h>

namespace zep {
namespace {

struct WindowTitles
{
    std::string netWmName; // empty: none set
    std::string wmName;    // empty: none set
};

struct SearchRow
{
    const char* name;
    std::vector<WindowTitles> windows;
    const char* windowName;
    bool listed;  // whether the root carries _NET_CLIENT_LIST
    int expected; // index of the window asked to come forward, -1 for none
    WindowSearch result;
};

class X11WindowSearch : public testing::TestWithParam<SearchRow>
{
protected:
    static void SetUpTestSuite()
    {
        const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
        if (xvfb.isEmpty())
            return;
        s_xvfb = new test::ChildProcess();
        // -displayfd: the server picks a free display and prints its number when ready.
        if (!s_xvfb->Start({xvfb.toStdString(), "-displayfd", "1", "-nolisten", "tcp", "-screen",
                            "0", "640x480x24"}))
            return;
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        const std::regex number(R"((?:^|\n)(\d+)\n)");
        while (std::chrono::steady_clock::now() < end) {
            std::smatch m;
            const std::string out = s_xvfb->Output();
            if (std::regex_search(out, m, number)) {
                s_display = ":" + m[1].str();
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    static void TearDownTestSuite()
    {
        delete s_xvfb;
        s_xvfb = nullptr;
    }
    void SetUp() override
    {
        if (s_display.empty())
            GTEST_SKIP() << "no Xvfb to run an X server";
        m_c = xcb_connect(s_display.c_str(), nullptr);
        ASSERT_EQ(xcb_connection_has_error(m_c), 0);
        m_root = xcb_setup_roots_iterator(xcb_get_setup(m_c)).data->root;
    }
    void TearDown() override
    {
        if (m_c != nullptr)
            xcb_disconnect(m_c);
    }
    xcb_atom_t Atom(const char* name)
    {
        auto* reply = xcb_intern_atom_reply(
            m_c, xcb_intern_atom(m_c, 0, static_cast<std::uint16_t>(strlen(name)), name), nullptr);
        const xcb_atom_t atom =
            reply != nullptr ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
        free(reply);
        return atom;
    }
    void Sync() { free(xcb_get_input_focus_reply(m_c, xcb_get_input_focus(m_c), nullptr)); }

    static test::ChildProcess* s_xvfb;
    static std::string s_display;
    xcb_connection_t* m_c = nullptr;
    xcb_window_t m_root = 0;
};

test::ChildProcess* X11WindowSearch::s_xvfb = nullptr;
std::string X11WindowSearch::s_display;

TEST_P(X11WindowSearch, AsksForTheFirstMatchingWindow)
{
    const SearchRow& row = GetParam();
    const xcb_atom_t clientList = Atom("_NET_CLIENT_LIST");
    const xcb_atom_t netWmName = Atom("_NET_WM_NAME");
    const xcb_atom_t utf8 = Atom("UTF8_STRING");
    const xcb_atom_t active = Atom("_NET_ACTIVE_WINDOW");

    // Only one client may redirect the root's children: the test is the window manager.
    const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT;
    ASSERT_EQ(xcb_request_check(
                  m_c, xcb_change_window_attributes_checked(m_c, m_root, XCB_CW_EVENT_MASK, &mask)),
              nullptr);
    std::vector<xcb_window_t> windows;
    for (const WindowTitles& titles : row.windows) {
        const xcb_window_t w = xcb_generate_id(m_c);
        xcb_create_window(m_c, XCB_COPY_FROM_PARENT, w, m_root, 0, 0, 10, 10, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
        if (!titles.netWmName.empty())
            xcb_change_property(m_c, XCB_PROP_MODE_REPLACE, w, netWmName, utf8, 8,
                                static_cast<std::uint32_t>(titles.netWmName.size()),
                                titles.netWmName.data());
        if (!titles.wmName.empty())
            xcb_change_property(m_c, XCB_PROP_MODE_REPLACE, w, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                                static_cast<std::uint32_t>(titles.wmName.size()),
                                titles.wmName.data());
        windows.push_back(w);
    }
    if (row.listed)
        xcb_change_property(m_c, XCB_PROP_MODE_REPLACE, m_root, clientList, XCB_ATOM_WINDOW, 32,
                            static_cast<std::uint32_t>(windows.size()), windows.data());
    else
        xcb_delete_property(m_c, m_root, clientList);
    Sync();

    EXPECT_EQ(RaiseWebmailWindow(row.windowName, s_display.c_str()), row.result);

    Sync(); // every event the search caused is queued by now
    std::optional<xcb_window_t> asked;
    int requests = 0;
    while (xcb_generic_event_t* event = xcb_poll_for_event(m_c)) {
        if ((event->response_type & 0x7f) == XCB_CLIENT_MESSAGE) {
            const auto* message = reinterpret_cast<xcb_client_message_event_t*>(event);
            if (message->type == active) {
                asked = message->window;
                ++requests;
                EXPECT_EQ(message->data.data32[0], 2u) << "not sent as a user's request";
            }
        }
        free(event);
    }
    if (row.expected < 0) {
        EXPECT_FALSE(asked.has_value());
    } else {
        ASSERT_TRUE(asked.has_value());
        EXPECT_EQ(*asked, windows[static_cast<std::size_t>(row.expected)]);
        EXPECT_EQ(requests, 1);
    }
    xcb_delete_property(m_c, m_root, clientList);
    Sync();
}

INSTANTIATE_TEST_SUITE_P(
    Rows, X11WindowSearch,
    testing::Values(SearchRow{"professional_title_in_a_browser",
                              {{"Terminal", ""},
                               {"ZEP WebMail Professional - anna@example.com - Chromium", ""}},
                              "",
                              true,
                              1,
                              WindowSearch::Raised},
                    SearchRow{
                        "first_of_two_matches_in_list_order",
                        {{"Inbox - ZEP WebMail Express", ""}, {"ZEP WebMail Professional - a", ""}},
                        "",
                        true,
                        0,
                        WindowSearch::Raised},
                    SearchRow{"old_style_title_only",
                              {{"", "Corvane Messaging Services Configuration"}},
                              "",
                              true,
                              0,
                              WindowSearch::Raised},
                    SearchRow{"window_name_prefix",
                              {{"ZEP WebMail Professional - a", ""}, {"Mail - x", ""}},
                              "Mail -",
                              true,
                              1,
                              WindowSearch::Raised},
                    SearchRow{"nothing_matches",
                              {{"Terminal", ""}, {"ZEP WebMail: log-on refused", ""}},
                              "",
                              true,
                              -1,
                              WindowSearch::NotFound},
                    SearchRow{"empty_list", {}, "", true, -1, WindowSearch::Unavailable},
                    SearchRow{"no_window_manager_list",
                              {{"ZEP WebMail Professional - a", ""}},
                              "",
                              false,
                              -1,
                              WindowSearch::Unavailable}),
    [](const testing::TestParamInfo<SearchRow>& info) { return info.param.name; });

TEST(X11WindowSearchWithoutServer, NoDisplayIsUnavailable)
{
    EXPECT_EQ(RaiseWebmailWindow("", ":4711"), WindowSearch::Unavailable);
    EXPECT_EQ(RaiseWebmailWindow("", "not a display name"), WindowSearch::Unavailable);
}

} // namespace
} // namespace zep
