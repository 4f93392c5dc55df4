// The user's own presence.

#include "protocol/request_builder.h"
#include "protocol/requests.h"
#include "transport/im_connection.h"

#include <mutex>

namespace zep {

ImResult ImPresence(ImConnection& conn, PresenceStatus status, SubStatus subStatus,
                    std::optional<std::string_view> customStatus)
{
    std::lock_guard<std::recursive_mutex> guard(conn.lock);
    std::string statusWord;
    std::string subWord;
    ImResult r = PresenceStatusToWord(status, statusWord);
    if (r == ImResult::Ok)
        r = SubStatusToWord(subStatus, subWord);
    if (r != ImResult::Ok)
        return r;
    RequestBuilder builder("PRESENCE");
    builder.Header("Status", statusWord).Header("SubStatus", subWord);
    if (customStatus)
        builder.Header("CustomStatus", *customStatus);
    std::string request;
    r = builder.Finish(request);
    LineList reply;
    if (r == ImResult::Ok)
        r = ExchangeRequest(conn, request, reply);
    return r;
}

} // namespace zep
