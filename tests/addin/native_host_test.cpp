// Thunderbird's host program without Thunderbird: its frame splitting, the messages it reads,
// the authors' addresses, and a session with the real libquillbay.so while no messenger runs
// (the tests' bus address leads nowhere).
#include "addin/manifest.h"
#include "addin/native_host/addin_library.h"
#include "addin/native_host/frames.h"
#include "addin/native_host/mailbox.h"
#include "addin/native_host/messages.h"
#include "addin/native_host/session.h"
#include "addin/quillbay.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace zep::nativehost {
namespace {

std::string Frame(const std::string& body)
{
    const auto n = static_cast<std::uint32_t>(body.size());
    std::string out(4, '\0');
    std::memcpy(out.data(), &n, 4);
    return out + body;
}

std::string Length(std::uint32_t n)
{
    std::string out(4, '\0');
    std::memcpy(out.data(), &n, 4);
    return out;
}

TEST(NativeHostFrames, SplitsWhatArrivesIntoMessages)
{
    const std::string big(kMaxIncoming + 1, 'x');
    struct Row
    {
        const char* name;
        std::vector<std::string> chunks;
        std::vector<std::string> expected; // bodies; "skip N" for a dropped frame
    };
    const std::vector<Row> rows = {
        {"one frame", {Frame("{}")}, {"{}"}},
        {"empty body", {Frame("")}, {""}},
        {"two in one read", {Frame("a") + Frame("bc")}, {"a", "bc"}},
        {"length split", {Frame("abc").substr(0, 2), Frame("abc").substr(2)}, {"abc"}},
        {"body split", {Frame("abcdef").substr(0, 6), "", Frame("abcdef").substr(6)}, {"abcdef"}},
        {"incomplete stays", {Frame("abcdef").substr(0, 9)}, {}},
        {"largest taken",
         {Frame(std::string(kMaxIncoming, 'y'))},
         {std::string(kMaxIncoming, 'y')}},
        {"oversized dropped, next read",
         {Frame(big).substr(0, 100), Frame(big).substr(100) + Frame("ok")},
         {"skip " + std::to_string(big.size()), "ok"}},
        {"huge length dropped as it comes", {Length(0xffffffffu) + "abc"}, {"skip 4294967295"}},
    };
    for (const Row& row : rows) {
        FrameReader reader;
        std::vector<std::string> got;
        for (const std::string& chunk : row.chunks) {
            reader.Append(chunk.data(), chunk.size());
            std::string body;
            std::uint32_t skipped = 0;
            for (Take t; (t = reader.Next(body, skipped)) != Take::NeedMore;)
                got.push_back(t == Take::Frame ? body : "skip " + std::to_string(skipped));
        }
        EXPECT_EQ(got, row.expected) << row.name;
        // Nothing of a dropped frame is kept.
        if (std::string(row.name).find("dropped") != std::string::npos) {
            EXPECT_EQ(reader.Buffered(), 0u) << row.name;
        }
    }
    EXPECT_EQ(EncodeFrame("ab"), Frame("ab"));
    EXPECT_EQ(EncodeFrame(std::string(kMaxOutgoing + 1, 'z')), "");
}

TEST(NativeHostMessages, ReadsOnlyWellFormedMessages)
{
    struct Row
    {
        std::string json;
        bool ok;
        MessageType type;
        int count;
        int itemClass; // of the first item; -1 for none
        std::string mailbox;
        int control;
    };
    const std::string longAddress(kMaxMailboxBytes + 1, 'a');
    const std::vector<Row> rows = {
        {R"({"type":"hello"})", true, MessageType::Hello, 0, -1, "", 0},
        {R"({"type":"update","extra":[1,2]})", true, MessageType::Update, 0, -1, "", 0},
        {R"({"type":"close"})", true, MessageType::Close, 0, -1, "", 0},
        {R"({"type":"click","control":13})", true, MessageType::Click, 0, -1, "", 13},
        {R"({"type":"selection","count":1,"items":[{"kind":"mail","address":"E <e@x.org>"}]})",
         true, MessageType::Selection, 1, 43, "E <e@x.org>", 0},
        {R"({"type":"selection","count":1,"items":[{"kind":"contact","address":"c@x.org"}]})", true,
         MessageType::Selection, 1, 40, "c@x.org", 0},
        {R"({"type":"selection","count":1,"items":[{"kind":"calendar"}]})", true,
         MessageType::Selection, 1, 0, "", 0},
        {R"({"type":"selection","count":1,"items":[{"kind":"mail","address":null}]})", true,
         MessageType::Selection, 1, 43, "", 0},
        // Only a one-item selection keeps its item.
        {R"({"type":"selection","count":2,"items":[{"kind":"mail","address":"a@b"}]})", true,
         MessageType::Selection, 2, -1, "", 0},
        {R"({"type":"selection","count":0})", true, MessageType::Selection, 0, -1, "", 0},
        {R"({"type":"log","text":"hi"})", true, MessageType::Log, 0, -1, "", 0},
        // Refused.
        {"", false, {}, 0, -1, "", 0},
        {"{bad", false, {}, 0, -1, "", 0},
        {"[1]", false, {}, 0, -1, "", 0},
        {R"({"kind":"hello"})", false, {}, 0, -1, "", 0},
        {R"({"type":7})", false, {}, 0, -1, "", 0},
        {R"({"type":"reboot"})", false, {}, 0, -1, "", 0},
        {R"({"type":"click"})", false, {}, 0, -1, "", 0},
        {R"({"type":"click","control":"13"})", false, {}, 0, -1, "", 0},
        {R"({"type":"click","control":0})", false, {}, 0, -1, "", 0},
        {R"({"type":"click","control":1.5})", false, {}, 0, -1, "", 0},
        {R"({"type":"click","control":18446744073709551615})", false, {}, 0, -1, "", 0},
        {R"({"type":"selection","count":-1})", false, {}, 0, -1, "", 0},
        {R"({"type":"selection","count":1})", false, {}, 0, -1, "", 0},
        {R"({"type":"selection","count":1,"items":[]})", false, {}, 0, -1, "", 0},
        {R"({"type":"selection","count":1,"items":{"kind":"mail"}})", false, {}, 0, -1, "", 0},
        {R"({"type":"selection","count":1,"items":["a@b"]})", false, {}, 0, -1, "", 0},
        {R"({"type":"selection","count":1,"items":[{"address":"a@b"}]})", false, {}, 0, -1, "", 0},
        {R"({"type":"selection","count":1,"items":[{"kind":"mail","address":5}]})",
         false,
         {},
         0,
         -1,
         "",
         0},
        {R"({"type":"selection","count":1,"items":[{"kind":"mail","address":")" + longAddress +
             R"("}]})",
         false,
         {},
         0,
         -1,
         "",
         0},
        {R"({"type":"log","text":")" + std::string(kMaxLogBytes + 1, 'l') + R"("})",
         false,
         {},
         0,
         -1,
         "",
         0},
    };
    for (const Row& row : rows) {
        Message m;
        std::string error;
        ASSERT_EQ(ParseMessage(row.json, m, error), row.ok) << row.json.substr(0, 80);
        if (!row.ok) {
            EXPECT_FALSE(error.empty()) << row.json.substr(0, 80);
            // The reply names the reason and is JSON itself.
            const auto reply = nlohmann::json::parse(ErrorReply(error), nullptr, false);
            EXPECT_EQ(reply.value("type", ""), "error");
            continue;
        }
        EXPECT_EQ(m.type, row.type) << row.json;
        EXPECT_EQ(m.count, row.count) << row.json;
        EXPECT_EQ(m.control, row.control) << row.json;
        ASSERT_EQ(m.items.size(), row.itemClass < 0 ? 0u : 1u) << row.json;
        if (row.itemClass >= 0) {
            EXPECT_EQ(m.items[0].itemClass, row.itemClass) << row.json;
            EXPECT_EQ(m.items[0].mailbox, row.mailbox) << row.json;
        }
    }
}

