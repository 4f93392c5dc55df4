#include "addin/native_host/messages.h"

#include "addin/host.h"

#include <nlohmann/json.hpp>

namespace zep::nativehost {

namespace {

using nlohmann::json;

// A whole number in [low, high]; JSON numbers with a fraction or out of range are refused.
bool WholeNumber(const json& value, long long low, long long high, long long& out)
{
    if (value.is_number_integer()) {
        out = value.get<long long>();
    } else if (value.is_number_unsigned()) {
        const auto u = value.get<unsigned long long>();
        if (u > static_cast<unsigned long long>(high))
            return false;
        out = static_cast<long long>(u);
    } else {
        return false;
    }
    return out >= low && out <= high;
}

bool ParseItem(const json& item, SelectedItem& out, std::string& error)
{
    if (!item.is_object()) {
        error = "an item is not an object";
        return false;
    }
    const auto kind = item.find("kind");
    if (kind == item.end() || !kind->is_string()) {
        error = "an item has no kind";
        return false;
    }
    const auto& k = kind->get_ref<const std::string&>();
    out.itemClass = k == "mail" ? addin::kClassMail : k == "contact" ? addin::kClassContact : 0;
    const auto address = item.find("address");
    if (address != item.end() && !address->is_null()) {
        if (!address->is_string()) {
            error = "an item's address is not text";
            return false;
        }
        out.mailbox = address->get<std::string>();
        if (out.mailbox.size() > kMaxMailboxBytes) {
            error = "an item's address is too long";
            return false;
        }
    }
    return true;
}

bool ParseSelection(const json& root, Message& m, std::string& error)
{
    const auto count = root.find("count");
    long long n = 0;
    if (count == root.end() || !WholeNumber(*count, 0, kMaxSelectionCount, n)) {
        error = "selection needs a count from 0 to " + std::to_string(kMaxSelectionCount);
        return false;
    }
    m.count = static_cast<int>(n);
    const auto items = root.find("items");
    if (items == root.end() || items->is_null()) {
        if (m.count != 1)
            return true;
        error = "a selection of one item needs that item";
        return false;
    }
    if (!items->is_array()) {
        error = "selection items are not a list";
        return false;
    }
    // Only the first item of a one-item selection is ever read.
    if (m.count == 1) {
        if (items->empty()) {
            error = "a selection of one item needs that item";
            return false;
        }
        SelectedItem item;
        if (!ParseItem(items->front(), item, error))
            return false;
        m.items.push_back(std::move(item));
    }
    return true;
}

} // namespace

bool ParseMessage(const std::string& text, Message& m, std::string& error)
{
    m = Message{};
    const json root = json::parse(text, nullptr, false);
    if (root.is_discarded()) {
        error = "not JSON";
        return false;
    }
    if (!root.is_object()) {
        error = "not an object";
        return false;
    }
    const auto type = root.find("type");
    if (type == root.end() || !type->is_string()) {
        error = "no type";
        return false;
    }
    const auto& t = type->get_ref<const std::string&>();
    if (t == "hello") {
        m.type = MessageType::Hello;
    } else if (t == "update") {
        m.type = MessageType::Update;
    } else if (t == "close") {
        m.type = MessageType::Close;
    } else if (t == "selection") {
        m.type = MessageType::Selection;
        return ParseSelection(root, m, error);
    } else if (t == "click") {
        m.type = MessageType::Click;
        const auto control = root.find("control");
        long long id = 0;
        if (control == root.end() || !WholeNumber(*control, 1, 1 << 20, id)) {
            error = "click needs a control number";
            return false;
        }
        m.control = static_cast<int>(id);
    } else if (t == "log") {
        m.type = MessageType::Log;
        const auto text = root.find("text");
        if (text == root.end() || !text->is_string() ||
            text->get_ref<const std::string&>().size() > kMaxLogBytes) {
            error = "log needs a text of at most " + std::to_string(kMaxLogBytes) + " bytes";
            return false;
        }
        m.text = text->get<std::string>();
    } else {
        error = "unknown type";
        return false;
    }
    return true;
}

std::string ErrorReply(const std::string& error)
{
    return json{{"type", "error"}, {"message", error}}.dump(-1, ' ', false,
                                                            json::error_handler_t::replace);
}

} // namespace zep::nativehost
