// The add-in's connection to the mail client: the toolbar it builds, the failures that end the
// building, and its one teardown.
#include "addin_fixture.h"

#include <cctype>
#include <fstream>

namespace zep::test {
namespace {

using addin::conn::Close;
using addin::conn::OnUpdate;
using addin::conn::SelectionChange;

TEST_F(AddinFixture, WithoutMainWindowStaysIdle)
{
    host.hasExplorer = false;
    EXPECT_EQ(Connect(), addin::kOk);
    EXPECT_TRUE(rpc.empty()) << "no binding, no call";
    EXPECT_TRUE(host.open.empty());
    EXPECT_FALSE(host.explorer->bars->bar);
    EXPECT_FALSE(addin->EventsAdvised());
}

struct ControlRow
{
    const char* caption;
    addin::ControlType type;
    const char* parent; // caption of the pop-up, or "" for the toolbar itself
    bool enabled;       // at creation, before the first update
    bool face;
    bool beginGroup;
    int connection; // 0: none
};

// The toolbar in the order the controls are made.
const ControlRow kToolbar[] = {
    {"ZEP Instant Messenger", addin::ControlType::Popup, "", true, false, false, 0},
    {"Launch", addin::ControlType::Button, "ZEP Instant Messenger", true, false, false, 9},
    {"Open", addin::ControlType::Button, "ZEP Instant Messenger", true, false, false, 11},
    {"Hide", addin::ControlType::Button, "ZEP Instant Messenger", true, false, false, 12},
    {"Log In", addin::ControlType::Button, "ZEP Instant Messenger", true, false, false, 7},
    {"Log Out", addin::ControlType::Button, "ZEP Instant Messenger", true, false, false, 8},
    {"Exit", addin::ControlType::Button, "ZEP Instant Messenger", true, false, false, 10},
    {"Send", addin::ControlType::Button, "", false, true, true, 13},
    {" ", addin::ControlType::Popup, "", false, false, false, 0},
    {"Instant Message", addin::ControlType::Button, " ", false, true, false, 1},
    {"SMS Message", addin::ControlType::Button, " ", false, true, false, 2},
    {"Pager Message", addin::ControlType::Button, " ", false, true, false, 3},
    {"Email Message", addin::ControlType::Button, " ", false, true, false, 4},
};

TEST_F(AddinFixture, BuildsTheToolbarInOrder)
{
    ASSERT_EQ(Connect(), addin::kOk);
    EXPECT_EQ(host.calls.front(), "app.ActiveExplorer");
    EXPECT_NE(std::find(host.calls.begin(), host.calls.end(),
                        "bars.Add ZEP Instant Messenger 1 temporary"),
              host.calls.end());
    int index = 0;
    for (const ControlRow& row : kToolbar) {
        SCOPED_TRACE(row.caption);
        ++index;
        auto control = host.Find(row.caption);
        ASSERT_TRUE(control);
        EXPECT_EQ(control->name, "c" + std::to_string(index)) << "made in table order";
        EXPECT_EQ(control->type, row.type);
        const std::string enabledAtCreation =
            control->name + ".Enabled " + (row.enabled ? "1" : "0");
        // The first Enabled call is the creation's; the update's come later.
        auto first = std::find_if(host.calls.begin(), host.calls.end(), [&](const std::string& c) {
            return c.rfind(control->name + ".Enabled ", 0) == 0;
        });
        ASSERT_NE(first, host.calls.end());
        EXPECT_EQ(*first, enabledAtCreation);
        EXPECT_EQ(control->beginGroup, row.beginGroup);
        EXPECT_EQ(control->face.has_value(), row.face);
        if (row.face) {
            EXPECT_EQ(control->style, addin::kStyleIconAndCaption);
            EXPECT_EQ(control->face->width, 16);
            EXPECT_EQ(control->face->pixels.size(), 256u);
        }
        if (row.connection != 0) {
            EXPECT_EQ(host.open[row.connection], control->name);
        }
        const std::string parent = *row.parent ? host.Find(row.parent)->name : "bar";
        EXPECT_NE(std::find(host.calls.begin(), host.calls.end(),
                            parent + ".Add " +
                                (row.type == addin::ControlType::Popup ? "popup" : "button") +
                                " temporary"),
                  host.calls.end());
    }
    EXPECT_EQ(host.open[SelectionChange], "explorer");
    EXPECT_EQ(host.open[Close], "explorer");
    EXPECT_EQ(host.open[OnUpdate], "bars");
    EXPECT_EQ(host.open.size(), 14u);
    EXPECT_TRUE(addin->EventsAdvised());
    EXPECT_TRUE(host.explorer->bars->bar->visible);
    EXPECT_EQ(rpc.front(), "Bind");
    EXPECT_EQ(Count("GetMessengerState"), 1) << "one update at the end of the building";
}

struct FailRow
{
    const char* name;
    const char* failOn; // a host call's start; "" with bindFails
    bool bindFails;
};

const FailRow kFailRows[] = {
    {"binding", "", true},
    {"command bars", "explorer.CommandBars", false},
    {"toolbar", "bars.Add", false},
    {"toolbar controls", "bar.Controls", false},
    {"pop-up caption", "c1.Caption", false},
    {"button enabled", "c3.Enabled", false},
    {"pop-up controls", "c1.Controls", false},
    {"begin group", "c8.BeginGroup", false},
    {"button style", "c8.Style", false},
    {"button face", "c10.Face", false},
    {"Launch click", "c2.Advise", false},
    {"last click", "c13.Advise", false},
    {"selection change", "explorer.Advise 5", false},
    {"close", "explorer.Advise 14", false},
    {"update", "bars.Advise 6", false},
    {"showing the toolbar", "bar.Visible", false},
};

class AddinFailTest : public AddinFixture, public ::testing::WithParamInterface<FailRow>
{
};

TEST_P(AddinFailTest, LeavesNothingConnected)
{
    const FailRow& row = GetParam();
    if (row.bindFails)
        script.bind = addin::StatusResult(1703);
    else
        host.failOn = {row.failOn};
    std::ofstream(dir.File("settings.conf")) << "[General]\n";

    const addin::HResult r = Connect();
    EXPECT_TRUE(addin::Failed(r));
    if (row.bindFails) {
        EXPECT_EQ(r, addin::StatusResult(1703));
    }
    EXPECT_TRUE(addin->TornDown());
    EXPECT_TRUE(host.open.empty());
    EXPECT_EQ(host.HeldByAddin(), 0);
    EXPECT_EQ(rpc.back(), "Unbind");
    EXPECT_FALSE(addin::IsRegularFile(dir.File("placement.conf")))
        << "a toolbar not fully built keeps the saved placement";
    const std::size_t before = rpc.size();
    host.failOn.clear();
    host.RaiseUpdate();
    EXPECT_EQ(rpc.size(), before);
}

std::string RowName(const char* name)
{
    std::string out;
    for (const char* p = name; *p; ++p)
        out += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
    return out;
}

INSTANTIATE_TEST_SUITE_P(Steps, AddinFailTest, ::testing::ValuesIn(kFailRows),
                         [](const auto& info) { return RowName(info.param.name); });

struct TeardownRow
{
    const char* name;
    bool close;         // the explorer's Close event
    bool destroy;       // then the host's disconnect
    bool insideHandler; // disconnect from inside a click handler
};

class TeardownTest : public AddinFixture, public ::testing::WithParamInterface<TeardownRow>
{
};

TEST_P(TeardownTest, EndsEverythingOnce)
{
    const TeardownRow& row = GetParam();
    std::ofstream(dir.File("settings.conf")) << "[General]\n";
    if (row.insideHandler)
        onLaunch = [this] { addin->Destroy(); };
    ASSERT_EQ(Connect(), addin::kOk);
    ASSERT_EQ(host.open.size(), 14u);
    host.explorer->bars->bar->values[addin::BarProperty::RowIndex] = 4;
    if (row.close)
        host.CloseExplorer();
    if (row.destroy) {
        addin->Destroy();
        addin = nullptr;
    }
    if (row.insideHandler) {
        host.Click("Launch");
        addin = nullptr; // freed when the click returned
    }
    EXPECT_TRUE(host.open.empty()) << "every connection ended, 1 to 14";
    EXPECT_EQ(host.HeldByAddin(), 0) << "no reference to the host kept";
    EXPECT_EQ(Count("Unbind"), 1);
    std::string saved;
    ASSERT_TRUE(addin::ReadSmallFile(dir.File("placement.conf"), 4096, saved));
    EXPECT_EQ(saved, "tbrvisible=1\ntbrrowindex=4\ntbrposition=1\ntbrtop=0\ntbrleft=0\n");
    const std::size_t calls = host.calls.size();
    const std::size_t rpcs = rpc.size();
    host.RaiseUpdate();
    host.CloseExplorer();
    host.Click("Log In");
    EXPECT_EQ(host.calls.size(), calls) << "handlers after the teardown do nothing";
    EXPECT_EQ(rpc.size(), rpcs);
    if (addin != nullptr) {
        addin->Teardown();
        EXPECT_EQ(Count("Unbind"), 1) << "a second teardown does nothing";
    }
}

const TeardownRow kTeardownRows[] = {
    {"explorer_close", true, false, false},
    {"disconnect", false, true, false},
    {"close_then_disconnect", true, true, false},
    {"disconnect_inside_a_click", false, false, true},
};

INSTANTIATE_TEST_SUITE_P(Paths, TeardownTest, ::testing::ValuesIn(kTeardownRows),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace zep::test
