#include "upload/OpenSslHandles.h"

#include <openssl/err.h>

namespace bildheber {

std::string openSslErrors() {
    std::string text;
    while (const unsigned long code = ERR_get_error()) {
        char buffer[256];
        ERR_error_string_n(code, buffer, sizeof buffer);
        if (!text.empty()) {
            text += "; ";
        }
        text += buffer;
    }
    return text.empty() ? "no details" : text;
}

}  // namespace bildheber
