// Bytes from Thunderbird into the host program: frames, messages and the session's dispatch to
// an add-in that builds a small toolbar and reads the selection on its events. Never a crash
// or a hang, every reply is JSON, and an address taken from an author is a plain address.

#include "addin/native_host/frames.h"
#include "addin/native_host/mailbox.h"
#include "addin/native_host/messages.h"
#include "addin/native_host/session.h"
#include "addin/results.h"

#include <cstdint>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <string>

using namespace zep;
using namespace zep::nativehost;

namespace {

// A stand-in add-in: one pop-up with two buttons; clicks and selection changes flip states
// and read the selection as the real one does.
struct FakeAddin final : addin::IEventSink
{
    addin::IApplication* app = nullptr;
    std::shared_ptr<addin::IExplorer> explorer;
    std::shared_ptr<addin::IControl> popup, first, second;

    void Invoke(int id, int) override
    {
        if (id == 3) { // selection
            int count = 0;
            std::string address;
            if (auto selection = explorer->Selection();
                selection && !addin::Failed(selection->GetCount(count)) && count == 1) {
                if (auto item = selection->Item(1)) {
                    int itemClass = 0;
                    item->GetClass(itemClass);
                    item->GetSmtpAddress(address);
                }
            }
            first->SetEnabled(!address.empty());
            first->SetTooltip(address);
        } else if (id == 1 || id == 2) {
            bool enabled = false;
            second->GetEnabled(enabled);
            second->SetEnabled(!enabled);
        } else if (id == 5) {
            explorer->Unadvise(3);
            explorer->Unadvise(5);
        }
    }
};

FakeAddin* g_addin = nullptr;

std::int32_t Connect(void* application, quillbay_addin** out)
{
    auto* a = new FakeAddin;
    a->app = static_cast<addin::IApplication*>(application);
    a->explorer = a->app->ActiveExplorer();
    auto bar = a->explorer->CommandBars()->Add("bar", addin::kBarTop, true);
    a->popup = bar->Controls()->Add(addin::ControlType::Popup, true);
    a->popup->SetCaption("menu");
    a->first = a->popup->Controls()->Add(addin::ControlType::Button, true);
    a->second = bar->Controls()->Add(addin::ControlType::Button, true);
    a->first->Advise(1, addin::kDispClick, a);
    a->second->Advise(2, addin::kDispClick, a);
    a->explorer->Advise(3, addin::kDispSelectionChange, a);
    a->explorer->Advise(5, addin::kDispClose, a);
    a->explorer->CommandBars()->Advise(4, addin::kDispOnUpdate, a);
    g_addin = a;
    *out = reinterpret_cast<quillbay_addin*>(a);
    return 0;
}

std::int32_t Disconnect(quillbay_addin* addin)
{
    delete reinterpret_cast<FakeAddin*>(addin);
    g_addin = nullptr;
    return 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);

    const std::string address = MailboxAddress(bytes);
    if (!address.empty() &&
        (address.find('@') == std::string::npos || address.find(' ') != std::string::npos ||
         address.find('<') != std::string::npos))
        std::abort();

    Message message;
    std::string error;
    if (ParseMessage(bytes, message, error)) {
        if (message.count < 0 || message.count > kMaxSelectionCount || message.items.size() > 1 ||
            (message.count != 1 && !message.items.empty()))
            std::abort();
    } else if (error.empty()) {
        std::abort();
    }

    // The same bytes as the stream from Thunderbird, split where they fall, and each body
    // also given as it is.
    Session session({&Connect, &Disconnect}, {}, [](const std::string& json) {
        if (nlohmann::json::parse(json, nullptr, false).is_discarded())
            std::abort();
    });
    session.OnMessage(R"({"type":"hello"})");
    session.OnMessage(bytes);
    FrameReader reader;
    const std::size_t half = size / 2;
    reader.Append(bytes.data(), half);
    for (int round = 0; round < 2; ++round) {
        std::string body;
        std::uint32_t skipped = 0;
        for (Take t; (t = reader.Next(body, skipped)) != Take::NeedMore;) {
            if (t == Take::Frame)
                session.OnMessage(body);
            else
                session.OnOversized(skipped);
        }
        reader.Append(bytes.data() + half, size - half);
    }
    session.Close();
    if (g_addin != nullptr)
        std::abort(); // the add-in was let go
    return 0;
}
