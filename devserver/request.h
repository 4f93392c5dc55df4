// Requests as the client frames them: a command line, "Name: value" header lines, for MESSAGE an
// empty line and dot-stuffed body lines, and the terminator line ".".
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zep::devserver {

struct Header
{
    std::string name;
    std::string value;
};

struct Request
{
    std::string command;
    std::vector<Header> headers;
    std::vector<std::string> body; // MESSAGE only, dots already removed
    bool malformed = false;        // a header line without a colon
    bool tooLarge = false;         // cut at the size cap; headers and body were dropped
    size_t size = 0;               // bytes on the wire, terminator included

    // The value of the first header of that name (case-insensitive), or nullptr.
    const std::string* Find(std::string_view name) const;
};

// Incremental parser: bytes go in as they arrive, complete requests come out. Memory stays
// bounded by the cap: an oversized request is drained up to its terminator and reported once.
class RequestParser
{
public:
    explicit RequestParser(size_t maxRequestBytes);

    void Feed(std::string_view bytes);
    std::optional<Request> Next();

    // Bytes held that do not yet form a complete request.
    size_t Buffered() const { return pending_.size() - consumed_; }
    // True when a request has begun but not ended (used to tell a clean end from a cut one).
    bool InRequest() const { return state_ != State::Command || Buffered() > 0; }

private:
    enum class State
    {
        Command,
        Headers,
        Body
    };

    bool TakeLine(std::string& line);
    void Account(size_t bytes);
    void Compact();

    size_t maxRequestBytes_;
    std::string pending_;
    size_t consumed_ = 0;
    size_t scanned_ = 0; // bytes after consumed_ already searched for a line feed
    bool discardingLine_ = false;
    State state_ = State::Command;
    Request current_;
};

} // namespace zep::devserver
