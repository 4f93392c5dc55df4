#include "devserver/request.h"

#include "devserver/text.h"

#include <algorithm>

namespace zep::devserver {

const std::string* Request::Find(std::string_view name) const
{
    for (const Header& header : headers) {
        if (IEquals(header.name, name))
            return &header.value;
    }
    return nullptr;
}

RequestParser::RequestParser(size_t maxRequestBytes) : maxRequestBytes_(maxRequestBytes) {}

void RequestParser::Feed(std::string_view bytes)
{
    pending_.append(bytes);
}

void RequestParser::Account(size_t bytes)
{
    current_.size += bytes;
    if (!current_.tooLarge && current_.size > maxRequestBytes_) {
        current_.tooLarge = true;
        current_.headers.clear();
        current_.headers.shrink_to_fit();
        current_.body.clear();
        current_.body.shrink_to_fit();
    }
}

void RequestParser::Compact()
{
    if (consumed_ == pending_.size()) {
        pending_.clear();
        consumed_ = 0;
        scanned_ = 0;
    } else if (consumed_ > 64 * 1024 && consumed_ * 2 > pending_.size()) {
        pending_.erase(0, consumed_);
        consumed_ = 0;
    }
}

bool RequestParser::TakeLine(std::string& line)
{
    for (;;) {
        const size_t from = consumed_ + scanned_;
        const size_t lf = pending_.find('\n', from);
        if (lf == std::string::npos) {
            scanned_ = pending_.size() - consumed_;
            if (scanned_ > maxRequestBytes_) {
                // A line longer than any request may be: count it and drop what is held, so a
                // peer that never sends a line feed cannot grow the buffer.
                Account(scanned_);
                discardingLine_ = true;
                consumed_ = pending_.size();
                scanned_ = 0;
                Compact();
            }
            return false;
        }
        const size_t length = lf + 1 - consumed_;
        Account(length);
        std::string_view raw(pending_.data() + consumed_, lf - consumed_);
        consumed_ = lf + 1;
        scanned_ = 0;
        if (discardingLine_) {
            // The tail of an over-long line never counts as a terminator or a header.
            discardingLine_ = false;
            line.assign(1, '\x01');
            return true;
        }
        // Carriage returns never travel on inside a line: one in the middle would let a peer
        // start a line of its own choosing at the receiving client.
        line.clear();
        line.reserve(raw.size());
        for (char c : raw) {
            if (c != '\r')
                line += c;
        }
        return true;
    }
}

std::optional<Request> RequestParser::Next()
{
    std::string line;
    while (TakeLine(line)) {
        switch (state_) {
        case State::Command: {
            std::string_view command = Trim(line);
            if (command.empty() && !current_.tooLarge) {
                current_ = Request{}; // blank lines between requests are harmless
                continue;
            }
            if (command == ".") {
                // A terminator with no command: report it as a malformed empty request.
                Request done = std::move(current_);
                done.malformed = true;
                current_ = Request{};
                Compact();
                return done;
            }
            current_.command = std::string(command.substr(0, 256));
            state_ = State::Headers;
            break;
        }
        case State::Headers:
        case State::Body: {
            if (line == ".") {
                Request done = std::move(current_);
                current_ = Request{};
                state_ = State::Command;
                Compact();
                return done;
            }
            if (current_.tooLarge)
                break;
            if (state_ == State::Body) {
                current_.body.push_back(line.size() > 0 && line[0] == '.' ? line.substr(1)
                                                                          : std::move(line));
                break;
            }
            if (line.empty()) {
                if (IEquals(current_.command, "MESSAGE"))
                    state_ = State::Body;
                break;
            }
            const size_t colon = line.find(':');
            if (colon == std::string::npos || colon == 0) {
                current_.malformed = true;
                break;
            }
            current_.headers.push_back(Header{std::string(Trim(line.substr(0, colon))),
                                              std::string(Trim(line.substr(colon + 1)))});
            break;
        }
        }
    }
    Compact();
    return std::nullopt;
}

} // namespace zep::devserver
