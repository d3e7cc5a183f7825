#include "upload/ImageHost.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "support/ScopedEnvironment.h"

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
    test::ScopedEnvironment environment;
    environment.set("BILDHEBER_SERVER", std::nullopt);
    const Endpoint compiledIn = imageHostEndpoint();
    EXPECT_FALSE(compiledIn.host.empty());
    EXPECT_EQ(compiledIn.port, 443);

    environment.set("BILDHEBER_SERVER", "localhost:9443");
    const Endpoint overridden = imageHostEndpoint();
    EXPECT_EQ(overridden.host, "localhost");
    EXPECT_EQ(overridden.port, 9443);
}

}  // namespace
}  // namespace bildheber
