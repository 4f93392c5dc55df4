// A mail client for the add-in's tests: it keeps the toolbar it is given, records every call
// the add-in makes as one line of text, can fail any call by the start of its line, and raises
// the events of the connections the add-in made.
#pragma once

#include "addin/host.h"

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace zep::test {

using addin::HResult;

class TestHost;

// The event connections of one source.
class EventTable
{
public:
    EventTable(TestHost& host, std::string name) : m_host(host), m_name(std::move(name)) {}
    HResult Advise(int connectionId, int dispid, addin::IEventSink* sink);
    HResult Unadvise(int connectionId);
    // Raises the event on every connection of this source that asked for it.
    void Raise(int dispid);
    const std::string& Name() const { return m_name; }

private:
    TestHost& m_host;
    std::string m_name;
    struct Advised
    {
        int dispid;
        addin::IEventSink* sink;
    };
    std::map<int, Advised> m_connections;
};

#define ZEP_TEST_EVENTS                                                                            \
    HResult Advise(int id, int dispid, addin::IEventSink* sink) override                           \
    {                                                                                              \
        return events.Advise(id, dispid, sink);                                                    \
    }                                                                                              \
    HResult Unadvise(int id) override                                                              \
    {                                                                                              \
        return events.Unadvise(id);                                                                \
    }

class TestControls;

class TestControl final : public addin::IControl
{
public:
    TestControl(TestHost& host, std::string name, addin::ControlType type);
    HResult SetCaption(const std::string& text) override;
    HResult SetTooltip(const std::string& text) override;
    HResult SetEnabled(bool enabled) override;
    HResult GetEnabled(bool& enabled) override;
    HResult SetBeginGroup(bool begins) override;
    HResult SetStyle(int style) override;
    HResult SetFace(const addin::FaceImage& face) override;
    std::shared_ptr<addin::IControls> Controls() override;
    ZEP_TEST_EVENTS

    TestHost& host;
    std::string name; // "c1", "c2" ... in the order the controls were made
    EventTable events;
    addin::ControlType type;
    std::string caption;
    std::string tooltip;
    bool enabled = true;
    bool beginGroup = false;
    int style = 0;
    std::optional<addin::FaceImage> face;
    std::shared_ptr<TestControls> children;
};

class TestControls final : public addin::IControls
{
public:
    TestControls(TestHost& host, std::string name) : m_host(host), m_name(std::move(name)) {}
    std::shared_ptr<addin::IControl> Add(addin::ControlType type, bool temporary) override;
    std::vector<std::shared_ptr<TestControl>> items;

private:
    TestHost& m_host;
    std::string m_name;
};

class TestBar final : public addin::ICommandBar
{
public:
    explicit TestBar(TestHost& host);
    std::shared_ptr<addin::IControls> Controls() override;
    HResult GetVisible(bool& visible) override;
    HResult SetVisible(bool visible) override;
    HResult GetProperty(addin::BarProperty property, int& value) override;
    HResult SetProperty(addin::BarProperty property, int value) override;

    bool visible = false;
    std::map<addin::BarProperty, int> values;
    std::shared_ptr<TestControls> controls;

private:
    TestHost& m_host;
};

class TestBars final : public addin::ICommandBars
{
public:
    explicit TestBars(TestHost& host) : events(host, "bars"), m_host(host) {}
    std::shared_ptr<addin::ICommandBar> Add(const std::string& name, int position,
                                            bool temporary) override;
    ZEP_TEST_EVENTS
    EventTable events;
    std::shared_ptr<TestBar> bar;

private:
    TestHost& m_host;
};

struct TestItem
{
    int itemClass = addin::kClassMail;
    std::optional<std::string> address; // none: the property is an error
};

class TestExplorer final : public addin::IExplorer
{
public:
    explicit TestExplorer(TestHost& host);
    std::shared_ptr<addin::ISelection> Selection() override;
    std::shared_ptr<addin::ICommandBars> CommandBars() override;
    ZEP_TEST_EVENTS

    EventTable events;
    std::shared_ptr<TestBars> bars;
    std::optional<std::vector<TestItem>> selection; // none: no selection object

private:
    TestHost& m_host;
};

class TestLoop final : public addin::IHostLoop
{
public:
    explicit TestLoop(TestHost& host) : m_host(host) {}
    HResult WatchReadable(int fd, addin::IReadableHandler* handler) override;
    void Unwatch(int fd) override;
    // Waits up to `ms` for the watched descriptor and tells the handler; false on time-out.
    bool RunOnce(int ms);
    int fd = -1;
    addin::IReadableHandler* handler = nullptr;

private:
    TestHost& m_host;
};

class TestHost final : public addin::IApplication
{
public:
    TestHost();
    std::shared_ptr<addin::IExplorer> ActiveExplorer() override;
    addin::IHostLoop* Loop() override { return withLoop ? &loop : nullptr; }

    // Records a call; its result is a failure when it starts with `failOn`.
    bool Record(const std::string& call);
    bool Fails(const std::string& call) const;

    // The control of the toolbar with this caption (searched in the pop-ups too).
    std::shared_ptr<TestControl> Find(const std::string& caption) const;
    // The connections open now: identifier and source.
    std::map<int, std::string> open;
    void Click(const std::string& caption);
    void RaiseUpdate() { explorer->bars->events.Raise(addin::kDispOnUpdate); }
    void SelectItems(std::vector<TestItem> items);
    void CloseExplorer() { explorer->events.Raise(addin::kDispClose); }

    std::vector<std::string> calls;
    std::vector<std::string> failOn;
    int controlsMade = 0;
    bool hasExplorer = true;
    bool withLoop = false;
    std::shared_ptr<TestExplorer> explorer;
    TestLoop loop{*this};
    // Every object the add-in was given and how many references the host itself keeps to it.
    std::vector<std::pair<std::weak_ptr<void>, long>> given;
    template <typename T> std::shared_ptr<T> Give(std::shared_ptr<T> object, long hostRefs)
    {
        if (object)
            given.emplace_back(object, hostRefs);
        return object;
    }
    // How many of them the add-in still holds (besides the host's own references).
    int HeldByAddin() const;
};

} // namespace zep::test