TEST(NativeHostMailbox, TakesTheFirstMailboxAddress)
{
    const std::vector<std::pair<std::string, std::string>> rows = {
        {"echo@example.com", "echo@example.com"},
        {"  echo@example.com \t", "echo@example.com"},
        {"Echo <echo@example.com>", "echo@example.com"},
        {"\"Bot, Echo\" <echo@example.com>", "echo@example.com"},
        {"\"a <fake@evil.org>\" <real@example.com>", "real@example.com"},
        {"\"quoted \\\" quote\" <q@example.com>", "q@example.com"},
        {"Ann <ann@x.org>, Ben <ben@x.org>", "ann@x.org"},
        {"ann@x.org, ben@x.org", "ann@x.org"},
        {"< spaced@x.org >", "spaced@x.org"},
        {"Müller <müller@exämple.de>", "müller@exämple.de"},
        // Nothing usable.
        {"", ""},
        {"Echo", ""},
        {"Echo <>", ""},
        {"Echo <echo@example.com", ""},
        {"\"unterminated <a@b.org>", ""},
        {"\"trailing backslash\\", ""},
        {"a b@example.com", ""},
        {"@example.com", ""},
        {"echo@", ""},
        {"Echo <echo@exa\nmple.com>", ""},
        {std::string("Echo <echo@exa") + '\0' + "mple.com>", ""},
        {"Echo <a<b@example.com>", ""},
    };
    for (const auto& [mailbox, address] : rows)
        EXPECT_EQ(MailboxAddress(mailbox), address) << mailbox;
}

