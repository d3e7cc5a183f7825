#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace bildheber {

struct Endpoint {
    std::string host;
    std::uint16_t port = 443;
};

// Parses "host" or "host:port". Throws std::invalid_argument for an empty host or a port that is
// not a number from 1 to 65535.
Endpoint parseEndpoint(std::string_view text);

// The forum's image host: compiled in, unless the environment variable BILDHEBER_SERVER names
// another one (for tests and the local image host).
Endpoint imageHostEndpoint();

}  // namespace bildheber
