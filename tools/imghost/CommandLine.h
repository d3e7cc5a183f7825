#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace bildheber::imghost {

class UsageError : public std::invalid_argument {
  public:
    using std::invalid_argument::invalid_argument;
};

struct ServerOptions {
    std::string listenAddress = "127.0.0.1";  // an IPv4 address
    std::uint16_t port = 8443;                // 0: any free port
    std::filesystem::path dataFolder = "imghost-data";
    std::optional<std::filesystem::path> certificateFile;  // both or neither
    std::optional<std::filesystem::path> keyFile;
    std::optional<std::string> publicUrl;  // checked; default https://localhost:<port>
    bool help = false;
};

// The arguments after the program name. Flags take their value as the next argument or after
// "=". Throws UsageError for an unknown flag, a missing or bad value, or --cert without --key.
ServerOptions parseCommandLine(const std::vector<std::string_view>& arguments);

std::string usageText();

}  // namespace bildheber::imghost
