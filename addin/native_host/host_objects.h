// The mail client's objects as the add-in sees them (addin/host.h), kept here as a model of
// the toolbar and the selection that the extension draws and feeds. Nothing here blocks or
// throws; the one thread of the host program calls everything.
#pragma once

#include "addin/host.h"

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace zep::nativehost {

using addin::HResult;

// The connections made on one event source.
class EventConnections
{
public:
    HResult Advise(int connectionId, int dispid, addin::IEventSink* sink);
    HResult Unadvise(int connectionId);
    // Tells every connection that asked for `dispid`; a handler may end connections meanwhile.
    void Raise(int dispid);
    bool Empty() const { return m_connections.empty(); }

private:
    struct Advised
    {
        int dispid;
        addin::IEventSink* sink;
    };
    std::map<int, Advised> m_connections;
};

class ControlList;
class Toolbar;

class Control final : public addin::IControl
{
public:
    Control(Toolbar& toolbar, int id, addin::ControlType type);
    HResult SetCaption(const std::string& text) override;
    HResult SetTooltip(const std::string& text) override;
    HResult SetEnabled(bool enabled) override;
    HResult GetEnabled(bool& enabled) override;
    HResult SetBeginGroup(bool begins) override;
    HResult SetStyle(int style) override;
    HResult SetFace(const addin::FaceImage& face) override;
    std::shared_ptr<addin::IControls> Controls() override;
    HResult Advise(int id, int dispid, addin::IEventSink* sink) override;
    HResult Unadvise(int id) override;

    const int id;
    const addin::ControlType type;
    std::string caption;
    std::string tooltip;
    bool enabled = true;
    bool beginGroup = false;
    int style = 0;
    std::optional<addin::FaceImage> face;
    std::shared_ptr<ControlList> children; // pop-ups only
    EventConnections events;
};

class ControlList final : public addin::IControls
{
public:
    explicit ControlList(Toolbar& toolbar) : m_toolbar(toolbar) {}
    std::shared_ptr<addin::IControl> Add(addin::ControlType type, bool temporary) override;
    std::vector<std::shared_ptr<Control>> items;

private:
    Toolbar& m_toolbar;
};

// The one toolbar the add-in may add, its controls numbered 1, 2 ... in the order they were
// made (the numbers the extension's clicks name).
class Toolbar final : public addin::ICommandBar
{
public:
    Toolbar();
    std::shared_ptr<addin::IControls> Controls() override { return m_controls; }
    HResult GetVisible(bool& visible) override;
    HResult SetVisible(bool visible) override;
    HResult GetProperty(addin::BarProperty property, int& value) override;
    HResult SetProperty(addin::BarProperty property, int value) override;

    // The control with this number, or nullptr.
    std::shared_ptr<Control> Find(int id) const;
    const std::vector<std::shared_ptr<Control>>& TopLevel() const { return m_controls->items; }
    bool Visible() const { return m_visible; }

    // Used by ControlList.
    std::shared_ptr<Control> Make(addin::ControlType type);

    // More controls than any toolbar of the add-in has: a runaway caller gets a failure.
    static constexpr int kMaxControls = 64;

private:
    std::shared_ptr<ControlList> m_controls;
    std::vector<std::weak_ptr<Control>> m_byId; // index id - 1
    bool m_visible = false;
    std::map<addin::BarProperty, int> m_properties;
};

class CommandBars final : public addin::ICommandBars
{
public:
    std::shared_ptr<addin::ICommandBar> Add(const std::string& name, int position,
                                            bool temporary) override;
    HResult Advise(int id, int dispid, addin::IEventSink* sink) override;
    HResult Unadvise(int id) override;

    std::string name;
    std::shared_ptr<Toolbar> toolbar; // null until the add-in adds it
    EventConnections events;
};

struct ItemData
{
    int itemClass = 0;
    std::string address; // empty: the item has none
};

class Explorer final : public addin::IExplorer
{
public:
    Explorer() : bars(std::make_shared<nativehost::CommandBars>()) {}
    std::shared_ptr<addin::ISelection> Selection() override;
    std::shared_ptr<addin::ICommandBars> CommandBars() override { return bars; }
    HResult Advise(int id, int dispid, addin::IEventSink* sink) override;
    HResult Unadvise(int id) override;

    std::shared_ptr<nativehost::CommandBars> bars;
    int selectedCount = 0;
    std::optional<ItemData> firstItem; // the item when one is selected
    EventConnections events;
};

// The descriptors the add-in asked to be told about; the host's poll loop reads this.
class Loop final : public addin::IHostLoop
{
public:
    HResult WatchReadable(int fd, addin::IReadableHandler* handler) override;
    void Unwatch(int fd) override;
    std::map<int, addin::IReadableHandler*> watched;
};

class Application final : public addin::IApplication
{
public:
    Application() : explorer(std::make_shared<Explorer>()) {}
    std::shared_ptr<addin::IExplorer> ActiveExplorer() override { return explorer; }
    addin::IHostLoop* Loop() override { return &loop; }

    std::shared_ptr<Explorer> explorer;
    nativehost::Loop loop;
};

} // namespace zep::nativehost
