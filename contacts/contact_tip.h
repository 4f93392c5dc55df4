// The details tip of a contact row and the tips of the fixed rows.
#pragma once

#include "contacts/contact_display.h"
#include "contacts/date_format.h"

#include <string>

namespace zep::contacts {

// "Home SMS", "Work Pager" ... for methods 1..10; empty otherwise.
std::u16string ContactMethodLabel(ContactMethod method);
// The number that goes with a method, or empty when it has none.
std::u16string ContactMethodNumber(const ContactRecord& record);

// Lines "Caption: value" joined by "\r\n"; the date pattern is the user's own.
std::u16string ContactTip(const ContactRecord& record, const std::u16string& dateFormat,
                          const DateNameTexts& names = {});

// The tip of any row: details for contacts, a fixed text for the mail notice and the
// placeholders, nothing for the others.
std::u16string RowTip(const CContactDisplay& row, const std::u16string& dateFormat,
                      const DateNameTexts& names = {});

// What the control shows as the tip: when the row's text is shown cut off, the tip follows
// the full text instead of replacing it; cut to `capacity` - 1 characters.
std::u16string InfoTipText(const CContactDisplay& row, bool labelCutOff,
                           const std::u16string& dateFormat, std::size_t capacity,
                           const DateNameTexts& names = {});

} // namespace zep::contacts
