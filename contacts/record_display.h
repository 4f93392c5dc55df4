// The contact-list row a contact record is shown as.
#pragma once

#include "contacts/contact_display.h"
#include "protocol/contact_record.h"

namespace zep {

// An online or offline contact row with its label.
contacts::CContactDisplay RowFor(const ContactRecord& record);

} // namespace zep
