// The add-in object: its connection to the mail client (the toolbar, its controls and the
// fourteen event connections), its one teardown, and what the toolbar's buttons do.
#pragma once

#include "addin/host.h"
#include "addin/messenger_client.h"

#include <array>
#include <chrono>
#include <functional>
#include <memory>
#include <string>

namespace zep::addin {

// The event connections by identifier.
namespace conn {
inline constexpr int ImClick = 1;
inline constexpr int SmsClick = 2;
inline constexpr int PagerClick = 3;
inline constexpr int EmailClick = 4;
inline constexpr int SelectionChange = 5;
inline constexpr int OnUpdate = 6;
inline constexpr int LogInClick = 7;
inline constexpr int LogOutClick = 8;
inline constexpr int LaunchClick = 9;
inline constexpr int ExitClick = 10;
inline constexpr int OpenClick = 11;
inline constexpr int HideClick = 12;
inline constexpr int SendClick = 13;
inline constexpr int Close = 14;
inline constexpr int Count = 14;
} // namespace conn

// SendMode values.
inline constexpr int kModeInstantMessage = 0;
inline constexpr int kModeEmail = 1;
inline constexpr int kModeSms = 2;
inline constexpr int kModePager = 3;

// What the add-in takes from its surroundings, so tests can put their own in.
struct AddinOptions
{
    std::function<std::chrono::steady_clock::time_point()> now = [] {
        return std::chrono::steady_clock::now();
    };
    // "Launch"; the default starts the installed messenger (addin/launch.h).
    std::function<void()> launch;
    // Empty: the default places (addin/paths.h).
    std::string placementFile;
    std::string settingsFile;
    // After a failed query the toolbar's updates leave the messenger alone this long.
    std::chrono::milliseconds quiet{2000};
};

class CZEPQuillbay final : public IEventSink, public IReadableHandler
{
public:
    // The controls, in the order the toolbar shows them.
    enum class Slot
    {
        MessengerMenu,
        Launch,
        Open,
        Hide,
        LogIn,
        LogOut,
        Exit,
        Send,
        SendTypeMenu,
        Im,
        Sms,
        Pager,
        Email,
        Count,
    };

    CZEPQuillbay(std::unique_ptr<IMessengerClient> client, AddinOptions options = {});
    ~CZEPQuillbay();
    CZEPQuillbay(const CZEPQuillbay&) = delete;
    CZEPQuillbay& operator=(const CZEPQuillbay&) = delete;

    // Builds the toolbar on the active main window; the first failure, or S_OK (also when
    // there is no main window: the add-in then stays idle). A failure tears everything down.
    HResult OnConnection(IApplication* application);
    // The one teardown: every event connection made is ended, the placement saved when the
    // toolbar was fully built, the binding released, every reference to the host dropped.
    // Later calls and later events do nothing.
    void Teardown();
    // Teardown, then frees the object, at once or, inside one of its own handlers, when the
    // outermost handler returns.
    void Destroy();

    // Events from the host.
    void Invoke(int connectionId, int dispid) override;
    void OnReadable(int fd) override;

    // The handlers.
    void OnSelectionChange();
    void UpdateButtons();
    void OnSendTypeClick(SendKind kind);
    void OnSendClick();
    void OnCommandClick(Command command);
    void OnLaunchClick();
    void OnExplorerClose();

    const std::string& SenderAddress() const { return m_senderAddress; }
    int SendMode() const { return m_sendMode; }
    bool EventsAdvised() const { return m_eventsAdvised; }
    bool TornDown() const { return m_tornDown; }
    bool Connected(int connectionId) const;

private:
    struct Connection
    {
        std::shared_ptr<IEventSource> source;
        bool made = false;
    };

    HResult Build();
    HResult AddControls();
    HResult Advise(int connectionId, int dispid, std::shared_ptr<IEventSource> source);
    void SetEnabled(Slot slot, bool enabled);
    bool IsEnabled(Slot slot);
    void FailedSend();
    void SyncWatch();
    void Enter() { ++m_depth; }
    // Leaves a handler: reads what the bus queued meanwhile, then frees the object when its
    // destruction was asked for inside. True when the object is gone.
    bool Leave();

    std::unique_ptr<IMessengerClient> m_client;
    AddinOptions m_options;
    std::array<Connection, conn::Count + 1> m_connections{};

    IApplication* m_application = nullptr;
    std::shared_ptr<IExplorer> m_explorer;
    std::shared_ptr<ICommandBars> m_commandBars;
    std::shared_ptr<ICommandBar> m_toolbar;
    std::array<std::shared_ptr<IControl>, static_cast<int>(Slot::Count)> m_controls{};

    bool m_eventsAdvised = false;
    bool m_placementReady = false; // built through the placement restore
    bool m_tornDown = false;
    bool m_destroy = false;
    int m_depth = 0;
    bool m_updating = false;
    int m_watchedFd = -1;

    std::string m_senderAddress;
    int m_sendMode = kModeInstantMessage;
    std::array<std::string, 4> m_sendTooltips{};

    // Until then UpdateButtons shows m_quietState instead of asking the messenger.
    std::chrono::steady_clock::time_point m_quietUntil{};
    struct State
    {
        bool reachable = false;
        bool visible = false;
        bool loggedOn = false;
    } m_quietState;
};

} // namespace zep::addin
