// An add-in connected to the test host and a scripted messenger, with its files in a
// temporary folder and a clock the test moves.
#pragma once

#include "addin/paths.h"
#include "addin/quillbay_addin.h"
#include "scripted_messenger.h"
#include "test_host.h"
#include "tests/support/child_process.h"

#include <algorithm>
#include <chrono>
#include <gtest/gtest.h>

namespace zep::test {

class AddinFixture : public ::testing::Test
{
protected:
    void TearDown() override
    {
        if (addin != nullptr)
            addin->Destroy();
        addin = nullptr;
    }

    addin::AddinOptions Options()
    {
        addin::AddinOptions options;
        options.now = [this] { return now; };
        options.launch = [this] {
            ++launches;
            if (onLaunch)
                onLaunch();
        };
        options.placementFile = dir.File("placement.conf");
        options.settingsFile = dir.File("settings.conf");
        return options;
    }

    addin::HResult Connect()
    {
        auto client = std::make_unique<ScriptedMessenger>(script, rpc);
        messenger = client.get();
        addin = new addin::CZEPQuillbay(std::move(client), Options());
        return addin->OnConnection(&host);
    }

    // Calls of the messenger made from now on.
    void ForgetCalls()
    {
        rpc.clear();
        host.calls.clear();
    }
    int Count(const std::string& call) const
    {
        return static_cast<int>(std::count(rpc.begin(), rpc.end(), call));
    }
    bool Enabled(const std::string& caption) const
    {
        auto control = host.Find(caption);
        EXPECT_TRUE(control) << caption;
        return control && control->enabled;
    }

    TempDir dir;
    TestHost host;
    ScriptedMessenger::Script script;
    std::vector<std::string> rpc;
    ScriptedMessenger* messenger = nullptr;
    std::chrono::steady_clock::time_point now =
        std::chrono::steady_clock::time_point{} + std::chrono::hours(1);
    int launches = 0;
    std::function<void()> onLaunch;
    addin::CZEPQuillbay* addin = nullptr;
};

} // namespace zep::test
