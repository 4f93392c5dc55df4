#include "test_authority.h"

#include <openssl/bio.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <memory>

namespace zep::test {

namespace {

struct Free
{
    void operator()(X509* p) const { X509_free(p); }
    void operator()(EVP_PKEY* p) const { EVP_PKEY_free(p); }
    void operator()(BIO* p) const { BIO_free(p); }
};

std::string Pem(X509* cert, EVP_PKEY* key)
{
    std::unique_ptr<BIO, Free> bio(BIO_new(BIO_s_mem()));
    if (cert)
        PEM_write_bio_X509(bio.get(), cert);
    else
        PEM_write_bio_PrivateKey(bio.get(), key, nullptr, nullptr, 0, nullptr, nullptr);
    char* data = nullptr;
    long length = BIO_get_mem_data(bio.get(), &data);
    return std::string(data, static_cast<std::size_t>(length));
}

bool AddExtension(X509* cert, X509* issuer, int nid, const char* value)
{
    X509V3_CTX ctx;
    X509V3_set_ctx(&ctx, issuer, cert, nullptr, nullptr, 0);
    X509_EXTENSION* ext = X509V3_EXT_conf_nid(nullptr, &ctx, nid, value);
    if (!ext)
        return false;
    const bool ok = X509_add_ext(cert, ext, -1) == 1;
    X509_EXTENSION_free(ext);
    return ok;
}

std::unique_ptr<X509, Free> NewCertificate(EVP_PKEY* key, const std::string& commonName,
                                           long serial)
{
    std::unique_ptr<X509, Free> cert(X509_new());
    X509_set_version(cert.get(), 2);
    ASN1_INTEGER_set(X509_get_serialNumber(cert.get()), serial);
    X509_gmtime_adj(X509_getm_notBefore(cert.get()), -60);
    X509_gmtime_adj(X509_getm_notAfter(cert.get()), 24 * 3600);
    X509_set_pubkey(cert.get(), key);
    X509_NAME* name = X509_get_subject_name(cert.get());
    X509_NAME_add_entry_by_txt(name, "O", MBSTRING_ASC,
                               reinterpret_cast<const unsigned char*>("ZEP test"), -1, -1, 0);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                               reinterpret_cast<const unsigned char*>(commonName.c_str()), -1, -1,
                               0);
    return cert;
}

} // namespace

TestCertificate MakeAuthority(const std::string& commonName)
{
    std::unique_ptr<EVP_PKEY, Free> key(EVP_EC_gen("P-256"));
    if (!key)
        return {};
    auto cert = NewCertificate(key.get(), commonName, 1);
    X509_set_issuer_name(cert.get(), X509_get_subject_name(cert.get()));
    if (!AddExtension(cert.get(), cert.get(), NID_basic_constraints, "critical,CA:TRUE") ||
        !AddExtension(cert.get(), cert.get(), NID_key_usage, "critical,keyCertSign,cRLSign") ||
        !AddExtension(cert.get(), cert.get(), NID_subject_key_identifier, "hash") ||
        X509_sign(cert.get(), key.get(), EVP_sha256()) == 0)
        return {};
    return {Pem(cert.get(), nullptr), Pem(nullptr, key.get())};
}

TestCertificate MakeIssuedCertificate(const TestCertificate& authority,
                                      const std::string& commonName, const std::string& altNames)
{
    std::unique_ptr<BIO, Free> certBio(
        BIO_new_mem_buf(authority.certPem.data(), static_cast<int>(authority.certPem.size())));
    std::unique_ptr<BIO, Free> keyBio(
        BIO_new_mem_buf(authority.keyPem.data(), static_cast<int>(authority.keyPem.size())));
    std::unique_ptr<X509, Free> caCert(PEM_read_bio_X509(certBio.get(), nullptr, nullptr, nullptr));
    std::unique_ptr<EVP_PKEY, Free> caKey(
        PEM_read_bio_PrivateKey(keyBio.get(), nullptr, nullptr, nullptr));
    std::unique_ptr<EVP_PKEY, Free> key(EVP_EC_gen("P-256"));
    if (!caCert || !caKey || !key)
        return {};
    auto cert = NewCertificate(key.get(), commonName, 2);
    X509_set_issuer_name(cert.get(), X509_get_subject_name(caCert.get()));
    if (!AddExtension(cert.get(), caCert.get(), NID_basic_constraints, "CA:FALSE") ||
        !AddExtension(cert.get(), caCert.get(), NID_ext_key_usage, "serverAuth") ||
        (!altNames.empty() &&
         !AddExtension(cert.get(), caCert.get(), NID_subject_alt_name, altNames.c_str())) ||
        X509_sign(cert.get(), caKey.get(), EVP_sha256()) == 0)
        return {};
    return {Pem(cert.get(), nullptr), Pem(nullptr, key.get())};
}

} // namespace zep::test
