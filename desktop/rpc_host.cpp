#include "desktop/rpc_host.h"

namespace zep {

namespace uwm {
MessageId SendImCommand()
{
    static const MessageId id = RegisterMessage("UWM_SENDIM_COMMAND");
    return id;
}
MessageId SendEmailCommand()
{
    static const MessageId id = RegisterMessage("UWM_SENDEMAIL_COMMAND");
    return id;
}
MessageId SendSmsCommand()
{
    static const MessageId id = RegisterMessage("UWM_SENDSMS_COMMAND");
    return id;
}
MessageId SendPagerCommand()
{
    static const MessageId id = RegisterMessage("UWM_SENDPAGER_COMMAND");
    return id;
}
MessageId GetContactDetailsCommand()
{
    static const MessageId id = RegisterMessage("UWM_GETCONTACTDETAILS_COMMAND");
    return id;
}
} // namespace uwm

} // namespace zep
