// The client's side of the wire, written independently of the server for its tests: request
// framing, the reply/event line reader and the client's authentication behaviour (it ignores
// the parameter after the scheme word, keeps the realm at the user's address, sends nc in
// decimal and quoted, uri "/" and the method word "IM").
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zep::devserver::test {

using Headers = std::vector<std::pair<std::string, std::string>>;

struct WireReply
{
    std::vector<std::string> data; // data lines, marker removed
    std::string status;            // the status line
    std::string Code() const { return status.substr(0, 3); }
};

using WireEvent = std::vector<std::string>; // name first, dots removed

// Builds one request; body lines are dot-stuffed and MESSAGE gets its empty line.
std::string FormatRequest(const std::string& command, const Headers& headers,
                          const std::vector<std::string>& body = {});

class WireReader
{
public:
    void Feed(std::string_view bytes);
    std::optional<WireReply> TakeReply();
    std::optional<WireEvent> TakeEvent();
    // Lines that carried neither marker (must never happen with this server).
    const std::vector<std::string>& Stray() const { return stray_; }
    // "R" for each completed reply and "E" for each completed event, in wire order.
    const std::string& Order() const { return order_; }

private:
    void Split();
    std::string buffer_;
    std::vector<std::string> replyLines_;
    std::deque<WireReply> replies_;
    std::vector<std::string> eventLines_;
    std::deque<WireEvent> events_;
    std::vector<std::string> stray_;
    std::string order_;
};

class ClientAuth
{
public:
    void SetUser(std::string user, std::string password);
    // Records the challenge of a "401" reply; false when it carries none.
    bool Record(const WireReply& reply);
    // Inserts the header after the command line when a challenge was recorded.
    std::string Apply(const std::string& request);
    void SetNonceCount(int count) { nonceCount_ = count; }
    int NonceCount() const { return nonceCount_; }

private:
    std::string user_, password_, realm_, nonce_, qop_, opaque_, cnonce_;
    int nonceCount_ = 0;
    bool digest_ = false;
    bool basic_ = false;
};

// MD5 as lower-case hex, for expected values in tests.
std::string TestMd5(std::string_view text);

} // namespace zep::devserver::test
