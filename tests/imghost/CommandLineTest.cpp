#include "imghost/CommandLine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace bildheber::imghost {
namespace {

TEST(ImghostCommandLine, ReadsEveryFlag) {
    const ServerOptions defaults = parseCommandLine({});
    EXPECT_EQ(defaults.listenAddress, "127.0.0.1");
    EXPECT_EQ(defaults.port, 8443);
    EXPECT_EQ(defaults.dataFolder, "imghost-data");
    EXPECT_FALSE(defaults.certificateFile || defaults.keyFile || defaults.publicUrl ||
                 defaults.help);

    const ServerOptions options =
        parseCommandLine({"--listen", "localhost:0", "--data=/tmp/x", "--cert", "c.pem",
                          "--key=k.pem", "--public-url", "https://bilder.test:9443/base/"});
    EXPECT_EQ(options.listenAddress, "127.0.0.1");
    EXPECT_EQ(options.port, 0);
    EXPECT_EQ(options.dataFolder, "/tmp/x");
    EXPECT_EQ(options.certificateFile, "c.pem");
    EXPECT_EQ(options.keyFile, "k.pem");
    EXPECT_EQ(options.publicUrl, "https://bilder.test:9443/base");
    EXPECT_TRUE(parseCommandLine({"--help"}).help);
}

TEST(ImghostCommandLine, RefusesWhatItCannotUse) {
    struct Case {
        std::vector<std::string_view> arguments;
        const char* reason;
    };
    const Case cases[] = {
        {{"--port", "1"}, "unknown argument"},
        {{"--listen"}, "needs a value"},
        {{"--listen", "127.0.0.1"}, "ADDRESS:PORT"},
        {{"--listen", "127.0.0.1:65536"}, "port must be"},
        {{"--listen", "127.0.0.1:-1"}, "port must be"},
        {{"--listen", "[::1]:8443"}, "not an IPv4 address"},
        {{"--listen", "example.org:8443"}, "not an IPv4 address"},
        {{"--cert", "c.pem"}, "go together"},
        {{"--public-url", "ftp://x"}, "--public-url"},
        {{"--public-url", "https://x/?a=1&b=2"}, "--public-url"},
        {{"--public-url", "https://x/\"onload"}, "--public-url"},
        {{"--public-url", "https://"}, "--public-url"},
    };
    for (const Case& c : cases) {
        try {
            parseCommandLine(c.arguments);
            ADD_FAILURE() << "accepted: " << c.arguments.front();
        } catch (const UsageError& error) {
            EXPECT_NE(std::string(error.what()).find(c.reason), std::string::npos)
                << c.arguments.front() << ": " << error.what();
        }
    }
}

}  // namespace
}  // namespace bildheber::imghost
