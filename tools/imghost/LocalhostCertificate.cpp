#include "imghost/LocalhostCertificate.h"

#include <fcntl.h>
#include <openssl/pem.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <utility>

#include "platform/FileDescriptor.h"
#include "upload/OpenSslHandles.h"

namespace bildheber::imghost {

namespace {

namespace fs = std::filesystem;

constexpr long kValiditySeconds = 10L * 365 * 24 * 60 * 60;
constexpr long kClockSlackSeconds = 60L * 60;

void check(bool ok, const std::string& what) {
    if (!ok) {
        throw std::runtime_error("certificate: " + what + ": " + openSslErrors());
    }
}

// Writes the file whole under a temporary name first, so that a reader never sees half of it.
void writeFileAtomically(const fs::path& file, const std::string& bytes, mode_t mode) {
    fs::path temporary = file;
    temporary += ".tmp";
    ::unlink(temporary.c_str());  // the mode applies only to a file that open creates
    FileDescriptor fd(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode));
    bool ok = fd.get() >= 0;
    for (std::size_t done = 0; ok && done < bytes.size();) {
        const ssize_t n = ::write(fd.get(), bytes.data() + done, bytes.size() - done);
        ok = n > 0 || (n < 0 && errno == EINTR);
        done += n > 0 ? static_cast<std::size_t>(n) : 0;
    }
    ok = fd.close() && ok;
    if (!ok || std::rename(temporary.c_str(), file.c_str()) != 0) {
        const std::string reason = std::strerror(errno);
        std::remove(temporary.c_str());
        throw std::runtime_error("cannot write " + file.string() + ": " + reason);
    }
}

std::string bioText(BIO* bio) {
    char* data = nullptr;
    const long size = BIO_get_mem_data(bio, &data);
    return std::string(data, static_cast<std::size_t>(size));
}

std::string certificatePem(X509* cert) {
    BioPtr bio(BIO_new(BIO_s_mem()));
    check(bio && PEM_write_bio_X509(bio.get(), cert) == 1, "PEM_write_bio_X509");
    return bioText(bio.get());
}

std::string keyPem(EVP_PKEY* key) {
    BioPtr bio(BIO_new(BIO_s_mem()));
    check(
        bio && PEM_write_bio_PrivateKey(bio.get(), key, nullptr, nullptr, 0, nullptr, nullptr) == 1,
        "PEM_write_bio_PrivateKey");
    return bioText(bio.get());
}

void addExtensions(X509* cert, std::initializer_list<std::pair<int, const char*>> extensions) {
    X509V3_CTX ctx;
    X509V3_set_ctx_nodb(&ctx);
    X509V3_set_ctx(&ctx, cert, cert, nullptr, nullptr, 0);  // self-signed: issuer is subject
    for (const auto& [nid, value] : extensions) {
        X509ExtensionPtr extension(X509V3_EXT_conf_nid(nullptr, &ctx, nid, value));
        check(extension != nullptr, OBJ_nid2sn(nid));
        check(X509_add_ext(cert, extension.get(), -1) == 1, "X509_add_ext");
    }
}

X509Ptr selfSignedCertificate(EVP_PKEY* key) {
    X509Ptr cert(X509_new());
    check(cert && X509_set_version(cert.get(), X509_VERSION_3) == 1, "X509_new");
    BignumPtr serial(BN_new());
    check(serial && BN_rand(serial.get(), 127, BN_RAND_TOP_ANY, BN_RAND_BOTTOM_ANY) == 1 &&
              BN_to_ASN1_INTEGER(serial.get(), X509_get_serialNumber(cert.get())) != nullptr,
          "serial number");
    check(X509_gmtime_adj(X509_getm_notBefore(cert.get()), -kClockSlackSeconds) != nullptr &&
              X509_gmtime_adj(X509_getm_notAfter(cert.get()), kValiditySeconds) != nullptr,
          "validity");
    X509_NAME* name = X509_get_subject_name(cert.get());
    check(X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                                     reinterpret_cast<const unsigned char*>("localhost"), -1, -1,
                                     0) == 1 &&
              X509_set_issuer_name(cert.get(), name) == 1 && X509_set_pubkey(cert.get(), key) == 1,
          "names");
    // The order matters: the authority key id of a self-signed certificate reads the subject key
    // id added before it.
    addExtensions(cert.get(), {{NID_basic_constraints, "critical,CA:TRUE"},
                               {NID_key_usage, "critical,digitalSignature,keyCertSign"},
                               {NID_ext_key_usage, "serverAuth"},
                               {NID_subject_alt_name, "DNS:localhost,IP:127.0.0.1"},
                               {NID_subject_key_identifier, "hash"},
                               {NID_authority_key_identifier, "keyid:always"}});
    check(X509_sign(cert.get(), key, EVP_sha256()) > 0, "X509_sign");
    return cert;
}

X509Ptr readCertificate(const fs::path& file) {
    BioPtr bio(BIO_new_file(file.c_str(), "r"));
    return X509Ptr(bio ? PEM_read_bio_X509(bio.get(), nullptr, nullptr, nullptr) : nullptr);
}

PkeyPtr readKey(const fs::path& file) {
    BioPtr bio(BIO_new_file(file.c_str(), "r"));
    return PkeyPtr(bio ? PEM_read_bio_PrivateKey(bio.get(), nullptr, nullptr, nullptr) : nullptr);
}

bool isUsable(const CertificateFiles& files) {
    const X509Ptr cert = readCertificate(files.certificate);
    const PkeyPtr key = readKey(files.key);
    const bool usable = cert && key && X509_check_private_key(cert.get(), key.get()) == 1 &&
                        X509_cmp_current_time(X509_get0_notAfter(cert.get())) > 0;
    openSslErrors();  // a failed read leaves errors that are no concern of later calls
    return usable;
}

}  // namespace

CertificateFiles localhostCertificate(const fs::path& folder) {
    CertificateFiles files{folder / "localhost-cert.pem", folder / "localhost-key.pem", false};
    if (isUsable(files)) {
        return files;
    }
    const PkeyPtr key(EVP_PKEY_Q_keygen(nullptr, nullptr, "EC", "P-256"));
    check(key != nullptr, "cannot generate an EC P-256 key");
    const X509Ptr cert = selfSignedCertificate(key.get());
    writeFileAtomically(files.key, keyPem(key.get()), 0600);
    writeFileAtomically(files.certificate, certificatePem(cert.get()), 0644);
    files.created = true;
    return files;
}

}  // namespace bildheber::imghost
