#include "addin/strings.h"

#include <iterator>

namespace zep::addin {
namespace {

struct Entry
{
    int id;
    const char* text;
};

constexpr Entry kTable[] = {
    {str::ModuleName, "quillbay"},
    {str::Open, "Open"},
    {str::Launch, "Launch"},
    {str::Hide, "Hide"},
    {str::LogIn, "Log In"},
    {str::LogOut, "Log Out"},
    {str::Exit, "Exit"},
    {str::Send, "Send"},
    {str::InstantMessage, "Instant Message"},
    {str::SmsMessage, "SMS Message"},
    {str::PagerMessage, "Pager Message"},
    {str::TipInstantMessage, "Send Instant Message"},
    {str::TipSms, "Send SMS Message"},
    {str::TipPager, "Send Pager Message"},
    {str::TipEmail, "Send Email Message"},
    {str::EmailMessage, "Email Message"},
};

} // namespace

std::optional<std::string> LoadString(int id)
{
    for (const Entry& entry : kTable) {
        if (entry.id == id)
            return std::string(entry.text);
    }
    return std::nullopt;
}

} // namespace zep::addin
