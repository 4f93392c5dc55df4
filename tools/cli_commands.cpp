// The one-shot commands: list, search, contact changes, status, variables, sending.

#include "tools/cli_commands.h"

#include "protocol/message_body.h"
#include "protocol/requests.h"
#include "protocol/utf_text.h"
#include "tools/cli_options.h"
#include "tools/cli_run.h"
#include "tools/im_body.h"
#include "tools/message_text.h"
#include "transport/im_connection.h"

#include <algorithm>
#include <charconv>
#include <ctime>
#include <ostream>

namespace zep::cli {

namespace {

// One field of an output line: a TAB or line break inside it would break the line format, and
// ESC, BEL, DEL or another control would reach the terminal; each becomes a space.
std::string Field(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (IsControlByte(text[i])) {
            out += ' ';
        } else if (IsUtf8C1Control(text, i)) {
            out += ' ';
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

void SortByName(std::vector<ContactRecordUtf8>& records)
{
    std::stable_sort(records.begin(), records.end(), [](const auto& a, const auto& b) {
        std::string na = AsciiLower(a.name);
        std::string nb = AsciiLower(b.name);
        if (na != nb)
            return na < nb;
        return AsciiLower(a.email) < AsciiLower(b.email);
    });
}

const ContactRecordUtf8* FindByEmail(const std::vector<ContactRecordUtf8>& records,
                                     std::string_view email)
{
    for (const ContactRecordUtf8& record : records)
        if (EqualsNoCase(record.email, email))
            return &record;
    return nullptr;
}

// Option "--name VALUE" among a command's arguments; removed from `args` when found.
bool TakeOption(std::vector<std::string>& args, const std::string& name, std::string& value,
                bool& present)
{
    present = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] != name)
            continue;
        if (i + 1 >= args.size())
            return false;
        value = args[i + 1];
        present = true;
        args.erase(args.begin() + static_cast<std::ptrdiff_t>(i),
                   args.begin() + static_cast<std::ptrdiff_t>(i) + 2);
        return true;
    }
    return true;
}

std::string TrimRight(std::string_view text, std::string_view what)
{
    std::size_t end = text.find_last_not_of(what);
    return std::string(end == std::string_view::npos ? std::string_view()
                                                     : text.substr(0, end + 1));
}

int Contacts(CliSession& s)
{
    std::vector<ContactRecordUtf8> contacts;
    ImResult r = ImListContacts(s.conn, ListType::Contact, contacts);
    if (r != ImResult::Ok)
        return s.Fail("list contacts", r);
    r = ImSubscribe(s.conn, contacts);
    if (r != ImResult::Ok)
        return s.Fail("subscribe", r);
    SortByName(contacts);
    std::string out;
    for (const ContactRecordUtf8& c : contacts) {
        std::string status;
        std::string sub;
        PresenceStatusToWord(c.status, status);
        SubStatusToWord(c.subStatus, sub);
        out += Field(c.email) + "\t" + status + "\t" + sub + "\t" + Field(c.name) + "\n";
    }
    *s.env.out << out << std::flush;
    return kExitOk;
}

int Search(CliSession& s)
{
    std::vector<ContactRecordUtf8> users;
    ImResult r = ImListUsers(s.conn, UserSearch::SearchEmail, s.options.args[0], users);
    if (r != ImResult::Ok)
        return s.Fail("search", r);
    SortByName(users);
    for (const ContactRecordUtf8& u : users)
        *s.env.out << Field(u.email) << "\t" << Field(u.name) << "\n";
    s.env.out->flush();
    return kExitOk;
}

// The directory entry of exactly this address.
ImResult FindUser(CliSession& s, const std::string& address, ContactRecordUtf8& user)
{
    std::vector<ContactRecordUtf8> users;
    ImResult r = ImListUsers(s.conn, UserSearch::SearchEmail, address, users);
    if (r != ImResult::Ok)
        return r;
    const ContactRecordUtf8* found = FindByEmail(users, address);
    if (!found)
        return ImResult::NotFound;
    user = *found;
    return ImResult::Ok;
}

int AddContact(CliSession& s)
{
    const std::string& address = s.options.args[0];
    if (EqualsNoCase(address, s.options.email) || EqualsNoCase(address, s.own.email))
        return s.Fail("add contact: that is your own address", ImResult::BadArgument);
    ContactRecordUtf8 user;
    ImResult r = FindUser(s, address, user);
    if (r != ImResult::Ok)
        return s.Fail("add contact: find " + address, r);
    std::vector<ContactRecordUtf8> contacts;
    r = ImListContacts(s.conn, ListType::Contact, contacts);
    if (r != ImResult::Ok)
        return s.Fail("add contact: list contacts", r);
    if (FindByEmail(contacts, address)) {
        *s.env.out << "'" << user.name << "' has already been added to your contact list."
                   << std::endl;
        return kExitOk;
    }
    r = ImContactAdd(s.conn, ListType::Contact, user.id);
    if (r != ImResult::Ok)
        return s.Fail("add contact", r);
    std::vector<ContactRecordUtf8> added{user};
    r = ImSubscribe(s.conn, added);
    if (r != ImResult::Ok)
        return s.Fail("add contact: subscribe", r);
    *s.env.out << "'" << user.name << "' has been successfully added to your contact list."
               << std::endl;
    return kExitOk;
}

int DeleteContact(CliSession& s)
{
    const std::string& address = s.options.args[0];
    std::vector<ContactRecordUtf8> contacts;
    ImResult r = ImListContacts(s.conn, ListType::Contact, contacts);
    if (r != ImResult::Ok)
        return s.Fail("delete contact: list contacts", r);
    const ContactRecordUtf8* contact = FindByEmail(contacts, address);
    if (!contact)
        return s.Fail("delete contact: " + address + " is not a contact", ImResult::NotFound);
    r = ImUnsubscribe(s.conn, {contact->email});
    if (r != ImResult::Ok)
        return s.Fail("delete contact: unsubscribe", r);
    r = ImContactDel(s.conn, contact->id);
    if (r != ImResult::Ok)
        return s.Fail("delete contact", r);
    return kExitOk;
}

int Block(CliSession& s)
{
    const std::string& address = s.options.args[0];
    std::vector<ContactRecordUtf8> contacts;
    ImResult r = ImListContacts(s.conn, ListType::Contact, contacts);
    if (r != ImResult::Ok)
        return s.Fail("block: list contacts", r);
    ContactRecordUtf8 target;
    if (const ContactRecordUtf8* contact = FindByEmail(contacts, address)) {
        target = *contact;
        r = ImUnsubscribe(s.conn, {target.email});
        if (r != ImResult::Ok)
            return s.Fail("block: unsubscribe", r);
    } else {
        // Someone met in a conversation need not be a contact.
        r = FindUser(s, address, target);
        if (r != ImResult::Ok)
            return s.Fail("block: find " + address, r);
    }
    r = ImContactAdd(s.conn, ListType::Blocked, target.id);
    if (r != ImResult::Ok)
        return s.Fail("block", r);
    *s.env.out << "'" << target.name
               << "' has been successfully added to your block list. You will not receive any "
                  "messages from this user."
               << std::endl;
    return kExitOk;
}

int Status(CliSession& s)
{
    std::vector<std::string> args = s.options.args;
    std::string custom;
    bool hasCustom = false;
    TakeOption(args, "--custom", custom, hasCustom);
    PresenceStatus status = PresenceStatus::Unavailable;
    SubStatus sub = SubStatus::None;
    PresenceStatusFromWord(args[0], status);
    if (args.size() > 1)
        SubStatusFromWord(args[1], sub);
    ImResult r = ImPresence(s.conn, status, sub,
                            hasCustom ? std::optional<std::string_view>(custom) : std::nullopt);
    if (r != ImResult::Ok)
        return s.Fail("presence", r);
    return kExitOk;
}

int Variables(CliSession& s)
{
    ServerVariables variables;
    ImResult r = ImGetVariable(s.conn, variables);
    if (r != ImResult::Ok)
        return s.Fail("get variable", r);
    for (std::size_t i = 0; i < ServerVariables::kCount; ++i)
        *s.env.out << ServerVariables::kNames[i] << "=" << variables.values[i] << "\n";
    s.env.out->flush();
    return kExitOk;
}

int SetVariable(CliSession& s)
{
    ServerVariables variables;
    ImResult r = ImGetVariable(s.conn, variables);
    if (r != ImResult::Ok)
        return s.Fail("get variable", r);
    for (const std::string& arg : s.options.args) {
        std::size_t eq = arg.find('=');
        *variables.Find(arg.substr(0, eq)) = arg.substr(eq + 1);
    }
    r = ImSetVariable(s.conn, variables);
    if (r != ImResult::Ok)
        return s.Fail("set variable", r);
    return kExitOk;
}

int SendIm(CliSession& s)
{
    const std::string& address = s.options.args[0];
    std::string text = TrimRight(s.options.args[1], "\r\n");
    std::string sessionId;
    ImResult r = ImInvite(s.conn, {address}, sessionId);
    if (r != ImResult::Ok)
        return s.Fail("invite", r);
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    ImMime mime = BuildImMime(text, PlainTextRtf(text), MimeBoundary(local));
    std::string headers;
    r = ImHeaderLine("SessionId", sessionId, headers);
    LineList reply;
    if (r == ImResult::Ok)
        r = ImMessage(s.conn, "im", headers + mime.headers, mime.body, reply);
    if (r == ImResult::Ok) {
        for (const MessageFailure& f : ImMessageFailures(reply))
            *s.env.out << "Failed to send message to '" << f.address << "'"
                       << (f.contentUnacceptable ? " - content unacceptable" : "") << "\n";
        s.env.out->flush();
    }
    // The session is left whether or not the message went out.
    ImResult left = ImLeave(s.conn, sessionId);
    if (r != ImResult::Ok)
        return s.Fail("message", r);
    if (left != ImResult::Ok)
        return s.Fail("leave", left);
    return kExitOk;
}

// "email", "sms" and "pager" as the offline message window sends them.
int SendOffline(CliSession& s, const std::string& type)
{
    const std::vector<std::string>& args = s.options.args;
    std::string from;
    if (type == "email")
        from = s.own.email.empty() ? s.options.email : s.own.email;
    else if (type == "sms")
        from = !s.own.workMobile.empty() ? s.own.workMobile : s.own.homeMobile;
    else
        from = s.own.workPager;
    if (from.empty())
        return s.Fail("send-" + type + ": no " + std::string(type == "sms" ? "mobile" : "pager") +
                          " number of your own",
                      ImResult::NotFound);
    std::string text = TrimRight(args.back(), " \r\n");
    text += "\r\n";
    std::string headers;
    ImResult r = ImHeaderLine("To", args[0], headers);
    if (r == ImResult::Ok)
        r = ImHeaderLine("From", from, headers);
    if (r == ImResult::Ok && type == "email") {
        r = ImHeaderLine("Subject", args[1], headers);
        headers += "MIME-Version: 1.0\r\nContent-Type: text/plain; charset=\"utf-8\"\r\n";
    }
    LineList reply;
    if (r == ImResult::Ok)
        r = ImMessage(s.conn, type, headers, text, reply);
    if (r != ImResult::Ok)
        return s.Fail("send-" + type, r);
    return kExitOk;
}

} // namespace

