// The host of conversation windows that outlived their view (the connection was lost, the
// server signed the user off, or the user logged off): nothing reaches a server any more, and
// a window that closes is simply deleted.
#pragma once

#include "conversations/conversation_host.h"

namespace zep {

conversations::ConversationHost& DetachedConversationHost();

} // namespace zep
