#include "support/TestCa.h"

#include <openssl/err.h>
#include <openssl/pem.h>

#include <fstream>
#include <memory>
#include <stdexcept>

#include "support/OpenSslTestHandles.h"

namespace bildheber::test {

namespace {

[[noreturn]] void fail(const std::string& what) {
    std::string message = "TestCa: " + what;
    if (unsigned long code = ERR_get_error(); code != 0) {
        char text[256];
        ERR_error_string_n(code, text, sizeof text);
        message += ": ";
        message += text;
    }
    ERR_clear_error();
    throw std::runtime_error(message);
}

void check(bool ok, const char* what) {
    if (!ok) {
        fail(what);
    }
}

PkeyPtr newP256Key() {
    PkeyPtr key(EVP_PKEY_Q_keygen(nullptr, nullptr, "EC", "P-256"));
    check(key != nullptr, "cannot generate an EC P-256 key");
    return key;
}

// A certificate with everything but extensions and signature: version 3, a random positive
// 127-bit serial, the subject's common name, the issuer's name and key, valid from an hour ago
// (some slack for clocks) for a day.
X509Ptr newCertificate(const std::string& commonName, EVP_PKEY* subjectKey,
                       const X509_NAME* issuerName) {
    X509Ptr cert(X509_new());
    check(cert != nullptr, "X509_new");
    check(X509_set_version(cert.get(), X509_VERSION_3) == 1, "X509_set_version");

    BignumPtr serial(BN_new());
    check(serial != nullptr && BN_rand(serial.get(), 127, BN_RAND_TOP_ANY, BN_RAND_BOTTOM_ANY) == 1,
          "cannot make a random serial number");
    check(BN_to_ASN1_INTEGER(serial.get(), X509_get_serialNumber(cert.get())) != nullptr,
          "BN_to_ASN1_INTEGER");

    check(X509_gmtime_adj(X509_getm_notBefore(cert.get()), -60L * 60) != nullptr &&
              X509_gmtime_adj(X509_getm_notAfter(cert.get()), 24L * 60 * 60) != nullptr,
          "cannot set the validity period");

    X509_NAME* subject = X509_get_subject_name(cert.get());
    check(X509_NAME_add_entry_by_txt(subject, "CN", MBSTRING_UTF8,
                                     reinterpret_cast<const unsigned char*>(commonName.c_str()), -1,
                                     -1, 0) == 1,
          "cannot set the common name");
    check(X509_set_issuer_name(cert.get(), issuerName != nullptr ? issuerName : subject) == 1,
          "X509_set_issuer_name");
    check(X509_set_pubkey(cert.get(), subjectKey) == 1, "X509_set_pubkey");
    return cert;
}

// Adds extensions in the order given; the key identifiers rely on that order (the authority key
// id of a self-signed certificate reads the subject key id added before it).
void addExtensions(X509* cert, X509* issuer,
                   std::initializer_list<std::pair<int, const char*>> extensions) {
    X509V3_CTX ctx;
    X509V3_set_ctx_nodb(&ctx);
    X509V3_set_ctx(&ctx, issuer, cert, nullptr, nullptr, 0);
    for (const auto& [nid, value] : extensions) {
        X509ExtensionPtr ext(X509V3_EXT_conf_nid(nullptr, &ctx, nid, value));
        check(ext != nullptr, OBJ_nid2sn(nid));
        check(X509_add_ext(cert, ext.get(), -1) == 1, "X509_add_ext");
    }
}

void sign(X509* cert, EVP_PKEY* issuerKey) {
    check(X509_sign(cert, issuerKey, EVP_sha256()) > 0, "cannot sign the certificate");
}

std::string toPem(X509* cert) {
    BioPtr bio(BIO_new(BIO_s_mem()));
    check(bio != nullptr && PEM_write_bio_X509(bio.get(), cert) == 1, "PEM_write_bio_X509");
    char* data = nullptr;
    long size = BIO_get_mem_data(bio.get(), &data);
    return std::string(data, static_cast<std::size_t>(size));
}

std::string toPem(EVP_PKEY* key) {
    BioPtr bio(BIO_new(BIO_s_mem()));
    check(bio != nullptr &&
              PEM_write_bio_PrivateKey(bio.get(), key, nullptr, nullptr, 0, nullptr, nullptr) == 1,
          "PEM_write_bio_PrivateKey");
    char* data = nullptr;
    long size = BIO_get_mem_data(bio.get(), &data);
    return std::string(data, static_cast<std::size_t>(size));
}

X509Ptr fromPem(const std::string& pem) {
    BioPtr bio(BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())));
    check(bio != nullptr, "BIO_new_mem_buf");
    X509Ptr cert(PEM_read_bio_X509(bio.get(), nullptr, nullptr, nullptr));
    check(cert != nullptr, "PEM_read_bio_X509");
    return cert;
}

}  // namespace

struct TestCa::Key {
    PkeyPtr pkey;
};

TestCa::TestCa(const std::string& commonName) : key_(nullptr) {
    auto key = std::make_unique<Key>(Key{newP256Key()});
    X509Ptr cert = newCertificate(commonName, key->pkey.get(), nullptr);
    addExtensions(cert.get(), cert.get(),
                  {{NID_basic_constraints, "critical,CA:TRUE"},
                   {NID_key_usage, "critical,keyCertSign,cRLSign"},
                   {NID_subject_key_identifier, "hash"},
                   {NID_authority_key_identifier, "keyid:always"}});
    sign(cert.get(), key->pkey.get());
    certificatePem_ = toPem(cert.get());
    key_ = key.release();
}

TestCa::~TestCa() {
    delete key_;
}

IssuedCertificate TestCa::issueServerCertificate(const std::vector<std::string>& dnsNames) const {
    std::string altNames;
    for (const std::string& name : dnsNames) {
        altNames += "DNS:" + name + ",";
    }
    altNames += "IP:127.0.0.1";

    PkeyPtr serverKey = newP256Key();
    X509Ptr caCert = fromPem(certificatePem_);
    X509Ptr cert = newCertificate(dnsNames.empty() ? "127.0.0.1" : dnsNames.front(),
                                  serverKey.get(), X509_get_subject_name(caCert.get()));
    addExtensions(cert.get(), caCert.get(),
                  {{NID_basic_constraints, "critical,CA:FALSE"},
                   {NID_key_usage, "critical,digitalSignature"},
                   {NID_ext_key_usage, "serverAuth"},
                   {NID_subject_alt_name, altNames.c_str()},
                   {NID_subject_key_identifier, "hash"},
                   {NID_authority_key_identifier, "keyid:always"}});
    sign(cert.get(), key_->pkey.get());
    return IssuedCertificate{toPem(cert.get()), toPem(serverKey.get())};
}

std::filesystem::path TestCa::writeCertificate(const std::filesystem::path& file) const {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << certificatePem_;
    out.close();
    if (!out) {
        throw std::runtime_error("TestCa: cannot write " + file.string());
    }
    return file;
}

}  // namespace bildheber::test
