#pragma once
// Server certificates the user chose to trust: one line per server and port, "host port
// SHA256HEX", in a small file beside the settings file. The messenger and zepim-cli share it.

#include "common/im_result.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zep {

struct TlsPin
{
    std::string host; // lower case
    std::uint16_t port = 0;
    std::string sha256; // 64 upper-case hexadecimal digits
};

// 64 upper-case hexadecimal digits from a fingerprint written with or without colons between
// the pairs, in either case; empty when the text is no SHA-256 fingerprint.
std::string NormalFingerprint(std::string_view text);
// "AB:CD:..." for display.
std::string ColonFingerprint(std::string_view normal);

// "$XDG_CONFIG_HOME/Corvane/ZEP Instant Messenger.trust" ($HOME/.config when the variable is
// unset or not absolute); empty when neither gives a folder.
std::string DefaultTrustFile();

// The pins of a file's text. A line that is not "host port fingerprint" is skipped (and
// counted); blank lines and lines starting with "#" are ignored. A later line for the same
// server and port replaces an earlier one.
std::vector<TlsPin> ParsePins(std::string_view text, int* badLines = nullptr);
std::string FormatPins(const std::vector<TlsPin>& pins);

// The fingerprint pinned for a server and port (host without regard to case).
std::optional<std::string> FindPin(const std::vector<TlsPin>& pins, std::string_view host,
                                   std::uint16_t port);

// A missing file is no pins (Ok). Bad lines are logged and skipped. Failed when the file
// exists but cannot be read or is no plain file, or when there is no path; TooLarge past 1 MiB.
ImResult LoadPins(const std::string& path, std::vector<TlsPin>& pins);
// Writes the whole file in one step (temporary file and rename), owner-only (0600), creating
// an owner-only folder when there is none.
ImResult SavePins(const std::string& path, const std::vector<TlsPin>& pins);

// Load, change and save under a lock shared by every process that edits the file, so that
// two writers never lose each other's pins. BadArgument for an unusable host, port or
// fingerprint.
ImResult PinCertificate(const std::string& path, std::string_view host, std::uint16_t port,
                        std::string_view fingerprint);
// Ok also when there was no pin.
ImResult ForgetPin(const std::string& path, std::string_view host, std::uint16_t port);

// Servers that asked for Digest authentication, beside the pins: "host port digest" lines in
// the trust file's name with ".auth" for ".trust". Once a server has asked for Digest, a Basic
// challenge from it on a plain connection is a downgrade, not a choice the server made.
std::string DigestFileFor(const std::string& trustFile);
// Ok with `asked` when the file could be read (none yet: not asked); Failed or TooLarge when
// it cannot be used.
ImResult AskedForDigest(const std::string& path, std::string_view host, std::uint16_t port,
                        bool& asked);
ImResult RememberDigest(const std::string& path, std::string_view host, std::uint16_t port);

} // namespace zep
