// Reply data lines of "LOGON", "LIST ..." and "SUBSCRIBE" into records: never a crash, and
// every text of a parsed record fits its field and is whole UTF-8 when the input was.

#include "protocol/contact_record.h"
#include "protocol/reply_records.h"
#include "protocol/utf_text.h"

#include <cstdint>
#include <cstdlib>
#include <string>

using namespace zep;

namespace {

void Check(const ContactRecordUtf8& r)
{
    if (r.name.size() >= kNameSize || r.email.size() >= kEmailSize ||
        r.customStatus.size() >= kCustomStatusSize || r.emailMethod.size() >= kEmailMethodSize ||
        r.workPager.size() >= kPhoneSize || r.location.size() >= kLocationSize ||
        r.dateFormat.size() >= kDateFormatSize || r.accountText.size() >= kAccountTextSize)
        std::abort();
    ContactRecord wide;
    ContactRecordUtf8 back;
    if (ToUtf16(r, wide) == ImResult::Ok && ToUtf8(wide, back) == ImResult::Ok && !(back == r))
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string line(reinterpret_cast<const char*>(data), size);
    ContactRecordUtf8 record;
    if (ParseLogonLine(line, record))
        Check(record);
    if (ParseUserLine(line, record))
        Check(record);
    if (ParsePresenceLine(line, record)) {
        Check(record);
        ContactRecordUtf8 target;
        CopyPresence(record, target);
    }
    ParseEmailTime(line);
    return 0;
}
