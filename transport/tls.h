#pragma once
// The TLS layer of the connection (client side; the server certificate is not verified).

#include "protocol/im_result.h"

#include <string>

namespace zep {

struct ImConnection;

// Initialises the TLS library and the client context; once per process, safe from any thread.
ImResult TlsInitialise();

// Runs the client handshake on the connected socket and stores the session in conn.tls.
ImResult TlsHandshake(ImConnection& conn);

// Sends the close notification and frees the session; conn.tls becomes null.
void TlsClose(ImConnection& conn);

// "SSL - cipher name \"%s\" cipher strength (%d,%d)" of the session in use.
bool TlsCipherDescription(ImConnection& conn, std::string& text);

} // namespace zep
