// The contacts whose sign-in the user wants to be told of ("Notify Me When Online"), kept on
// this computer for each account, so two accounts on one computer keep lists of their own.
// Addresses compare without regard to case, as the server treats them.
#pragma once

#include <string>

namespace zep::presence_alerts {

bool Wanted(const std::u16string& own, const std::u16string& contact);
void Set(const std::u16string& own, const std::u16string& contact, bool wanted);

} // namespace zep::presence_alerts
