#pragma once
// The request set: one operation per request, each taking the connection lock around format,
// exchange and reply parsing. Texts are UTF-8. A header value holding CR or LF is refused with
// BadArgument before anything is sent.

#include "protocol/contact_record.h"
#include "common/im_result.h"
#include "common/line_list.h"
#include "protocol/server_variables.h"
#include "protocol/vocabulary.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zep {

struct ImConnection;

// Addresses per "SUBSCRIBE" / "UNSUBSCRIBE" request.
inline constexpr std::size_t kSubscribeBatch = 20;
// The session identifier's buffer, terminator included.
inline constexpr std::size_t kSessionIdSize = 65;

// "VERSION": the server's protocol version ("4.0").
ImResult ImVersion(ImConnection& conn, std::string& version);

// "LOGON": keeps address and password for answering challenges, then logs on. `own` receives
// the user's record from the first data line (left empty when that line is short). Sets the
// logged-on flag on success.
ImResult ImLogon(ImConnection& conn, std::string_view email, std::string_view password,
                 ContactRecordUtf8& own);

// "GET VARIABLE" and "SET VARIABLE".
ImResult ImGetVariable(ImConnection& conn, ServerVariables& variables);
ImResult ImSetVariable(ImConnection& conn, const ServerVariables& variables);

enum class UserSearch
{
    All,        // no header: everyone
    Email,      // "Email": the exact address
    SearchEmail // "SearchEmail": a search text
};

// "LIST USERS" and "LIST CONTACTS": records of the lines with exactly three fields, in reverse
// reply order. An empty search text sends no header.
ImResult ImListUsers(ImConnection& conn, UserSearch by, std::string_view text,
                     std::vector<ContactRecordUtf8>& users);
ImResult ImListContacts(ImConnection& conn, ListType type,
                        std::vector<ContactRecordUtf8>& contacts);

// "CONTACT ADD" and "CONTACT DEL".
ImResult ImContactAdd(ImConnection& conn, ListType type, std::int32_t id);
ImResult ImContactDel(ImConnection& conn, std::int32_t id);

// "SUBSCRIBE" in batches of 20 addresses; each presence line updates the first contact with
// its address. Contacts without an address are skipped; none at all is Ok with nothing sent.
ImResult ImSubscribe(ImConnection& conn, std::vector<ContactRecordUtf8>& contacts);
// "UNSUBSCRIBE" in batches of 20 addresses.
ImResult ImUnsubscribe(ImConnection& conn, const std::vector<std::string>& emails);

// "PRESENCE"; "CustomStatus" is sent only when a text is given (even an empty one).
ImResult ImPresence(ImConnection& conn, PresenceStatus status, SubStatus subStatus,
                    std::optional<std::string_view> customStatus = std::nullopt);

// "INVITE" opening a new session with all the addresses; `sessionId` receives its identifier.
ImResult ImInvite(ImConnection& conn, const std::vector<std::string>& emails,
                  std::string& sessionId);
// "INVITE" of one more participant into an open session.
ImResult ImInviteToSession(ImConnection& conn, std::string_view sessionId, std::string_view email);
// "LEAVE".
ImResult ImLeave(ImConnection& conn, std::string_view sessionId);

// "MESSAGE" of `type` ("im", "email", "sms", "pager"). `extraHeaders` are complete CR LF
// lines (see ImHeaderLine); the body's line ends are made uniform and it is dot-stuffed.
// `reply` keeps the reply lines: for "im" the "250-"/"251-" lines name failed recipients.
ImResult ImMessage(ImConnection& conn, std::string_view type, std::string_view extraHeaders,
                   std::string_view body, LineList& reply);

// "KA" with the tick of the user's last activity; `count` receives the server's count of
// recent e-mail messages.
ImResult ImKeepAlive(ImConnection& conn, std::uint32_t activity, long long& count);

// Appends "name: value" CR LF to `out`; BadArgument (and `out` unchanged) when either holds
// CR or LF.
ImResult ImHeaderLine(std::string_view name, std::string_view value, std::string& out);

// The address of each "250-" (not delivered) or "251-" (content unacceptable) line of a
// "MESSAGE" reply, trimmed.
struct MessageFailure
{
    std::string address;
    bool contentUnacceptable = false;
};
std::vector<MessageFailure> ImMessageFailures(const LineList& reply);

} // namespace zep
