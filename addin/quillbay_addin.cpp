#include "addin/quillbay_addin.h"

#include "addin/faces.h"
#include "addin/launch.h"
#include "addin/paths.h"
#include "addin/strings.h"
#include "addin/toolbar_placement.h"

#include <new>
#include <optional>

namespace zep::addin {
namespace {

using Slot = CZEPQuillbay::Slot;

struct ControlRow
{
    Slot slot;
    ControlType type;
    int caption;       // string id; 0 for the fixed texts below
    const char* fixed; // caption of a pop-up that is no resource
    int face;          // 0: caption only
    bool enabled;
    bool beginGroup;
    int connection; // 0: no Click connection
    bool inMessengerMenu;
    bool inSendTypeMenu;
};

// The toolbar, in the order its controls are made.
constexpr ControlRow kControls[] = {
    {Slot::MessengerMenu, ControlType::Popup, 0, kToolbarName, 0, true, false, 0, false, false},
    {Slot::Launch, ControlType::Button, str::Launch, nullptr, 0, true, false, conn::LaunchClick,
     true, false},
    {Slot::Open, ControlType::Button, str::Open, nullptr, 0, true, false, conn::OpenClick, true,
     false},
    {Slot::Hide, ControlType::Button, str::Hide, nullptr, 0, true, false, conn::HideClick, true,
     false},
    {Slot::LogIn, ControlType::Button, str::LogIn, nullptr, 0, true, false, conn::LogInClick, true,
     false},
    {Slot::LogOut, ControlType::Button, str::LogOut, nullptr, 0, true, false, conn::LogOutClick,
     true, false},
    {Slot::Exit, ControlType::Button, str::Exit, nullptr, 0, true, false, conn::ExitClick, true,
     false},
    {Slot::Send, ControlType::Button, str::Send, nullptr, face::Send, false, true, conn::SendClick,
     false, false},
    {Slot::SendTypeMenu, ControlType::Popup, 0, kSendTypeCaption, 0, false, false, 0, false, false},
    {Slot::Im, ControlType::Button, str::InstantMessage, nullptr, face::InstantMessage, false,
     false, conn::ImClick, false, true},
    {Slot::Sms, ControlType::Button, str::SmsMessage, nullptr, face::SmsMessage, false, false,
     conn::SmsClick, false, true},
    {Slot::Pager, ControlType::Button, str::PagerMessage, nullptr, face::PagerMessage, false, false,
     conn::PagerClick, false, true},
    {Slot::Email, ControlType::Button, str::EmailMessage, nullptr, face::EmailMessage, false, false,
     conn::EmailClick, false, true},
};

HResult NoObject()
{
    return kFail;
}

} // namespace

CZEPQuillbay::CZEPQuillbay(std::unique_ptr<IMessengerClient> client, AddinOptions options)
    : m_client(std::move(client)), m_options(std::move(options))
{
    if (!m_options.now)
        m_options.now = [] { return std::chrono::steady_clock::now(); };
    if (!m_options.launch)
        m_options.launch = [] { Launch(); };
    if (m_options.placementFile.empty())
        m_options.placementFile = PlacementFile();
    if (m_options.settingsFile.empty())
        m_options.settingsFile = MessengerSettingsFile();
    m_client->SetStateListener([this](bool ownerChanged) {
        // A new owner is a new messenger: ask it at once rather than after the quiet time.
        if (ownerChanged)
            m_quietUntil = {};
        UpdateButtons();
    });
}

CZEPQuillbay::~CZEPQuillbay()
{
    Teardown();
}

bool CZEPQuillbay::Connected(int connectionId) const
{
    return connectionId >= 1 && connectionId <= conn::Count && m_connections[connectionId].made;
}

HResult CZEPQuillbay::OnConnection(IApplication* application)
{
    if (m_tornDown || application == nullptr)
        return kInvalidArgument;
    Enter();
    HResult r = kFail;
    try {
        m_application = application;
        r = Build();
    } catch (const std::bad_alloc&) {
        r = kOutOfMemory;
    } catch (...) {
        r = kFail;
    }
    if (Failed(r))
        Teardown();
    else
        SyncWatch();
    Leave();
    return r;
}

HResult CZEPQuillbay::Build()
{
    // 1. The active main window; without one the add-in stays idle.
    m_explorer = m_application->ActiveExplorer();
    if (!m_explorer)
        return kOk;
    // 2. The binding (no call is made).
    HResult r = m_client->Bind();
    if (Failed(r))
        return r;
    // 3. The "Send" button's tool tips, in the order instant message, SMS, pager, e-mail.
    const int tips[] = {str::TipInstantMessage, str::TipSms, str::TipPager, str::TipEmail};
    for (std::size_t i = 0; i < m_sendTooltips.size(); ++i) {
        std::optional<std::string> text = LoadString(tips[i]);
        if (!text)
            return kFail;
        m_sendTooltips[i] = *text;
    }
    m_sendMode = kModeInstantMessage;
    // 4, 5. The command bars and the toolbar, temporary: its placement is kept by us.
    m_commandBars = m_explorer->CommandBars();
    if (!m_commandBars)
        return NoObject();
    m_toolbar = m_commandBars->Add(kToolbarName, kBarTop, true);
    if (!m_toolbar)
        return NoObject();
    // 6. The controls.
    r = AddControls();
    if (Failed(r))
        return r;
    // 7. The buttons as the messenger stands now.
    UpdateButtons();
    // 8. The main window's and the command bars' events.
    r = Advise(conn::SelectionChange, kDispSelectionChange, m_explorer);
    if (!Failed(r))
        r = Advise(conn::Close, kDispClose, m_explorer);
    if (!Failed(r))
        r = Advise(conn::OnUpdate, kDispOnUpdate, m_commandBars);
    if (Failed(r))
        return r;
    m_eventsAdvised = true;
    // 9. The saved placement; the toolbar is shown whatever it said.
    RestorePlacement(*m_toolbar, m_options.placementFile);
    r = m_toolbar->SetVisible(true);
    m_placementReady = !Failed(r);
    return r;
}

HResult CZEPQuillbay::AddControls()
{
    std::shared_ptr<IControls> top = m_toolbar->Controls();
    if (!top)
        return NoObject();
    std::shared_ptr<IControls> messengerMenu;
    std::shared_ptr<IControls> sendTypeMenu;
    for (const ControlRow& row : kControls) {
        IControls* parent = row.inMessengerMenu  ? messengerMenu.get()
                            : row.inSendTypeMenu ? sendTypeMenu.get()
                                                 : top.get();
        if (parent == nullptr)
            return NoObject();
        std::shared_ptr<IControl> control = parent->Add(row.type, true);
        if (!control)
            return NoObject();
        m_controls[static_cast<int>(row.slot)] = control;
        std::string caption;
        if (row.caption != 0) {
            std::optional<std::string> text = LoadString(row.caption);
            if (!text)
                return kFail;
            caption = *text;
        } else {
            caption = row.fixed;
        }
        HResult r = control->SetCaption(caption);
        if (!Failed(r))
            r = control->SetEnabled(row.enabled);
        if (!Failed(r) && row.beginGroup)
            r = control->SetBeginGroup(true);
        if (!Failed(r) && row.face != 0) {
            // The image goes to the button directly; a face that is missing leaves the
            // caption alone.
            if (std::optional<FaceImage> face = LoadFace(row.face)) {
                r = control->SetStyle(kStyleIconAndCaption);
                if (!Failed(r))
                    r = control->SetFace(*face);
            }
        }
        if (!Failed(r) && row.connection != 0)
            r = Advise(row.connection, kDispClick, control);
        if (Failed(r))
            return r;
        if (row.type == ControlType::Popup) {
            std::shared_ptr<IControls> children = control->Controls();
            if (!children)
                return NoObject();
            (row.slot == Slot::MessengerMenu ? messengerMenu : sendTypeMenu) = children;
        }
    }
    return kOk;
}

HResult CZEPQuillbay::Advise(int connectionId, int dispid, std::shared_ptr<IEventSource> source)
{
    const HResult r = source->Advise(connectionId, dispid, this);
    if (!Failed(r)) {
        m_connections[connectionId].source = std::move(source);
        m_connections[connectionId].made = true;
    }
    return r;
}

void CZEPQuillbay::Teardown()
{
    if (m_tornDown)
        return;
    m_tornDown = true;
    try {
        // The binding first: nothing below may call the messenger.
        m_client->SetStateListener({});
        // The watch ends before the descriptor is closed with the connection.
        if (m_watchedFd >= 0 && m_application != nullptr && m_application->Loop() != nullptr)
            m_application->Loop()->Unwatch(m_watchedFd);
        m_watchedFd = -1;
        m_client->Unbind();
        for (int id = 1; id <= conn::Count; ++id) {
            Connection& c = m_connections[id];
            if (c.made)
                c.source->Unadvise(id);
            c.made = false;
            c.source.reset();
        }
        m_eventsAdvised = false;
        if (m_placementReady && m_toolbar)
            SavePlacement(*m_toolbar, m_options.placementFile, m_options.settingsFile);
    } catch (...) {
        // Nothing may leave the teardown; what was not released goes with the references.
    }
    m_placementReady = false;
    for (std::shared_ptr<IControl>& control : m_controls)
        control.reset();
    m_toolbar.reset();
    m_commandBars.reset();
    m_explorer.reset();
    m_application = nullptr;
}

void CZEPQuillbay::Destroy()
{
    Teardown();
    if (m_depth > 0)
        m_destroy = true;
    else
        delete this;
}

bool CZEPQuillbay::Leave()
{
    if (m_depth == 1 && !m_tornDown) {
        try {
            // Signals read along with our own calls wait in the connection, not in the
            // socket: the host's watch would not see them.
            m_client->Pump();
            SyncWatch();
        } catch (...) {
        }
    }
    --m_depth;
    if (m_depth == 0 && m_destroy) {
        delete this;
        return true;
    }
    return false;
}

void CZEPQuillbay::SyncWatch()
{
    IHostLoop* loop = m_application != nullptr ? m_application->Loop() : nullptr;
    if (loop == nullptr)
        return;
    const int fd = m_client->Descriptor();
    if (fd == m_watchedFd)
        return;
    if (m_watchedFd >= 0)
        loop->Unwatch(m_watchedFd);
    m_watchedFd = -1;
    if (fd >= 0 && !Failed(loop->WatchReadable(fd, this)))
        m_watchedFd = fd;
}

void CZEPQuillbay::Invoke(int connectionId, int dispid)
{
    if (m_tornDown || !Connected(connectionId))
        return;
    Enter();
    try {
        const bool click = dispid == kDispClick;
        switch (connectionId) {
        case conn::ImClick:
            if (click)
                OnSendTypeClick(SendKind::InstantMessage);
            break;
        case conn::SmsClick:
            if (click)
                OnSendTypeClick(SendKind::Sms);
            break;
        case conn::PagerClick:
            if (click)
                OnSendTypeClick(SendKind::Pager);
            break;
        case conn::EmailClick:
            if (click)
                OnSendTypeClick(SendKind::Email);
            break;
        case conn::SelectionChange:
            if (dispid == kDispSelectionChange)
                OnSelectionChange();
            break;
        case conn::OnUpdate:
            if (dispid == kDispOnUpdate)
                UpdateButtons();
            break;
        case conn::LogInClick:
            if (click)
                OnCommandClick(Command::LogIn);
            break;
        case conn::LogOutClick:
            if (click)
                OnCommandClick(Command::LogOut);
            break;
        case conn::LaunchClick:
            if (click)
                OnLaunchClick();
            break;
        case conn::ExitClick:
            if (click)
                OnCommandClick(Command::Exit);
            break;
        case conn::OpenClick:
            if (click)
                OnCommandClick(Command::Open);
            break;
        case conn::HideClick:
            if (click)
                OnCommandClick(Command::Hide);
            break;
        case conn::SendClick:
            if (click)
                OnSendClick();
            break;
        case conn::Close:
            if (dispid == kDispClose)
                OnExplorerClose();
            break;
        default:
            break;
        }
    } catch (...) {
        // Nothing crosses into the host; a handler cut short leaves the buttons as they were.
    }
    Leave();
}

void CZEPQuillbay::OnReadable(int)
{
    if (m_tornDown)
        return;
    Enter();
    Leave();
}

void CZEPQuillbay::OnExplorerClose()
{
    Teardown();
}

} // namespace zep::addin