// A session with the real add-in library, as the host program runs it.
class NativeHostSession : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::string error;
        ASSERT_TRUE(library.Load(ZEP_QUILLBAY_LIBRARY, error)) << error;
    }
    Session Make(SessionOptions options = {})
    {
        return Session(
            library.Entries(), options,
            [this](const std::string& json) {
                sent.push_back(nlohmann::json::parse(json, nullptr, false));
            },
            [this](const std::string& line) { log.push_back(line); });
    }
    // The enabled states of the last toolbar sent, by caption, in toolbar order.
    std::string States() const
    {
        for (auto it = sent.rbegin(); it != sent.rend(); ++it) {
            if (it->value("type", "") != "toolbar")
                continue;
            std::string out;
            std::function<void(const nlohmann::json&)> walk = [&](const nlohmann::json& list) {
                for (const auto& c : list) {
                    out += c["caption"].get<std::string>() + "=" + (c["enabled"] ? "1 " : "0 ");
                    if (c.contains("controls"))
                        walk(c["controls"]);
                }
            };
            walk((*it)["controls"]);
            return out;
        }
        return "(none)";
    }
    AddinLibrary library;
    std::vector<nlohmann::json> sent;
    std::vector<std::string> log;
};

TEST_F(NativeHostSession, WithoutMessengerOnlyLaunchIsEnabledWhateverArrives)
{
    Session session = Make();
    const std::string onlyLaunch = "ZEP Instant Messenger=1 Launch=1 Open=0 Hide=0 Log In=0 "
                                   "Log Out=0 Exit=0 Send=0  =0 Instant Message=0 SMS Message=0 "
                                   "Pager Message=0 Email Message=0 ";
    struct Row
    {
        std::string message;
        std::string replyType; // of the first reply; empty: none
        std::string states;    // of the last toolbar sent
    };
    const std::vector<Row> rows = {
        {R"({"type":"update"})", "error", "(none)"}, // before hello
        {R"({"type":"hello"})", "hello", onlyLaunch},
        {R"({"type":"selection","count":1,"items":[{"kind":"mail","address":"E <echo@example.com>"}]})",
         "", onlyLaunch},
        {R"({"type":"click","control":13})", "", onlyLaunch}, // "Send" is disabled: dropped
        {R"({"type":"click","control":14})", "error", onlyLaunch},
        {R"({"type":"selection","count":1})", "error", onlyLaunch},
        {"\x01\x02", "error", onlyLaunch},
        {R"({"type":"update"})", "", onlyLaunch},
        {R"({"type":"hello"})", "hello", onlyLaunch}, // starting over sends the toolbar again
    };
    for (const Row& row : rows) {
        const std::size_t before = sent.size();
        session.OnMessage(row.message);
        if (row.replyType.empty()) {
            EXPECT_EQ(sent.size(), before) << row.message; // unchanged toolbar: nothing sent
        } else {
            ASSERT_GT(sent.size(), before) << row.message;
            EXPECT_EQ(sent[before].value("type", ""), row.replyType) << row.message;
        }
        EXPECT_EQ(States(), row.states) << row.message;
    }
    EXPECT_TRUE(session.Connected());
    EXPECT_EQ(sent[1].value("connected", false), true);
    // The toolbar as the add-in built it: the "Send" button carries its face.
    const auto& send = sent[2]["controls"][1];
    EXPECT_EQ(send["caption"], "Send");
    EXPECT_EQ(send["face"]["rgba"].get<std::string>().size(), 16u * 16u * 8u);
    EXPECT_EQ(sent[2]["name"], "ZEP Instant Messenger");
    EXPECT_EQ(sent[2]["visible"], true);

    session.OnMessage(R"({"type":"close"})");
    EXPECT_TRUE(session.Closed());
    EXPECT_FALSE(session.Connected());
    const std::size_t after = sent.size();
    session.OnMessage(R"({"type":"hello"})");
    EXPECT_EQ(sent.size(), after);
    EXPECT_EQ(log.back(), "closed");
}

