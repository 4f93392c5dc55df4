#include "wire_client.h"

#include <openssl/evp.h>

#include <algorithm>
#include <atomic>
#include <cctype>

namespace zep::devserver::test {

namespace {

std::string Trimmed(std::string text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.erase(0, 1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.pop_back();
    return text;
}

bool StartsNoCase(const std::string& text, std::string_view prefix)
{
    if (text.size() < prefix.size())
        return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(text[i])) !=
            std::tolower(static_cast<unsigned char>(prefix[i])))
            return false;
    }
    return true;
}

std::string Base64(const std::string& text)
{
    std::string out(4 * ((text.size() + 2) / 3) + 1, '\0');
    const int n = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data()),
                                  reinterpret_cast<const unsigned char*>(text.data()),
                                  static_cast<int>(text.size()));
    out.resize(static_cast<size_t>(n));
    return out;
}

} // namespace

std::string TestMd5(std::string_view text)
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    // Fetched once: an implicit fetch on every call costs more than the digest itself.
    static EVP_MD* const md5 = EVP_MD_fetch(nullptr, "MD5", nullptr);
    EVP_Digest(text.data(), text.size(), digest, &size, md5, nullptr);
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    for (unsigned int i = 0; i < size; ++i) {
        out += kHex[digest[i] >> 4];
        out += kHex[digest[i] & 0xf];
    }
    return out;
}

std::string FormatRequest(const std::string& command, const Headers& headers,
                          const std::vector<std::string>& body)
{
    std::string text = command + "\r\n";
    for (const auto& [name, value] : headers)
        text += name + ": " + value + "\r\n";
    if (command == "MESSAGE") {
        text += "\r\n";
        for (const std::string& line : body)
            text += (line.size() > 0 && line[0] == '.' ? "." : "") + line + "\r\n";
    }
    return text + ".\r\n";
}

void WireReader::Feed(std::string_view bytes)
{
    buffer_.append(bytes);
    Split();
}

void WireReader::Split()
{
    size_t start = 0;
    for (;;) {
        const size_t end = buffer_.find("\r\n", start);
        if (end == std::string::npos)
            break;
        std::string line = buffer_.substr(start, end - start);
        start = end + 2;
        if (line.rfind("S ", 0) == 0) {
            if (line == "S .") {
                WireReply reply;
                if (!replyLines_.empty()) {
                    reply.status = replyLines_.back();
                    replyLines_.pop_back();
                }
                reply.data = std::move(replyLines_);
                replyLines_.clear();
                replies_.push_back(std::move(reply));
                order_ += 'R';
            } else {
                replyLines_.push_back(line.substr(2));
            }
        } else if (line.rfind("A ", 0) == 0 || line == "A") {
            std::string content = line.size() > 2 ? line.substr(2) : "";
            if (content == ".") {
                events_.push_back(std::move(eventLines_));
                order_ += 'E';
                eventLines_.clear();
            } else {
                if (!content.empty() && content[0] == '.')
                    content.erase(0, 1);
                eventLines_.push_back(std::move(content));
            }
        } else {
            stray_.push_back(line);
        }
    }
    buffer_.erase(0, start);
}

std::optional<WireReply> WireReader::TakeReply()
{
    if (replies_.empty())
        return std::nullopt;
    WireReply reply = std::move(replies_.front());
    replies_.pop_front();
    return reply;
}

std::optional<WireEvent> WireReader::TakeEvent()
{
    if (events_.empty())
        return std::nullopt;
    WireEvent event = std::move(events_.front());
    events_.pop_front();
    return event;
}

void ClientAuth::SetUser(std::string user, std::string password)
{
    user_ = std::move(user);
    password_ = std::move(password);
    realm_ = user_; // the client's starting realm is the address
}

bool ClientAuth::Record(const WireReply& reply)
{
    for (const std::string& line : reply.data) {
        if (line.rfind("Authenticate:", 0) != 0)
            continue;
        const std::string value = Trimmed(line.substr(13));
        if (StartsNoCase(value, "Digest")) {
            // Split the whole text, scheme word included, at commas: the first parameter is
            // read under a name that starts with "Digest " and is lost, as the client does.
            size_t start = 0;
            while (start <= value.size()) {
                size_t end = value.find(',', start);
                if (end == std::string::npos)
                    end = value.size();
                const std::string piece = value.substr(start, end - start);
                start = end + 1;
                const size_t eq = piece.find('=');
                if (eq == std::string::npos)
                    continue;
                std::string name = Trimmed(piece.substr(0, eq));
                std::string v = piece.substr(eq + 1);
                while (!v.empty() && v.front() == '"')
                    v.erase(0, 1);
                while (!v.empty() && v.back() == '"')
                    v.pop_back();
                v = Trimmed(v);
                for (char& c : name)
                    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
                if (name == "realm")
                    realm_ = v;
                else if (name == "nonce")
                    nonce_ = v;
                else if (name == "qop")
                    qop_ = v;
                else if (name == "opaque")
                    opaque_ = v;
            }
            static std::atomic<int> counter{0};
            cnonce_ = "0000000" + std::to_string(100000 + (++counter % 100000));
            nonceCount_ = 1;
            digest_ = true;
            basic_ = false;
            return true;
        }
        if (StartsNoCase(value, "Basic")) {
            digest_ = false;
            basic_ = true;
            return true;
        }
        return false;
    }
    return false;
}

std::string ClientAuth::Apply(const std::string& request)
{
    std::string header;
    if (digest_) {
        const std::string ha1 = TestMd5(user_ + ":" + realm_ + ":" + password_);
        const std::string ha2 = TestMd5("IM:/");
        const std::string nc = std::to_string(nonceCount_);
        const std::string response =
            qop_.empty()
                ? TestMd5(ha1 + ":" + nonce_ + ":" + ha2)
                : TestMd5(ha1 + ":" + nonce_ + ":" + nc + ":" + cnonce_ + ":" + qop_ + ":" + ha2);
        header = "\r\nAuthorization: Digest username=\"" + user_ + "\",realm=\"" + realm_ +
                 "\",nonce=\"" + nonce_ + "\",uri=\"/\",qop=\"" + qop_ + "\",nc=\"" + nc +
                 "\",cnonce=\"" + cnonce_ + "\",response=\"" + response + "\",opaque=\"" + opaque_ +
                 "\"";
        ++nonceCount_;
    } else if (basic_) {
        header = "\r\nAuthorization: Basic " + Base64(user_ + ":" + password_);
    } else {
        return request;
    }
    const size_t eol = request.find("\r\n");
    return request.substr(0, eol) + header + request.substr(eol);
}

} // namespace zep::devserver::test
