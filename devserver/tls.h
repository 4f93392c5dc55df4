// The server's TLS context: a certificate and key from files, or a self-signed pair made at
// start so the TLS port works without any set-up.
#pragma once

#include <memory>
#include <string>

#include <openssl/types.h>

namespace zep::devserver {

struct SslCtxFree
{
    void operator()(SSL_CTX* ctx) const;
};
using SslCtxPtr = std::unique_ptr<SSL_CTX, SslCtxFree>;

// Empty file names make a self-signed certificate for "localhost" and 127.0.0.1.
SslCtxPtr MakeServerContext(const std::string& certFile, const std::string& keyFile,
                            std::string& error);

// The text of OpenSSL's queued errors, emptied from the queue.
std::string TakeTlsErrors();

} // namespace zep::devserver