TEST_F(NativeHostSession, AnAddinThatCannotLoadIsReportedNotConnected)
{
    struct Row
    {
        const char* name;
        SessionOptions options;
        AddinEntries entries;
        const char* error;
    };
    const std::vector<Row> rows = {
        {"load error", {"no such add-in", false, 3000}, library.Entries(), "no such add-in"},
        {"no entries", {}, AddinEntries{}, "no add-in"},
    };
    for (const Row& row : rows) {
        sent.clear();
        Session session(row.entries, row.options, [this](const std::string& json) {
            sent.push_back(nlohmann::json::parse(json));
        });
        session.OnMessage(R"({"type":"hello"})");
        ASSERT_FALSE(sent.empty()) << row.name;
        EXPECT_EQ(sent[0]["connected"], false) << row.name;
        EXPECT_EQ(sent[0]["error"], row.error) << row.name;
        EXPECT_FALSE(session.Connected()) << row.name;
        // Still answered, never crashed on: an empty toolbar.
        session.OnMessage(R"({"type":"click","control":1})");
        EXPECT_EQ(sent.back()["type"], "error") << row.name;
    }
}

TEST(NativeHostLibrary, LoadsOnlyTheAddinBuiltForThisHost)
{
    struct Row
    {
        std::string path;
        const char* errorPart;
    };
    const std::vector<Row> rows = {
        {"libquillbay.so", "absolute"},
        {"/nonexistent/libquillbay.so", "cannot load"},
        {"/lib/x86_64-linux-gnu/libc.so.6", "is not the add-in"},
    };
    for (const Row& row : rows) {
        AddinLibrary library;
        std::string error;
        EXPECT_FALSE(library.Load(row.path, error)) << row.path;
        EXPECT_NE(error.find(row.errorPart), std::string::npos) << row.path << ": " << error;
        EXPECT_EQ(library.Entries().connect, nullptr) << row.path;
    }
}

