// The mail client as the add-in sees it: exactly the objects, properties and events the add-in
// uses, and nothing else. The host (the mail client's side of the add-in) implements these
// interfaces; the add-in only calls them, always on the host's one user-interface thread.
//
// Objects are shared: the add-in keeps a std::shared_ptr for as long as it needs an object and
// drops it at its teardown, as a COM client releases its references. A method that yields no
// object returns nullptr. Every other method returns an HRESULT-style result (addin/results.h):
// negative is a failure. No method may throw.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace zep::addin {

using HResult = std::int32_t;

// The item classes the selection tracking recognises.
inline constexpr int kClassContact = 40;
inline constexpr int kClassMail = 43;

// Event identifiers (DISPIDs) of the three event interfaces.
inline constexpr int kDispClick = 1;                // a button's Click
inline constexpr int kDispOnUpdate = 1;             // the command bars' OnUpdate
inline constexpr int kDispSelectionChange = 0xF007; // the explorer's SelectionChange
inline constexpr int kDispClose = 0xF008;           // the explorer's Close

// Receives the events of the connections the add-in made. The host passes back the connection
// identifier given to Advise and the event's DISPID.
class IEventSink
{
public:
    virtual void Invoke(int connectionId, int dispid) = 0;

protected:
    ~IEventSink() = default;
};

// An object that raises events. One connection per identifier; Unadvise ends it.
class IEventSource
{
public:
    virtual ~IEventSource() = default;
    virtual HResult Advise(int connectionId, int dispid, IEventSink* sink) = 0;
    virtual HResult Unadvise(int connectionId) = 0;
};

// A 16 x 16 button face: rows top to bottom, each pixel 0xAARRGGBB (not premultiplied). The
// host sets it on the button as it is; nothing goes through the user's clipboard.
struct FaceImage
{
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;
};

enum class ControlType
{
    Button = 1,
    Popup = 10,
};

// Button styles (the values of the mail client's object model).
inline constexpr int kStyleIconAndCaption = 3;

class IControls;

// A command-bar control: a button or a pop-up. Texts are UTF-8.
class IControl : public IEventSource
{
public:
    virtual HResult SetCaption(const std::string& text) = 0;
    virtual HResult SetTooltip(const std::string& text) = 0;
    virtual HResult SetEnabled(bool enabled) = 0;
    virtual HResult GetEnabled(bool& enabled) = 0;
    virtual HResult SetBeginGroup(bool begins) = 0;
    virtual HResult SetStyle(int style) = 0;
    virtual HResult SetFace(const FaceImage& face) = 0;
    // A pop-up's own controls; nullptr for a button.
    virtual std::shared_ptr<IControls> Controls() = 0;
};

class IControls
{
public:
    virtual ~IControls() = default;
    // Adds a control at the end; Temporary: the mail client does not keep it between runs.
    virtual std::shared_ptr<IControl> Add(ControlType type, bool temporary) = 0;
};

// Placement properties of a toolbar (integers in the mail client's units).
enum class BarProperty
{
    RowIndex,
    Position,
    Top,
    Left,
};

// Docking position "top" of the mail client's object model.
inline constexpr int kBarTop = 1;

class ICommandBar
{
public:
    virtual ~ICommandBar() = default;
    virtual std::shared_ptr<IControls> Controls() = 0;
    virtual HResult GetVisible(bool& visible) = 0;
    virtual HResult SetVisible(bool visible) = 0;
    virtual HResult GetProperty(BarProperty property, int& value) = 0;
    virtual HResult SetProperty(BarProperty property, int value) = 0;
};

// The explorer's command bars; raises OnUpdate.
class ICommandBars : public IEventSource
{
public:
    virtual std::shared_ptr<ICommandBar> Add(const std::string& name, int position,
                                             bool temporary) = 0;
};

// One item of the selection.
class IItem
{
public:
    virtual ~IItem() = default;
    // The item's message class (kClassMail, kClassContact or any other number).
    virtual HResult GetClass(int& itemClass) = 0;
    // The item's SMTP address as UTF-8: the sender's for a mail item, the first e-mail
    // address for a contact item. A failure means the item has none.
    virtual HResult GetSmtpAddress(std::string& address) = 0;
};

class ISelection
{
public:
    virtual ~ISelection() = default;
    virtual HResult GetCount(int& count) = 0;
    // Items are numbered from 1.
    virtual std::shared_ptr<IItem> Item(int index) = 0;
};

// The main window; raises SelectionChange and Close.
class IExplorer : public IEventSource
{
public:
    virtual std::shared_ptr<ISelection> Selection() = 0;
    virtual std::shared_ptr<ICommandBars> CommandBars() = 0;
};

// Told when a watched descriptor can be read.
class IReadableHandler
{
public:
    virtual void OnReadable(int fd) = 0;

protected:
    ~IReadableHandler() = default;
};

// The host's event loop: the add-in starts no thread, so the host tells it when its bus
// connection has something to read (the messenger's state signals).
class IHostLoop
{
public:
    virtual ~IHostLoop() = default;
    virtual HResult WatchReadable(int fd, IReadableHandler* handler) = 0;
    virtual void Unwatch(int fd) = 0;
};

class IApplication
{
public:
    virtual ~IApplication() = default;
    // The active main window; nullptr when the mail client runs without one.
    virtual std::shared_ptr<IExplorer> ActiveExplorer() = 0;
    // The host's loop; nullptr when it offers none (then the add-in only reads the bus when
    // one of its handlers runs).
    virtual IHostLoop* Loop() = 0;
};

} // namespace zep::addin
