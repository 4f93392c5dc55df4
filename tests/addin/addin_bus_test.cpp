// The add-in against a messenger on a private session bus: the calls it makes, the mapping of
// their outcomes, the deadlines against a messenger that never answers, the state signal, a
// bus that goes away, and the library's C entries.
#include "addin/bus_messenger_client.h"
#include "addin/quillbay.h"
#include "addin/quillbay_addin.h"
#include "fake_messenger.h"
#include "rpc/messenger_control.h"
#include "test_host.h"
#include "tests/support/child_process.h"

#include <csignal>
#include <cstdlib>
#include <dlfcn.h>
#include <fstream>
#include <gtest/gtest.h>

namespace zep::test {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

TEST(BusClient, NoOwnerIsNotRunning)
{
    addin::BusMessengerClient client;
    ASSERT_EQ(client.Bind(), addin::kOk) << "binding makes no call";
    bool visible = true;
    bool loggedOn = true;
    EXPECT_EQ(client.GetMessengerState(visible, loggedOn), addin::kNotRunning);
    EXPECT_FALSE(visible);
    EXPECT_FALSE(loggedOn);
    addin::ContactDetails details;
    EXPECT_EQ(client.GetContactDetails("anna@example.com", details), addin::kNotRunning);
    EXPECT_EQ(client.Send(addin::SendKind::Sms, "anna@example.com"), addin::kNotRunning);
    EXPECT_EQ(client.Run(addin::Command::LogIn), addin::kNotRunning);
    client.Unbind();
    EXPECT_EQ(client.Run(addin::Command::LogIn), addin::StatusResult(1702)) << "not bound";
}

TEST(BusClient, ResultsMapToTheirCodes)
{
    const struct
    {
        std::int32_t result;
        addin::HResult mapped;
    } rows[] = {
        {0, addin::kOk},   {26, addin::kOutOfMemory}, {207, addin::kNotFound},
        {1, addin::kFail}, {212, addin::kFail},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.result);
        FakeMessenger::Answers answers;
        for (const char* method : rpc::kProcedures)
            answers.results[method] = row.result;
        FakeMessenger fake(answers);
        ASSERT_TRUE(fake.Start());
        addin::BusMessengerClient client;
        client.Bind();
        bool visible = false;
        bool loggedOn = false;
        EXPECT_EQ(client.GetMessengerState(visible, loggedOn), row.mapped);
        EXPECT_EQ(visible, row.result == 0) << "outs only on success";
        addin::ContactDetails details;
        details.known = false;
        EXPECT_EQ(client.GetContactDetails("anna@example.com", details), row.mapped);
        EXPECT_EQ(details.known, row.result == 0);
        EXPECT_EQ(client.Send(addin::SendKind::Pager, "anna@example.com"), row.mapped);
        EXPECT_EQ(client.Run(addin::Command::Hide), row.mapped);
        EXPECT_EQ(fake.Calls(), (std::vector<std::string>{
                                    "GetMessengerState", "GetContactDetails anna@example.com",
                                    "SendPagerMessage anna@example.com", "HideMessenger"}));
    }
}

TEST(BusClient, AReplyOfTheWrongShapeIsAFailure)
{
    FakeMessenger::Answers answers;
    answers.badReply = true;
    FakeMessenger fake(answers);
    ASSERT_TRUE(fake.Start());
    addin::BusMessengerClient client;
    client.Bind();
    const addin::HResult failed = addin::StatusResult(addin::kStatusCallFailed);
    bool visible = true;
    bool loggedOn = true;
    EXPECT_EQ(client.GetMessengerState(visible, loggedOn), failed);
    EXPECT_FALSE(visible || loggedOn);
    addin::ContactDetails details;
    details.known = false;
    EXPECT_EQ(client.GetContactDetails("anna@example.com", details), failed);
    EXPECT_FALSE(details.known);
    EXPECT_EQ(client.Send(addin::SendKind::Email, "anna@example.com"), failed);
    EXPECT_EQ(client.Run(addin::Command::LogOut), failed);
}

// An add-in on the test host with the real bus client.
struct BusAddin
{
    TestHost host;
    addin::CZEPQuillbay* addin = nullptr;
    explicit BusAddin(addin::BusMessengerClient::Deadlines deadlines = {})
    {
        addin::AddinOptions options;
        options.launch = [] {};
        addin = new addin::CZEPQuillbay(std::make_unique<addin::BusMessengerClient>(deadlines),
                                        options);
    }
    ~BusAddin() { addin->Destroy(); }
};

