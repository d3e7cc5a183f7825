#pragma once

#include <openssl/ssl.h>

#include <memory>
#include <string>

namespace bildheber {

// Frees an OpenSSL object with the library's own function; for std::unique_ptr.
template <auto Free>
struct OpenSslDeleter {
    template <typename T>
    void operator()(T* handle) const {
        Free(handle);
    }
};

using SslCtxPtr = std::unique_ptr<SSL_CTX, OpenSslDeleter<SSL_CTX_free>>;
using SslPtr = std::unique_ptr<SSL, OpenSslDeleter<SSL_free>>;
using X509Ptr = std::unique_ptr<X509, OpenSslDeleter<X509_free>>;

// The texts of OpenSSL's error queue, which this empties; "no details" when it is empty.
std::string openSslErrors();

}  // namespace bildheber
