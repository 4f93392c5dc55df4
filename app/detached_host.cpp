#include "app/detached_host.h"

#include "conversations/message_window.h"
#include "ui/about_box.h"
#include "ui/help.h"

#include <QMetaObject>
#include <QObject>
#include <QPointer>

namespace zep {

namespace {

class Detached final : public conversations::ConversationHost
{
public:
    ContactRecord OwnRecord() const override { return {}; }
    ContactRecord LookupParticipant(const std::u16string& email, QObject* context,
                                    std::function<void(const ContactRecord&)> resolved) override
    {
        ContactRecord bare;
        bare.id = -1;
        bare.email = email;
        bare.name = email.substr(0, email.find(u'@'));
        if (resolved)
            Fail(context, [resolved, bare] { resolved(bare); }); // no directory to ask
        return bare;
    }
    void
    SendInstantMessage(std::string, std::string, QObject* context,
                       std::function<void(ImResult, std::vector<MessageFailure>)> done) override
    {
        Fail(context, [done] { done(ImResult::ConnectionClosed, {}); });
    }
    void InviteToSession(std::string, std::u16string, QObject* context,
                         std::function<void(ImResult)> done) override
    {
        Fail(context, [done] { done(ImResult::ConnectionClosed); });
    }
    void ListBlocked(QObject* context,
                     std::function<void(ImResult, std::vector<ContactRecord>)> done) override
    {
        Fail(context, [done] { done(ImResult::ConnectionClosed, {}); });
    }
    void BlockContact(const ContactRecord&) override {}
    std::unique_ptr<contacts::CContactDisplayList> OnlineContacts() const override
    {
        return std::make_unique<contacts::CContactDisplayList>();
    }
    std::optional<contacts::CContactDisplay> FindContactRow(const std::u16string&) const override
    {
        return std::nullopt;
    }
    void ConversationClosed(conversations::MessageWindow* window) override
    {
        window->deleteLater();
    }
    void ShowHelp(int topic) override { zep::ShowHelp(static_cast<unsigned>(topic)); }
    void ShowAbout() override { ShowAboutBox(nullptr); }

private:
    // Results are never given while the caller is still on the stack.
    static void Fail(QObject* context, std::function<void()> call)
    {
        if (context && call)
            QMetaObject::invokeMethod(context, std::move(call), Qt::QueuedConnection);
    }
};

} // namespace

conversations::ConversationHost& DetachedConversationHost()
{
    static Detached host;
    return host;
}

} // namespace zep
