#include "test_host.h"

#include "addin/results.h"

#include <poll.h>

namespace zep::test {
namespace {

constexpr HResult kFail = addin::kFail;

std::string Bool(bool b)
{
    return b ? "1" : "0";
}

std::string PropertyName(addin::BarProperty p)
{
    switch (p) {
    case addin::BarProperty::RowIndex:
        return "RowIndex";
    case addin::BarProperty::Position:
        return "Position";
    case addin::BarProperty::Top:
        return "Top";
    case addin::BarProperty::Left:
        return "Left";
    }
    return "?";
}

class TestSelection final : public addin::ISelection
{
public:
    TestSelection(TestHost& host, std::vector<TestItem> items)
        : m_host(host), m_items(std::move(items))
    {
    }
    HResult GetCount(int& count) override
    {
        if (!m_host.Record("selection.Count"))
            return kFail;
        count = static_cast<int>(m_items.size());
        return 0;
    }
    std::shared_ptr<addin::IItem> Item(int index) override;

private:
    TestHost& m_host;
    std::vector<TestItem> m_items;
};

class TestItemObject final : public addin::IItem
{
public:
    TestItemObject(TestHost& host, TestItem item) : m_host(host), m_item(std::move(item)) {}
    HResult GetClass(int& itemClass) override
    {
        if (!m_host.Record("item.Class"))
            return kFail;
        itemClass = m_item.itemClass;
        return 0;
    }
    HResult GetSmtpAddress(std::string& address) override
    {
        if (!m_host.Record("item.SmtpAddress") || !m_item.address)
            return kFail;
        address = *m_item.address;
        return 0;
    }

private:
    TestHost& m_host;
    TestItem m_item;
};

std::shared_ptr<addin::IItem> TestSelection::Item(int index)
{
    if (!m_host.Record("selection.Item " + std::to_string(index)) || index < 1 ||
        index > static_cast<int>(m_items.size()))
        return nullptr;
    return m_host.Give(std::make_shared<TestItemObject>(m_host, m_items[index - 1]), 0);
}

} // namespace

HResult EventTable::Advise(int connectionId, int dispid, addin::IEventSink* sink)
{
    if (!m_host.Record(m_name + ".Advise " + std::to_string(connectionId)))
        return kFail;
    if (m_connections.count(connectionId) != 0 || m_host.open.count(connectionId) != 0)
        return kFail; // one connection per identifier
    m_connections[connectionId] = {dispid, sink};
    m_host.open[connectionId] = m_name;
    return 0;
}

HResult EventTable::Unadvise(int connectionId)
{
    m_host.Record(m_name + ".Unadvise " + std::to_string(connectionId));
    if (m_connections.erase(connectionId) == 0)
        return kFail;
    m_host.open.erase(connectionId);
    return 0;
}

void EventTable::Raise(int dispid)
{
    // A copy: the handler may end connections of this source.
    const auto connections = m_connections;
    for (const auto& [id, advised] : connections) {
        if (advised.dispid == dispid && m_connections.count(id) != 0)
            advised.sink->Invoke(id, dispid);
    }
}

TestControl::TestControl(TestHost& h, std::string n, addin::ControlType t)
    : host(h), name(n), events(h, n), type(t)
{
}

HResult TestControl::SetCaption(const std::string& text)
{
    if (!host.Record(name + ".Caption " + text))
        return kFail;
    caption = text;
    return 0;
}

HResult TestControl::SetTooltip(const std::string& text)
{
    if (!host.Record(name + ".Tooltip " + text))
        return kFail;
    tooltip = text;
    return 0;
}

HResult TestControl::SetEnabled(bool e)
{
    if (!host.Record(name + ".Enabled " + Bool(e)))
        return kFail;
    enabled = e;
    return 0;
}

HResult TestControl::GetEnabled(bool& e)
{
    if (!host.Record(name + ".GetEnabled"))
        return kFail;
    e = enabled;
    return 0;
}

HResult TestControl::SetBeginGroup(bool begins)
{
    if (!host.Record(name + ".BeginGroup " + Bool(begins)))
        return kFail;
    beginGroup = begins;
    return 0;
}

HResult TestControl::SetStyle(int s)
{
    if (!host.Record(name + ".Style " + std::to_string(s)))
        return kFail;
    style = s;
    return 0;
}

HResult TestControl::SetFace(const addin::FaceImage& image)
{
    if (!host.Record(name + ".Face " + std::to_string(image.width) + "x" +
                     std::to_string(image.height)))
        return kFail;
    face = image;
    return 0;
}

std::shared_ptr<addin::IControls> TestControl::Controls()
{
    if (!host.Record(name + ".Controls") || type != addin::ControlType::Popup)
        return nullptr;
    if (!children)
        children = std::make_shared<TestControls>(host, name);
    return host.Give(children, 1);
}

std::shared_ptr<addin::IControl> TestControls::Add(addin::ControlType type, bool temporary)
{
    const std::string kind = type == addin::ControlType::Popup ? "popup" : "button";
    if (!m_host.Record(m_name + ".Add " + kind + (temporary ? " temporary" : "")))
        return nullptr;
    auto control =
        std::make_shared<TestControl>(m_host, "c" + std::to_string(++m_host.controlsMade), type);
    items.push_back(control);
    return m_host.Give(control, 1);
}

TestBar::TestBar(TestHost& host) : m_host(host)
{
    values[addin::BarProperty::RowIndex] = 0;
    values[addin::BarProperty::Position] = addin::kBarTop;
    values[addin::BarProperty::Top] = 0;
    values[addin::BarProperty::Left] = 0;
}

std::shared_ptr<addin::IControls> TestBar::Controls()
{
    if (!m_host.Record("bar.Controls"))
        return nullptr;
    if (!controls)
        controls = std::make_shared<TestControls>(m_host, "bar");
    return m_host.Give(controls, 1);
}

HResult TestBar::GetVisible(bool& v)
{
    if (!m_host.Record("bar.GetVisible"))
        return kFail;
    v = visible;
    return 0;
}

HResult TestBar::SetVisible(bool v)
{
    if (!m_host.Record("bar.Visible " + Bool(v)))
        return kFail;
    visible = v;
    return 0;
}

HResult TestBar::GetProperty(addin::BarProperty property, int& value)
{
    if (!m_host.Record("bar.Get" + PropertyName(property)))
        return kFail;
    value = values[property];
    return 0;
}

HResult TestBar::SetProperty(addin::BarProperty property, int value)
{
    if (!m_host.Record("bar." + PropertyName(property) + " " + std::to_string(value)))
        return kFail;
    values[property] = value;
    return 0;
}

std::shared_ptr<addin::ICommandBar> TestBars::Add(const std::string& name, int position,
                                                  bool temporary)
{
    if (!m_host.Record("bars.Add " + name + " " + std::to_string(position) +
                       (temporary ? " temporary" : "")))
        return nullptr;
    bar = std::make_shared<TestBar>(m_host);
    return m_host.Give(bar, 1);
}

TestExplorer::TestExplorer(TestHost& host)
    : events(host, "explorer"), bars(std::make_shared<TestBars>(host)), m_host(host)
{
}

std::shared_ptr<addin::ISelection> TestExplorer::Selection()
{
    if (!m_host.Record("explorer.Selection") || !selection)
        return nullptr;
    return m_host.Give(std::make_shared<TestSelection>(m_host, *selection), 0);
}

std::shared_ptr<addin::ICommandBars> TestExplorer::CommandBars()
{
    if (!m_host.Record("explorer.CommandBars"))
        return nullptr;
    return m_host.Give(bars, 1);
}

HResult TestLoop::WatchReadable(int f, addin::IReadableHandler* h)
{
    if (!m_host.Record("loop.Watch"))
        return kFail;
    fd = f;
    handler = h;
    return 0;
}

void TestLoop::Unwatch(int f)
{
    m_host.Record("loop.Unwatch");
    if (f == fd) {
        fd = -1;
        handler = nullptr;
    }
}

bool TestLoop::RunOnce(int ms)
{
    if (fd < 0 || handler == nullptr)
        return false;
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, ms) <= 0)
        return false;
    handler->OnReadable(fd);
    return true;
}

