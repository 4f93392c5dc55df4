// The development server's protocol engine on arbitrary requests from two logged-on users and
// one stranger: whatever arrives, it must not crash and every reply must be well framed.
#include "devserver/core.h"
#include "devserver/request.h"

#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>

namespace {

using namespace zep::devserver;

class CheckingSink : public CoreSink
{
public:
    void Send(ConnId id, std::string_view bytes) override
    {
        std::string& text = out[id];
        text.append(bytes);
        // Every line the server writes is complete and carries a marker (the greeting too).
        size_t start = 0;
        for (size_t eol; (eol = text.find("\r\n", start)) != std::string::npos; start = eol + 2) {
            const std::string_view line(text.data() + start, eol - start);
            if (line.substr(0, 2) != "S " && line.substr(0, 2) != "A ")
                std::abort();
            if (line.find('\r') != std::string_view::npos ||
                line.find('\n') != std::string_view::npos)
                std::abort();
        }
        text.erase(0, start);
    }
    size_t Backlog(ConnId) const override { return 0; }
    void Close(ConnId) override {}
    void Abort(ConnId) override {}
    std::map<ConnId, std::string> out;
};

// "anna@example.com:anna123" and "ben@example.com:ben123"
const char* const kAuth[] = {"Basic YW5uYUBleGFtcGxlLmNvbTphbm5hMTIz",
                             "Basic YmVuQGV4YW1wbGUuY29tOmJlbjEyMw=="};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CheckingSink sink;
    CoreConfig config;
    config.auth = AuthScheme::Basic;
    config.maxRequestBytes = 16384;
    config.maxMessageBytes = 8192;
    static const std::vector<UserRecord> users =
        DemoUsers(); // made once: start-up is not the target
    ServerCore core(config, users, sink);
    auto now = std::chrono::steady_clock::time_point() + std::chrono::hours(1);
    for (ConnId id : {1, 2, 3})
        core.Open(id, now);
    const char* const emails[] = {"anna@example.com", "ben@example.com"};
    for (int i = 0; i < 2; ++i) {
        const std::string logon = std::string("LOGON\r\nAuthorization: ") + kAuth[i] +
                                  "\r\nEmail: " + emails[i] + "\r\n.\r\n";
        core.Received(static_cast<ConnId>(i + 1), logon, now);
        core.Received(static_cast<ConnId>(i + 1), logon, now); // the first one is challenged
    }
    // Requests parsed from the input go to a connection chosen by their first header byte;
    // the users' requests get their credentials inserted so the fuzzer reaches every command.
    RequestParser parser(config.maxRequestBytes);
    parser.Feed(std::string_view(reinterpret_cast<const char*>(data), size));
    unsigned turn = 0;
    while (auto request = parser.Next()) {
        const ConnId id = 1 + (turn++ % 3);
        std::string text = request->command + "\r\n";
        if (id < 3)
            text += std::string("Authorization: ") + kAuth[id - 1] + "\r\n";
        for (const auto& header : request->headers)
            text += header.name + ": " + header.value + "\r\n";
        if (!request->body.empty()) {
            text += "\r\n";
            for (const std::string& line : request->body)
                text += (line.size() > 0 && line[0] == '.' ? "." : "") + line + "\r\n";
        }
        text += ".\r\n";
        core.Received(id, text, now);
        if (turn % 7 == 0) {
            now += std::chrono::minutes(4);
            core.Tick(now);
        }
    }
    core.Received(3, std::string_view(reinterpret_cast<const char*>(data), size), now);
    core.PeerClosed(3, now);
    for (ConnId id : {1, 2, 3})
        core.Closed(id, now);
    return 0;
}
