#include "upload/ImageHost.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <stdexcept>

namespace bildheber {
namespace {

TEST(ParseEndpoint, TakesHostAndOptionalPort) {
    struct Case {
        const char* text;
        const char* host;
        std::uint16_t port;
    } cases[] = {
        {"localhost", "localhost", 443},
        {"localhost:8443", "localhost", 8443},
        {"127.0.0.1:1", "127.0.0.1", 1},
        {"bilder.example.org:65535", "bilder.example.org", 65535},
    };
    for (const auto& c : cases) {
        const Endpoint endpoint = parseEndpoint(c.text);
        EXPECT_EQ(endpoint.host, c.host) << c.text;
        EXPECT_EQ(endpoint.port, c.port) << c.text;
    }
}

TEST(ParseEndpoint, RejectsMalformedAddresses) {
    for (const char* text : {"", ":443", "host:", "host:0", "host:65536", "host:44x", "host:-1"}) {
        EXPECT_THROW(parseEndpoint(text), std::invalid_argument) << text;
    }
}

TEST(ImageHostEndpoint, EnvironmentOverridesTheCompiledInHost) {
    unsetenv("BILDHEBER_SERVER");
    const Endpoint compiledIn = imageHostEndpoint();
    EXPECT_FALSE(compiledIn.host.empty());
    EXPECT_EQ(compiledIn.port, 443);

    setenv("BILDHEBER_SERVER", "localhost:9443", 1);
    const Endpoint overridden = imageHostEndpoint();
    unsetenv("BILDHEBER_SERVER");
    EXPECT_EQ(overridden.host, "localhost");
    EXPECT_EQ(overridden.port, 9443);
}

}  // namespace
}  // namespace bildheber
