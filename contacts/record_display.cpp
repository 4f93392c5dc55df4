#include "contacts/record_display.h"

namespace zep {

using contacts::CContactDisplay;
using contacts::ContactDisplayKind;

CContactDisplay RowFor(const ContactRecord& record)
{
    CContactDisplay row;
    row.Contact = record;
    row.Indent = 1;
    row.Kind = record.status == PresenceStatus::Available ? ContactDisplayKind::OnlineContact
                                                          : ContactDisplayKind::OfflineContact;
    row.Label = contacts::ContactLabel(row.Contact);
    return row;
}

} // namespace zep
