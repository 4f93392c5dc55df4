// Conversion between the protocol's contact record and the contact list's row record, and the
// row a record is shown as.
#pragma once

#include "contacts/contact_display.h"
#include "protocol/contact_record.h"

namespace zep {

contacts::Record ToDisplay(const ContactRecord& record);
ContactRecord FromDisplay(const contacts::Record& display);
// An online or offline contact row with its label.
contacts::CContactDisplay RowFor(const ContactRecord& record);

} // namespace zep
