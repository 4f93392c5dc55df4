// An offline-message host that records each send. A send is answered with the next queued
// result, later on the event loop and only while its window lives, as the frame does; with no
// result queued it stays open until the test completes it.
#pragma once

#include "conversations/offline_message_host.h"
#include "conversations/offline_message_window.h"

#include <QMetaObject>
#include <QPointer>
#include <deque>
#include <vector>

namespace zep::conversations::testing {

// What the frame answers while no view is logged on.
inline constexpr ImResult kNotConnected = ImResult::ConnectionClosed;

class FakeOfflineHost : public OfflineMessageHost
{
public:
    struct Sent
    {
        std::string type;
        std::string headers;
        std::string body;
        QPointer<QObject> context;
        std::function<void(ImResult)> done;
    };

    ContactRecord own;
    std::deque<ImResult> answers;
    std::vector<Sent> sent;
    std::vector<COfflineMessageWindow*> closed;
    std::vector<int> helpTopics;
    int abouts = 0;

    ContactRecord OwnRecord() const override { return own; }

    void SendOfflineMessage(std::string type, std::string headers, std::string body,
                            QObject* context, std::function<void(ImResult)> done) override
    {
        sent.push_back({std::move(type), std::move(headers), std::move(body), context, done});
        if (answers.empty())
            return;
        const ImResult result = answers.front();
        answers.pop_front();
        ++completed;
        QMetaObject::invokeMethod(
            context, [done, result] { done(result); }, Qt::QueuedConnection);
    }

    // The owner drops the window from its list and deletes it later.
    void OfflineWindowClosed(COfflineMessageWindow* window) override
    {
        closed.push_back(window);
        window->deleteLater();
    }
    void ShowHelp(int topic) override { helpTopics.push_back(topic); }
    void ShowAbout() override { ++abouts; }

    // Completes the oldest open send; the window may have gone meanwhile.
    void CompleteSend(ImResult result)
    {
        // Copies: the answer may start the next send, which grows the vector.
        const QPointer<QObject> context = sent.at(completed).context;
        const auto done = sent.at(completed).done;
        ++completed;
        if (context)
            done(result);
    }
    std::size_t OpenSends() const { return sent.size() - completed; }

private:
    std::size_t completed = 0;
};

} // namespace zep::conversations::testing