TEST(BusAddin, EachSendButtonMakesItsCall)
{
    FakeMessenger::Answers answers;
    answers.canSendSms = 1;
    answers.canSendPager = 1;
    FakeMessenger fake(answers);
    ASSERT_TRUE(fake.Start());
    BusAddin a;
    ASSERT_EQ(a.addin->OnConnection(&a.host), addin::kOk);
    a.host.SelectItems({{addin::kClassMail, "anna@example.com"}});
    ASSERT_TRUE(a.host.Find("Send")->enabled);
    EXPECT_EQ(a.host.Find("Send")->tooltip, "Send Instant Message");
    const struct
    {
        const char* caption;
        const char* call;
    } rows[] = {
        {"Send", "SendInstantMessage anna@example.com"},
        {"Instant Message", "SendInstantMessage anna@example.com"},
        {"SMS Message", "SendSmsMessage anna@example.com"},
        {"Pager Message", "SendPagerMessage anna@example.com"},
        {"Email Message", "SendEmailMessage anna@example.com"},
        {"Log Out", "LogOut"},
        {"Hide", "HideMessenger"},
    };
    for (const auto& row : rows) {
        const std::size_t before = fake.Calls().size();
        a.host.Click(row.caption);
        const auto calls = fake.Calls();
        ASSERT_GT(calls.size(), before) << row.caption;
        EXPECT_EQ(calls[before], row.call);
    }
}

TEST(BusAddin, ASilentMessengerCannotHoldTheHost)
{
    FakeMessenger::Answers answers;
    answers.silent = true;
    FakeMessenger fake(answers);
    ASSERT_TRUE(fake.Start());
    BusAddin a;
    auto start = Clock::now();
    ASSERT_EQ(a.addin->OnConnection(&a.host), addin::kOk);
    auto took = Clock::now() - start;
    EXPECT_GE(took, 1900ms);
    EXPECT_LT(took, 3000ms) << "the building's update waits 2 s at most";
    EXPECT_TRUE(a.host.Find("Launch")->enabled) << "an expired call is a failure";
    ASSERT_EQ(fake.Calls().size(), 1u);

    start = Clock::now();
    a.host.RaiseUpdate();
    a.host.SelectItems({{addin::kClassMail, "anna@example.com"}});
    EXPECT_LT(Clock::now() - start, 200ms) << "no call in the quiet time";
    EXPECT_EQ(fake.Calls().size(), 1u);

    // A command gets 15 s.
    start = Clock::now();
    a.host.Click("Launch"); // makes no call
    addin::BusMessengerClient client;
    client.Bind();
    EXPECT_EQ(client.Run(addin::Command::Open), addin::StatusResult(addin::kStatusTimeout));
    took = Clock::now() - start;
    EXPECT_GE(took, 14900ms);
    EXPECT_LT(took, 16500ms);
}

TEST(BusAddin, StateChangedUpdatesThroughTheHostLoop)
{
    FakeMessenger::Answers answers;
    FakeMessenger fake(answers);
    ASSERT_TRUE(fake.Start());
    BusAddin a;
    a.host.withLoop = true;
    ASSERT_EQ(a.addin->OnConnection(&a.host), addin::kOk);
    ASSERT_GE(a.host.loop.fd, 0) << "the bus connection is watched";
    ASSERT_EQ(fake.Calls().size(), 1u);
    // Let the match installation answers arrive and be read.
    while (a.host.loop.RunOnce(200)) {
    }
    fake.EmitStateChanged(false, true);
    const auto deadline = Clock::now() + 5s;
    while (fake.Calls().size() < 2 && Clock::now() < deadline)
        a.host.loop.RunOnce(100);
    ASSERT_EQ(fake.Calls().size(), 2u);
    EXPECT_EQ(fake.Calls()[1], "GetMessengerState");
    a.host.CloseExplorer();
    EXPECT_EQ(a.host.loop.fd, -1) << "the watch ends with the teardown";
}

