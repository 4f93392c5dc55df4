#pragma once
// A private certificate authority for tests, and server certificates it issues: pointed at with
// SSL_CERT_FILE, it is what a system-trusted server looks like.

#include "tls_test_server.h"

#include <string>

namespace zep::test {

// A self-signed authority (basic constraints CA, may sign certificates), valid for a day.
TestCertificate MakeAuthority(const std::string& commonName);

// A server certificate for `commonName` signed by `authority`, with `altNames` as its subject
// alternative names ("DNS:localhost,IP:127.0.0.1"); empty when signing failed.
TestCertificate MakeIssuedCertificate(const TestCertificate& authority,
                                      const std::string& commonName, const std::string& altNames);

} // namespace zep::test