bool CheckCommandArgs(const CliOptions& o, std::string& problem)
{
    std::vector<std::string> args = o.args;
    for (const std::string& arg : args) {
        std::u16string ignored;
        if (!Utf8ToUtf16(arg, ignored)) {
            problem = "arguments must be UTF-8 text";
            return false;
        }
    }
    const auto count = [&](std::size_t n) {
        if (args.size() == n)
            return true;
        problem = o.command + " takes " + std::to_string(n) + " argument" + (n == 1 ? "" : "s");
        return false;
    };
    const std::string& c = o.command;
    if (c == "contacts" || c == "variables")
        return count(0);
    if (c == "watch") {
        std::string seconds;
        bool present = false;
        if (!TakeOption(args, "--seconds", seconds, present) || !count(0)) {
            problem = "usage: watch [--seconds N]";
            return false;
        }
        long long n = 0;
        auto [end, ec] = std::from_chars(seconds.data(), seconds.data() + seconds.size(), n);
        if (present && (ec != std::errc() || end != seconds.data() + seconds.size() || n < 0)) {
            problem = "bad --seconds value: " + seconds;
            return false;
        }
        return true;
    }
    if (c == "send-im" || c == "send-sms" || c == "send-pager" || c == "send-email") {
        if (!count(c == "send-email" ? 3 : 2))
            return false;
        if (TrimRight(args.back(), " \r\n").empty() || args[0].empty()) {
            problem = c + ": empty address or text";
            return false;
        }
        return true;
    }
    if (c == "search" || c == "add-contact" || c == "delete-contact" || c == "block") {
        if (!count(1))
            return false;
        if (args[0].empty()) {
            problem = c + ": empty text";
            return false;
        }
        return true;
    }
    if (c == "status") {
        std::string custom;
        bool present = false;
        if (!TakeOption(args, "--custom", custom, present) || args.empty() || args.size() > 2) {
            problem = "usage: status WORD [SUBWORD] [--custom TEXT]";
            return false;
        }
        PresenceStatus status;
        SubStatus sub;
        if (PresenceStatusFromWord(args[0], status) != ImResult::Ok) {
            problem = "unknown status word: " + args[0];
            return false;
        }
        if (args.size() > 1 && SubStatusFromWord(args[1], sub) != ImResult::Ok) {
            problem = "unknown sub-status word: " + args[1];
            return false;
        }
        return true;
    }
    if (c == "set-variable") {
        if (args.empty()) {
            problem = "usage: set-variable NAME=VALUE...";
            return false;
        }
        for (const std::string& arg : args) {
            std::size_t eq = arg.find('=');
            if (eq == std::string::npos ||
                ServerVariables::IndexOf(arg.substr(0, eq)) == ServerVariables::kCount) {
                problem = "unknown variable in: " + arg;
                return false;
            }
        }
        return true;
    }
    problem = "unknown command: " + c;
    return false;
}

int RunCommand(CliSession& s)
{
    const std::string& c = s.options.command;
    if (c == "contacts")
        return Contacts(s);
    if (c == "search")
        return Search(s);
    if (c == "add-contact")
        return AddContact(s);
    if (c == "delete-contact")
        return DeleteContact(s);
    if (c == "block")
        return Block(s);
    if (c == "status")
        return Status(s);
    if (c == "variables")
        return Variables(s);
    if (c == "set-variable")
        return SetVariable(s);
    if (c == "send-im")
        return SendIm(s);
    if (c == "send-email")
        return SendOffline(s, "email");
    if (c == "send-sms")
        return SendOffline(s, "sms");
    if (c == "send-pager")
        return SendOffline(s, "pager");
    return kExitUsage;
}

} // namespace zep::cli
