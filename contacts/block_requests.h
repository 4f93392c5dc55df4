// The block list's requests, on a connection the caller holds under AppLock (the view's worker).
#pragma once

#include "common/im_result.h"
#include "protocol/contact_record.h"
#include "transport/im_connection.h"

#include <string>
#include <vector>

namespace zep {

// "LIST CONTACTS" of type "BLOCKED"; records that do not convert are left out.
ImResult RequestBlockList(ImConnection& conn, std::vector<ContactRecord>& blocked);

// Takes `email` off the block list: "CONTACT DEL" of its entry's Id. Ok when the list does not
// hold it.
ImResult RequestUnblock(ImConnection& conn, const std::u16string& email);

} // namespace zep
