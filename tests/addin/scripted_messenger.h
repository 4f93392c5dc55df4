// A MessengerControl client for the add-in's unit tests: answers from a script, records every
// call by its procedure name (with the address).
#pragma once

#include "addin/messenger_client.h"

#include <map>
#include <string>
#include <vector>

namespace zep::test {

class ScriptedMessenger final : public addin::IMessengerClient
{
public:
    struct Script
    {
        addin::HResult state = addin::kOk;
        bool visible = true;
        bool loggedOn = true;
        addin::HResult details = addin::kOk;
        addin::ContactDetails contact{};
        addin::HResult send = addin::kOk;
        addin::HResult command = addin::kOk;
        addin::HResult bind = addin::kOk;
    };

    explicit ScriptedMessenger(Script& script, std::vector<std::string>& calls)
        : m_script(script), m_calls(calls)
    {
    }

    addin::HResult Bind() override
    {
        m_calls.push_back("Bind");
        m_bound = !addin::Failed(m_script.bind);
        return m_script.bind;
    }
    addin::HResult Unbind() override
    {
        m_calls.push_back("Unbind");
        m_bound = false;
        return addin::kOk;
    }
    bool Bound() const override { return m_bound; }
    addin::HResult GetMessengerState(bool& visible, bool& loggedOn) override
    {
        m_calls.push_back("GetMessengerState");
        const bool ok = !addin::Failed(m_script.state);
        visible = ok && m_script.visible;
        loggedOn = ok && m_script.loggedOn;
        return m_script.state;
    }
    addin::HResult GetContactDetails(const std::string& address,
                                     addin::ContactDetails& details) override
    {
        m_calls.push_back("GetContactDetails " + address);
        if (!addin::Failed(m_script.details))
            details = m_script.contact;
        return m_script.details;
    }
    addin::HResult Send(addin::SendKind kind, const std::string& address) override
    {
        static const char* names[] = {"", "SendInstantMessage", "SendSmsMessage",
                                      "SendPagerMessage", "SendEmailMessage"};
        m_calls.push_back(std::string(names[static_cast<int>(kind)]) + " " + address);
        return m_script.send;
    }
    addin::HResult Run(addin::Command command) override
    {
        static const std::map<addin::Command, const char*> names = {
            {addin::Command::LogIn, "LogIn"},
            {addin::Command::LogOut, "LogOut"},
            {addin::Command::Exit, "Exit"},
            {addin::Command::Open, "Open"},
            {addin::Command::Hide, "Hide"}};
        m_calls.push_back(names.at(command));
        return m_script.command;
    }
    void SetStateListener(std::function<void(bool)> listener) override
    {
        m_listener = std::move(listener);
    }
    void Pump() override {}
    int Descriptor() const override { return -1; }

    // The messenger signals a change, as the bus would through Pump.
    void Signal(bool ownerChanged)
    {
        if (m_listener)
            m_listener(ownerChanged);
    }

private:
    Script& m_script;
    std::vector<std::string>& m_calls;
    bool m_bound = false;
    std::function<void(bool)> m_listener;
};

} // namespace zep::test
