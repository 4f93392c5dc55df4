#include "addin/native_host/host_objects.h"

#include "addin/results.h"

namespace zep::nativehost {

namespace {

using addin::kFail;
using addin::kInvalidArgument;
using addin::kOk;

class Item final : public addin::IItem
{
public:
    explicit Item(ItemData data) : m_data(std::move(data)) {}
    HResult GetClass(int& itemClass) override
    {
        itemClass = m_data.itemClass;
        return kOk;
    }
    HResult GetSmtpAddress(std::string& address) override
    {
        if (m_data.address.empty())
            return kFail;
        address = m_data.address;
        return kOk;
    }

private:
    ItemData m_data;
};

class SelectionObject final : public addin::ISelection
{
public:
    SelectionObject(int count, std::optional<ItemData> first)
        : m_count(count), m_first(std::move(first))
    {
    }
    HResult GetCount(int& count) override
    {
        count = m_count;
        return kOk;
    }
    std::shared_ptr<addin::IItem> Item(int index) override
    {
        if (index != 1 || !m_first)
            return nullptr;
        return std::make_shared<nativehost::Item>(*m_first);
    }

private:
    int m_count;
    std::optional<ItemData> m_first;
};

} // namespace

HResult EventConnections::Advise(int connectionId, int dispid, addin::IEventSink* sink)
{
    if (sink == nullptr)
        return kInvalidArgument;
    if (!m_connections.emplace(connectionId, Advised{dispid, sink}).second)
        return kFail; // one connection per identifier
    return kOk;
}

HResult EventConnections::Unadvise(int connectionId)
{
    return m_connections.erase(connectionId) == 1 ? kOk : kFail;
}

void EventConnections::Raise(int dispid)
{
    const auto connections = m_connections;
    for (const auto& [id, advised] : connections) {
        // Still connected: an earlier handler may have ended it.
        const auto now = m_connections.find(id);
        if (advised.dispid == dispid && now != m_connections.end() &&
            now->second.sink == advised.sink)
            advised.sink->Invoke(id, dispid);
    }
}

Control::Control(Toolbar& toolbar, int controlId, addin::ControlType controlType)
    : id(controlId), type(controlType)
{
    if (type == addin::ControlType::Popup)
        children = std::make_shared<ControlList>(toolbar);
}

HResult Control::SetCaption(const std::string& text)
{
    caption = text;
    return kOk;
}

HResult Control::SetTooltip(const std::string& text)
{
    tooltip = text;
    return kOk;
}

HResult Control::SetEnabled(bool e)
{
    enabled = e;
    return kOk;
}

HResult Control::GetEnabled(bool& e)
{
    e = enabled;
    return kOk;
}

HResult Control::SetBeginGroup(bool begins)
{
    beginGroup = begins;
    return kOk;
}

HResult Control::SetStyle(int s)
{
    style = s;
    return kOk;
}

HResult Control::SetFace(const addin::FaceImage& f)
{
    if (f.width <= 0 || f.height <= 0 || f.width > 64 || f.height > 64 ||
        f.pixels.size() != static_cast<std::size_t>(f.width) * static_cast<std::size_t>(f.height))
        return kInvalidArgument;
    face = f;
    return kOk;
}

std::shared_ptr<addin::IControls> Control::Controls()
{
    return children;
}

HResult Control::Advise(int connectionId, int dispid, addin::IEventSink* sink)
{
    return events.Advise(connectionId, dispid, sink);
}

HResult Control::Unadvise(int connectionId)
{
    return events.Unadvise(connectionId);
}

std::shared_ptr<addin::IControl> ControlList::Add(addin::ControlType type, bool)
{
    if (type != addin::ControlType::Button && type != addin::ControlType::Popup)
        return nullptr;
    auto control = m_toolbar.Make(type);
    if (control)
        items.push_back(control);
    return control;
}

Toolbar::Toolbar() : m_controls(std::make_shared<ControlList>(*this)) {}

std::shared_ptr<Control> Toolbar::Make(addin::ControlType type)
{
    if (m_byId.size() >= kMaxControls)
        return nullptr;
    auto control = std::make_shared<Control>(*this, static_cast<int>(m_byId.size()) + 1, type);
    m_byId.push_back(control);
    return control;
}

std::shared_ptr<Control> Toolbar::Find(int id) const
{
    if (id < 1 || id > static_cast<int>(m_byId.size()))
        return nullptr;
    return m_byId[static_cast<std::size_t>(id - 1)].lock();
}

HResult Toolbar::GetVisible(bool& visible)
{
    visible = m_visible;
    return kOk;
}

HResult Toolbar::SetVisible(bool visible)
{
    m_visible = visible;
    return kOk;
}

HResult Toolbar::GetProperty(addin::BarProperty property, int& value)
{
    // Thunderbird places the controls itself; the add-in's placement is kept as given.
    const auto it = m_properties.find(property);
    value = it == m_properties.end()
                ? (property == addin::BarProperty::Position ? addin::kBarTop : 0)
                : it->second;
    return kOk;
}

HResult Toolbar::SetProperty(addin::BarProperty property, int value)
{
    m_properties[property] = value;
    return kOk;
}

std::shared_ptr<addin::ICommandBar> CommandBars::Add(const std::string& barName, int, bool)
{
    if (toolbar)
        return nullptr; // one toolbar per main window
    name = barName;
    toolbar = std::make_shared<Toolbar>();
    return toolbar;
}

HResult CommandBars::Advise(int id, int dispid, addin::IEventSink* sink)
{
    return events.Advise(id, dispid, sink);
}

HResult CommandBars::Unadvise(int id)
{
    return events.Unadvise(id);
}

std::shared_ptr<addin::ISelection> Explorer::Selection()
{
    return std::make_shared<SelectionObject>(selectedCount,
                                             selectedCount == 1 ? firstItem : std::nullopt);
}

HResult Explorer::Advise(int id, int dispid, addin::IEventSink* sink)
{
    return events.Advise(id, dispid, sink);
}

HResult Explorer::Unadvise(int id)
{
    return events.Unadvise(id);
}

HResult Loop::WatchReadable(int fd, addin::IReadableHandler* handler)
{
    if (fd < 0 || handler == nullptr)
        return kInvalidArgument;
    watched[fd] = handler;
    return kOk;
}

void Loop::Unwatch(int fd)
{
    watched.erase(fd);
}

} // namespace zep::nativehost
