#include "upload/ImageHost.h"

#include <charconv>
#include <cstdlib>
#include <stdexcept>

namespace bildheber {

namespace {
constexpr std::string_view kCompiledInHost = BILDHEBER_IMAGE_HOST;
}

Endpoint parseEndpoint(std::string_view text) {
    const auto colon = text.rfind(':');
    Endpoint endpoint{std::string(text.substr(0, colon)), 443};
    if (colon != std::string_view::npos) {
        const std::string_view digits = text.substr(colon + 1);
        unsigned port = 0;
        const auto [end, error] =
            std::from_chars(digits.data(), digits.data() + digits.size(), port);
        if (digits.empty() || error != std::errc() || end != digits.data() + digits.size() ||
            port == 0 || port > 65535) {
            throw std::invalid_argument("invalid port in server address \"" + std::string(text) +
                                        "\"");
        }
        endpoint.port = static_cast<std::uint16_t>(port);
    }
    if (endpoint.host.empty()) {
        throw std::invalid_argument("no host in server address \"" + std::string(text) + "\"");
    }
    return endpoint;
}

Endpoint imageHostEndpoint() {
    if (const char* configured = std::getenv("BILDHEBER_SERVER");
        configured != nullptr && *configured != '\0') {
        return parseEndpoint(configured);
    }
    return Endpoint{std::string(kCompiledInHost), 443};
}

}  // namespace bildheber