TEST(NativeHostLibrary, LoadsOnlyALibraryNobodyElseCanChange)
{
    char dir[] = "/tmp/zep-lib-XXXXXX";
    ASSERT_NE(::mkdtemp(dir), nullptr);
    const std::filesystem::path base = std::filesystem::canonical(dir);
    const auto place = [&](const char* folder, mode_t folderMode, mode_t fileMode) {
        std::filesystem::create_directory(base / folder);
        const std::filesystem::path file = base / folder / "libquillbay.so";
        std::filesystem::copy_file(ZEP_QUILLBAY_LIBRARY, file);
        ::chmod(file.c_str(), fileMode);
        ::chmod((base / folder).c_str(), folderMode);
        return file.string();
    };
    ::chmod(base.c_str(), 0755);
    const std::string good = place("good", 0755, 0755);
    const std::string groupWritable = place("group", 0755, 0775);
    const std::string inOpenFolder = place("open", 0777, 0755);
    std::filesystem::create_symlink(inOpenFolder, base / "link.so");
    const struct
    {
        const char* name;
        std::string path;
        const char* errorPart; // null: loads
    } rows[] = {
        {"good file", good, nullptr},
        {"group-writable file", groupWritable, "owned or writable by another user"},
        {"folder others may write", inOpenFolder, "its folder is owned or writable"},
        {"link into a folder others may write", (base / "link.so").string(), "its folder"},
    };
    for (const auto& row : rows) {
        AddinLibrary library;
        std::string error;
        EXPECT_EQ(library.Load(row.path, error), row.errorPart == nullptr) << row.name;
        if (row.errorPart != nullptr) {
            EXPECT_NE(error.find(row.errorPart), std::string::npos) << row.name << ": " << error;
        }
    }
    std::filesystem::remove_all(base);
}

TEST(NativeHostLibrary, LoadsWhatTheRegistrationSaysOnlyWhenItMayLoad)
{
    char dir[] = "/tmp/zep-host-XXXXXX";
    ASSERT_NE(::mkdtemp(dir), nullptr);
    const std::string file = std::string(dir) + "/Quillbay.ZEPQuillbay.addin";
    addin::Manifest good;
    good.library = ZEP_QUILLBAY_LIBRARY;
    good.abiVersion = QUILLBAY_ABI_VERSION;
    struct Row
    {
        const char* name;
        std::string text;      // empty: no file
        const char* errorPart; // null: loads
    };
    addin::Manifest notAtStart = good;
    notAtStart.loadBehavior = 2;
    addin::Manifest otherAbi = good;
    otherAbi.abiVersion = QUILLBAY_ABI_VERSION + 1;
    addin::Manifest elsewhere = good;
    elsewhere.library = "/nonexistent/libquillbay.so";
    const std::vector<Row> rows = {
        {"registered", addin::FormatManifest(good), nullptr},
        {"not registered", "", "not registered"},
        {"not to load at start", addin::FormatManifest(notAtStart), "not to load"},
        {"other interface", addin::FormatManifest(otherAbi), "interface version"},
        {"library gone", addin::FormatManifest(elsewhere), "cannot load"},
        {"not a manifest", "[Other]\nLibrary=/x\n", "Add-in"},
    };
    for (const Row& row : rows) {
        ::unlink(file.c_str());
        if (!row.text.empty()) {
            std::ofstream(file) << row.text;
        }
        AddinLibrary library;
        std::string error;
        EXPECT_EQ(library.LoadRegistered(file, error), row.errorPart == nullptr) << row.name;
        if (row.errorPart != nullptr) {
            EXPECT_NE(error.find(row.errorPart), std::string::npos) << row.name << ": " << error;
        } else {
            EXPECT_NE(library.Entries().connect, nullptr) << row.name;
        }
    }
    ::unlink(file.c_str());
    ::rmdir(dir);
}

} // namespace
} // namespace zep::nativehost
