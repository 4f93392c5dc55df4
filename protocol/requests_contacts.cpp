// Requests of the contact and block lists and their presence subscriptions.

#include "protocol/reply_records.h"
#include "protocol/request_builder.h"
#include "protocol/requests.h"
#include "protocol/utf_text.h"
#include "transport/im_connection.h"
#include "transport/log_writer.h"

#include <mutex>
#include <unordered_map>

namespace zep {

namespace {

// Records of the three-field lines before the status line, newest first.
ImResult ListRequest(ImConnection& conn, std::string_view request, ListType type,
                     std::vector<ContactRecordUtf8>& records)
{
    records.clear();
    LineList reply;
    ImResult r = ExchangeRequest(conn, request, reply);
    if (r != ImResult::Ok)
        return r;
    // Each record goes to the front of the result, so the list runs in reverse reply order. No
    // room is reserved from the number of lines: the server decides it, and any line may be
    // one that is no record.
    for (std::size_t i = reply.Empty() ? 0 : reply.Size() - 1; i-- > 0;) {
        ContactRecordUtf8 record;
        if (ParseUserLine(reply[i], record)) {
            record.type = type;
            records.push_back(std::move(record));
        }
    }
    return ImResult::Ok;
}

// Comma-joined addresses in batches. An address that could break the value (a line break) or
// the list (a comma) is BadArgument, or with `skipBad` skipped and logged: one bad record from
// the server must not cost every other contact its presence.
ImResult Batches(const std::vector<std::string_view>& emails, std::vector<std::string>& batches,
                 bool skipBad)
{
    batches.clear();
    std::size_t inBatch = 0;
    for (std::string_view email : emails) {
        if (email.find_first_of("\r\n,") != std::string_view::npos) {
            if (!skipBad)
                return ImResult::BadArgument;
            std::string shown(email.substr(0, 64));
            for (char& c : shown)
                if (c == '\r' || c == '\n')
                    c = ' ';
            LogWriteIf(ZepimLog(), kLogFailure, 99999, "address skipped in a list: %s",
                       shown.c_str());
            continue;
        }
        if (inBatch == 0)
            batches.emplace_back();
        else
            batches.back().push_back(',');
        batches.back().append(email);
        if (++inBatch == kSubscribeBatch)
            inBatch = 0;
    }
    return ImResult::Ok;
}

} // namespace

ImResult ImListUsers(ImConnection& conn, UserSearch by, std::string_view text,
                     std::vector<ContactRecordUtf8>& users)
{
    std::lock_guard<std::recursive_mutex> guard(conn.lock);
    users.clear();
    RequestBuilder builder("LIST USERS");
    if (by != UserSearch::All && !text.empty())
        builder.Header(by == UserSearch::Email ? "Email" : "SearchEmail", text);
    std::string request;
    ImResult r = builder.Finish(request);
    if (r != ImResult::Ok)
        return r;
    return ListRequest(conn, request, ListType::Contact, users);
}

ImResult ImListContacts(ImConnection& conn, ListType type, std::vector<ContactRecordUtf8>& contacts)
{
    std::lock_guard<std::recursive_mutex> guard(conn.lock);
    contacts.clear();
    std::string word;
    ImResult r = ListTypeToWord(type, word);
    if (r != ImResult::Ok)
        return r;
    std::string request;
    r = RequestBuilder("LIST CONTACTS").Header("Type", word).Finish(request);
    if (r != ImResult::Ok)
        return r;
    return ListRequest(conn, request, type, contacts);
}

ImResult ImContactAdd(ImConnection& conn, ListType type, std::int32_t id)
{
    std::lock_guard<std::recursive_mutex> guard(conn.lock);
    std::string word;
    ImResult r = ListTypeToWord(type, word);
    if (r != ImResult::Ok)
        return r;
    std::string request;
    r = RequestBuilder("CONTACT ADD").Header("Type", word).Header("Id", id).Finish(request);
    LineList reply;
    if (r == ImResult::Ok)
        r = ExchangeRequest(conn, request, reply);
    return r;
}

ImResult ImContactDel(ImConnection& conn, std::int32_t id)
{
    std::lock_guard<std::recursive_mutex> guard(conn.lock);
    std::string request;
    ImResult r = RequestBuilder("CONTACT DEL").Header("Id", id).Finish(request);
    LineList reply;
    if (r == ImResult::Ok)
        r = ExchangeRequest(conn, request, reply);
    return r;
}

ImResult ImSubscribe(ImConnection& conn, std::vector<ContactRecordUtf8>& contacts)
{
    std::lock_guard<std::recursive_mutex> guard(conn.lock);
    std::vector<std::string_view> emails;
    // The first contact with an address receives its presence.
    std::unordered_map<std::string, std::size_t> byEmail;
    for (std::size_t i = 0; i < contacts.size(); ++i) {
        if (contacts[i].email.empty())
            continue;
        emails.push_back(contacts[i].email);
        byEmail.emplace(AsciiLower(contacts[i].email), i);
    }
    std::vector<std::string> batches;
    ImResult r = Batches(emails, batches, true);
    if (r != ImResult::Ok)
        return r;
    for (const std::string& batch : batches) {
        std::string request;
        r = RequestBuilder("SUBSCRIBE").Header("Email", batch).Finish(request);
        LineList reply;
        if (r == ImResult::Ok)
            r = ExchangeRequest(conn, request, reply);
        if (r != ImResult::Ok)
            return r;
        for (std::size_t i = 0; i + 1 < reply.Size(); ++i) {
            ContactRecordUtf8 presence;
            if (!ParsePresenceLine(reply[i], presence))
                continue;
            auto found = byEmail.find(AsciiLower(presence.email));
            if (found != byEmail.end())
                CopyPresence(presence, contacts[found->second]);
        }
    }
    return ImResult::Ok;
}

ImResult ImUnsubscribe(ImConnection& conn, const std::vector<std::string>& emails)
{
    std::lock_guard<std::recursive_mutex> guard(conn.lock);
    std::vector<std::string_view> views;
    for (const std::string& email : emails)
        if (!email.empty())
            views.push_back(email);
    std::vector<std::string> batches;
    ImResult r = Batches(views, batches, false);
    if (r != ImResult::Ok)
        return r;
    for (const std::string& batch : batches) {
        std::string request;
        r = RequestBuilder("UNSUBSCRIBE").Header("Email", batch).Finish(request);
        LineList reply;
        if (r == ImResult::Ok)
            r = ExchangeRequest(conn, request, reply);
        if (r != ImResult::Ok)
            return r;
    }
    return ImResult::Ok;
}

} // namespace zep