TestHost::TestHost() : explorer(std::make_shared<TestExplorer>(*this)) {}

std::shared_ptr<addin::IExplorer> TestHost::ActiveExplorer()
{
    if (!Record("app.ActiveExplorer") || !hasExplorer)
        return nullptr;
    return Give(explorer, 1);
}

bool TestHost::Fails(const std::string& call) const
{
    for (const std::string& prefix : failOn) {
        if (call.compare(0, prefix.size(), prefix) == 0)
            return true;
    }
    return false;
}

bool TestHost::Record(const std::string& call)
{
    calls.push_back(call);
    return !Fails(call);
}

std::shared_ptr<TestControl> TestHost::Find(const std::string& caption) const
{
    std::vector<std::shared_ptr<TestControls>> pending;
    if (explorer->bars->bar && explorer->bars->bar->controls)
        pending.push_back(explorer->bars->bar->controls);
    while (!pending.empty()) {
        const auto list = pending.back();
        pending.pop_back();
        for (const auto& control : list->items) {
            if (control->caption == caption)
                return control;
            if (control->children)
                pending.push_back(control->children);
        }
    }
    return nullptr;
}

void TestHost::Click(const std::string& caption)
{
    if (auto control = Find(caption))
        control->events.Raise(addin::kDispClick);
}

void TestHost::SelectItems(std::vector<TestItem> items)
{
    explorer->selection = std::move(items);
    explorer->events.Raise(addin::kDispSelectionChange);
}

int TestHost::HeldByAddin() const
{
    int held = 0;
    for (const auto& [object, hostRefs] : given) {
        if (object.use_count() > hostRefs)
            ++held;
    }
    return held;
}

} // namespace zep::test
