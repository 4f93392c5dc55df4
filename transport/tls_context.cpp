#include "transport/tls.h"

#include "transport/load_dll.h"
#include "transport/log_writer.h"
#include "transport/system_settings.h"

#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/rand.h>
#include <openssl/ssl.h>

#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <strings.h>
#include <unistd.h>

namespace zep {

namespace {

constexpr long kSeedBytes = 1048576;

struct ContextFree
{
    void operator()(SSL_CTX* ctx) const { SSL_CTX_free(ctx); }
};

struct ContextEntry
{
    std::string name;
    std::unique_ptr<SSL_CTX, ContextFree> ctx;
};

struct ContextList
{
    std::mutex mutex;
    std::deque<std::unique_ptr<ContextEntry>> entries; // newest first
};

// Lives as long as the process: sessions of any thread may use a context until exit, after
// the library's own clean-up has run.
ContextList& Contexts()
{
    static ContextList* list = new ContextList;
    return *list;
}

std::string LastErrorText(unsigned long* code)
{
    *code = ERR_peek_last_error();
    char text[256];
    ERR_error_string_n(*code, text, sizeof text);
    return text;
}

// The stored value is Base64; anything that does not decode means no pass phrase.
std::string DecodeBase64(std::string_view text)
{
    std::string compact;
    for (char c : text) {
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n')
            compact += c;
    }
    if (compact.empty() || compact.size() % 4 != 0)
        return {};
    std::string out(compact.size() / 4 * 3, '\0');
    int n = EVP_DecodeBlock(reinterpret_cast<unsigned char*>(out.data()),
                            reinterpret_cast<const unsigned char*>(compact.data()),
                            static_cast<int>(compact.size()));
    if (n < 0)
        return {};
    std::size_t padding = compact.size() - compact.find_last_not_of('=') - 1;
    if (padding > 2)
        return {};
    out.resize(static_cast<std::size_t>(n) - padding);
    return out;
}

// OpenSSL asks for the pass phrase of "key.pem"; without one the key simply does not load
// (and nothing ever prompts on a terminal).
int PassPhraseCallback(char* buffer, int size, int, void* userdata)
{
    const auto* entry = static_cast<const ContextEntry*>(userdata);
    std::string phrase = TlsPassPhrase(entry ? entry->name : std::string());
    if (phrase.empty() || size <= 0)
        return 0;
    std::size_t n = std::min(phrase.size(), static_cast<std::size_t>(size));
    std::memcpy(buffer, phrase.data(), n);
    OPENSSL_cleanse(phrase.data(), phrase.size());
    return static_cast<int>(n);
}

// A client normally has neither file; one that exists but does not load is only logged.
void LoadOwnCertificate(int connectionNumber, SSL_CTX* ctx, const std::string& directory)
{
    std::string dir = directory.empty() ? ProgramDirectory() : directory;
    if (!dir.empty() && dir.back() != '/')
        dir += '/';
    const std::string key = dir + "key.pem";
    const std::string cert = dir + "cert.pem";
    if (access(key.c_str(), R_OK) == 0 &&
        SSL_CTX_use_PrivateKey_file(ctx, key.c_str(), SSL_FILETYPE_PEM) != 1) {
        LogTlsErrors(connectionNumber, 748);
        LogWriteIf(ZepimLog(), kLogFailure, 748, "%d could not load %s", connectionNumber,
                   key.c_str());
    }
    if (access(cert.c_str(), R_OK) == 0 &&
        SSL_CTX_use_certificate_chain_file(ctx, cert.c_str()) != 1) {
        LogTlsErrors(connectionNumber, 748);
        LogWriteIf(ZepimLog(), kLogFailure, 748, "%d could not load %s", connectionNumber,
                   cert.c_str());
    }
    ERR_clear_error();
}

} // namespace

ImResult TlsInitialise()
{
    static std::once_flag once;
    static ImResult result = ImResult::Ok;
    std::call_once(once, [] {
        OPENSSL_init_ssl(OPENSSL_INIT_LOAD_SSL_STRINGS | OPENSSL_INIT_LOAD_CRYPTO_STRINGS, nullptr);
        // Extra seed material when the user keeps some; the system's generator suffices alone.
        if (RAND_load_file("rand.dat", kSeedBytes) < 0)
            ERR_clear_error();
        result = TlsInitialiseContext(0, TlsContextOptions{});
    });
    return result;
}

ImResult TlsInitialiseContext(int connectionNumber, const TlsContextOptions& options)
{
    auto entry = std::make_unique<ContextEntry>();
    entry->name = options.name.substr(0, 149);
    entry->ctx.reset(SSL_CTX_new(TLS_client_method()));
    SSL_CTX* ctx = entry->ctx.get();
    if (!ctx) {
        unsigned long code = 0;
        std::string text = LastErrorText(&code);
        LogWriteIf(ZepimLog(), kLogFailure, 748, "%d SSLInitialiseContext failed %s (%lu)",
                   connectionNumber, text.c_str(), code);
        ERR_clear_error();
        return ImResult::TlsSessionFailed;
    }
    // The interoperability work-arounds the library still has; nothing older than TLS 1.2,
    // and never below what the system's configuration asks for (its security level stays).
    SSL_CTX_set_options(ctx, SSL_OP_ALL | SSL_OP_NO_SSLv3);
    const long minimum = SSL_CTX_get_min_proto_version(ctx);
    if (minimum == 0 || minimum < TLS1_2_VERSION)
        SSL_CTX_set_min_proto_version(ctx, TLS1_2_VERSION);
    // The system's authorities, to tell a certificate anyone can check from one to pin. The
    // result is read after the handshake; the handshake itself never fails on it.
    if (SSL_CTX_set_default_verify_paths(ctx) != 1)
        ERR_clear_error();
    SSL_CTX_set_verify(ctx, SSL_VERIFY_NONE, nullptr);
    SSL_CTX_set_timeout(ctx, 0);
    if (!options.cipherList.empty() &&
        SSL_CTX_set_cipher_list(ctx, options.cipherList.c_str()) != 1) {
        unsigned long code = 0;
        std::string text = LastErrorText(&code);
        LogWriteIf(ZepimLog(), kLogFailure, 748, "%d SSLInitialiseContext failed %s (%lu)",
                   connectionNumber, text.c_str(), code);
        ERR_clear_error();
        return ImResult::TlsSessionFailed;
    }
    SSL_CTX_set_default_passwd_cb(ctx, PassPhraseCallback);
    SSL_CTX_set_default_passwd_cb_userdata(ctx, entry.get());
    LoadOwnCertificate(connectionNumber, ctx, options.keyDirectory);

    ContextList& list = Contexts();
    std::lock_guard<std::mutex> guard(list.mutex);
    list.entries.push_front(std::move(entry));
    return ImResult::Ok;
}

SSL_CTX* TlsFindContext(const std::string& name)
{
    ContextList& list = Contexts();
    std::lock_guard<std::mutex> guard(list.mutex);
    SSL_CTX* fallback = nullptr;
    for (const auto& entry : list.entries) {
        if (strcasecmp(entry->name.c_str(), name.c_str()) == 0)
            return entry->ctx.get();
        if (entry->name.empty() && !fallback)
            fallback = entry->ctx.get();
    }
    return fallback;
}

std::string TlsPassPhrase(const std::string& contextName)
{
    std::string stored;
    if (!contextName.empty() && ReadSystemSetting("SSL/" + contextName, "ConnectID", stored))
        return DecodeBase64(stored);
    if (ReadSystemSetting("Private", "ConnectID", stored))
        return DecodeBase64(stored);
    return {};
}

void LogTlsErrors(int connectionNumber, int messageNumber)
{
    const char* file = nullptr;
    int line = 0;
    const char* data = nullptr;
    int flags = 0;
    unsigned long code;
    while ((code = ERR_get_error_all(&file, &line, nullptr, &data, &flags)) != 0) {
        char text[256];
        ERR_error_string_n(code, text, sizeof text);
        if ((flags & ERR_TXT_STRING) && data)
            LogWriteIf(ZepimLog(), kLogDetail, messageNumber, "%d %s:%s:%d:%s", connectionNumber,
                       text, file ? file : "", line, data);
        else
            LogWriteIf(ZepimLog(), kLogDetail, messageNumber, "%d %s:%s:%d", connectionNumber, text,
                       file ? file : "", line);
    }
}

} // namespace zep