TEST(BusClient, ABusThatWentAwayIsAFailureNotASignal)
{
    ChildProcess bus;
    ASSERT_TRUE(bus.Start({"dbus-daemon", "--session", "--nofork", "--print-address"}));
    std::string address = bus.WaitForOutput("unix:");
    while (!address.empty() && (address.back() == '\n' || address.back() == '\r'))
        address.pop_back();
    ASSERT_FALSE(address.empty());
    const std::string saved = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    ::setenv("DBUS_SESSION_BUS_ADDRESS", address.c_str(), 1);
    struct sigaction before
    {
    };
    ASSERT_EQ(sigaction(SIGPIPE, nullptr, &before), 0);
    ASSERT_EQ(before.sa_handler, SIG_DFL) << "a SIGPIPE would end this test";
    {
        addin::BusMessengerClient client;
        client.Bind();
        bool v = false;
        bool l = false;
        EXPECT_EQ(client.GetMessengerState(v, l), addin::kNotRunning);
        bus.Stop();
        for (int i = 0; i < 3; ++i) {
            const addin::HResult r = client.GetMessengerState(v, l);
            EXPECT_TRUE(addin::Failed(r)) << i;
        }
        client.Pump();
    }
    ::setenv("DBUS_SESSION_BUS_ADDRESS", saved.c_str(), 1);
    struct sigaction after
    {
    };
    ASSERT_EQ(sigaction(SIGPIPE, nullptr, &after), 0);
    EXPECT_EQ(after.sa_handler, SIG_DFL) << "the library leaves the host's signals alone";
}

struct Library
{
    void* handle = dlopen(ZEP_QUILLBAY_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    ~Library()
    {
        if (handle != nullptr)
            dlclose(handle);
    }
    template <typename F> F* Get(const char* name)
    {
        return reinterpret_cast<F*>(dlsym(handle, name));
    }
};

TEST(Library, CEntriesConnectDisconnectAndRegister)
{
    Library lib;
    ASSERT_NE(lib.handle, nullptr) << dlerror();
    auto abi = lib.Get<uint32_t()>("quillbay_abi_version");
    auto connect = lib.Get<int32_t(void*, quillbay_addin**)>("quillbay_connect");
    auto disconnect = lib.Get<int32_t(quillbay_addin*)>("quillbay_disconnect");
    auto canUnload = lib.Get<int32_t()>("quillbay_can_unload");
    auto reg = lib.Get<int32_t()>("quillbay_register");
    auto unreg = lib.Get<int32_t()>("quillbay_unregister");
    ASSERT_TRUE(abi && connect && disconnect && canUnload && reg && unreg);
    EXPECT_EQ(lib.Get<void>("_ZN3zep5addin12CZEPQuillbay8TeardownEv"), nullptr)
        << "the C++ inside is not exported";
    EXPECT_EQ(abi(), QUILLBAY_ABI_VERSION);
    EXPECT_EQ(canUnload(), 0);

    FakeMessenger fake(FakeMessenger::Answers{});
    ASSERT_TRUE(fake.Start());
    TestHost host;
    quillbay_addin* addin = nullptr;
    ASSERT_EQ(connect(static_cast<addin::IApplication*>(&host), &addin), 0);
    ASSERT_NE(addin, nullptr);
    EXPECT_EQ(host.open.size(), 14u);
    EXPECT_EQ(canUnload(), 1);
    EXPECT_EQ(fake.Calls(), std::vector<std::string>{"GetMessengerState"});
    EXPECT_FALSE(host.Find("Launch")->enabled);
    EXPECT_EQ(disconnect(addin), 0);
    EXPECT_TRUE(host.open.empty());
    EXPECT_EQ(canUnload(), 0);

    TestHost failing;
    failing.failOn = {"bars.Add"};
    addin = reinterpret_cast<quillbay_addin*>(&failing);
    EXPECT_EQ(connect(static_cast<addin::IApplication*>(&failing), &addin), addin::kFail);
    EXPECT_EQ(addin, nullptr);
    EXPECT_EQ(canUnload(), 0);
    EXPECT_EQ(connect(nullptr, &addin), addin::kInvalidArgument);

    TempDir data;
    ::setenv("XDG_DATA_HOME", data.Path().c_str(), 1);
    ASSERT_EQ(reg(), 0);
    const std::string manifest = data.Path() + "/zepim/addins/Quillbay.ZEPQuillbay.addin";
    std::ifstream in(manifest);
    const std::string text((std::istreambuf_iterator<char>(in)), {});
    EXPECT_NE(text.find(std::string("Library=") + ZEP_QUILLBAY_LIBRARY + "\n"), std::string::npos)
        << text;
    EXPECT_EQ(unreg(), 0);
    EXPECT_FALSE(std::ifstream(manifest).good());
}

} // namespace
} // namespace zep::test
