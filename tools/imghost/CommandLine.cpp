#include "imghost/CommandLine.h"

#include <arpa/inet.h>

#include <charconv>

#include "imghost/PublicUrl.h"

namespace bildheber::imghost {

namespace {

std::uint16_t parsePort(std::string_view text) {
    unsigned port = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), port);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || port > 65535) {
        throw UsageError("--listen: port must be a number from 0 to 65535");
    }
    return static_cast<std::uint16_t>(port);
}

void parseListen(std::string_view text, ServerOptions& options) {
    const std::size_t colon = text.rfind(':');
    if (colon == std::string_view::npos) {
        throw UsageError("--listen needs ADDRESS:PORT, such as 127.0.0.1:8443");
    }
    std::string address(text.substr(0, colon));
    if (address == "localhost") {
        address = "127.0.0.1";
    }
    in_addr parsed{};
    if (inet_pton(AF_INET, address.c_str(), &parsed) != 1) {
        throw UsageError("--listen: \"" + address + "\" is not an IPv4 address");
    }
    options.listenAddress = address;
    options.port = parsePort(text.substr(colon + 1));
}

// Splits "--flag=value" and takes the value of "--flag value" from the next argument.
struct FlagReader {
    const std::vector<std::string_view>& arguments;
    std::size_t next = 0;

    bool done() const { return next == arguments.size(); }

    std::pair<std::string_view, std::optional<std::string_view>> flag() {
        const std::string_view argument = arguments[next++];
        const std::size_t equals = argument.find('=');
        if (argument.starts_with("--") && equals != std::string_view::npos) {
            return {argument.substr(0, equals), argument.substr(equals + 1)};
        }
        return {argument, std::nullopt};
    }

    std::string_view value(std::string_view flag, std::optional<std::string_view> inlineValue) {
        if (inlineValue) {
            return *inlineValue;
        }
        if (done()) {
            throw UsageError(std::string(flag) + " needs a value");
        }
        return arguments[next++];
    }
};

}  // namespace

ServerOptions parseCommandLine(const std::vector<std::string_view>& arguments) {
    ServerOptions options;
    FlagReader reader{arguments};
    while (!reader.done()) {
        const auto [flag, inlineValue] = reader.flag();
        if (flag == "--help" || flag == "-h") {
            options.help = true;
        } else if (flag == "--listen") {
            parseListen(reader.value(flag, inlineValue), options);
        } else if (flag == "--data") {
            options.dataFolder = reader.value(flag, inlineValue);
        } else if (flag == "--cert") {
            options.certificateFile = reader.value(flag, inlineValue);
        } else if (flag == "--key") {
            options.keyFile = reader.value(flag, inlineValue);
        } else if (flag == "--public-url") {
            const std::string_view url = reader.value(flag, inlineValue);
            try {
                options.publicUrl = PublicUrl::parse(url).base();
            } catch (const std::invalid_argument& error) {
                throw UsageError(std::string("--public-url: ") + error.what());
            }
        } else {
            throw UsageError("unknown argument \"" + std::string(flag) + "\"");
        }
    }
    if (options.certificateFile.has_value() != options.keyFile.has_value()) {
        throw UsageError("--cert and --key go together");
    }
    return options;
}

std::string usageText() {
    return R"(Usage: bildheber-imghost [options]

A local HTTPS image host for Bildheber on loopback: takes the program's uploads
(POST /imghost/), answers with a page holding the forum code, serves the pictures
(GET /imghost/i/NAME.jpg, page /imghost/p/NAME) and deletes them after their expiry date.

Options:
  --listen ADDR:PORT   IPv4 address and port to listen on (default 127.0.0.1:8443;
                       port 0 takes a free port, printed on start)
  --data DIR           folder for pictures and the generated certificate
                       (default ./imghost-data)
  --cert FILE          PEM certificate (chain) to serve, together with --key
  --key FILE           PEM private key of that certificate
                       Without both, a self-signed certificate for localhost is made
                       once in DIR and reused; trust it with SSL_CERT_FILE.
  --public-url URL     base address in forum codes and pages
                       (default https://localhost:<port>)
  --help               this text

Run the program against it with BILDHEBER_SERVER=localhost:<port> and the printed
SSL_CERT_FILE. Stops on SIGINT or SIGTERM.
)";
}

}  // namespace bildheber::imghost
