// bildheber-imghost: a local HTTPS image host for running and testing Bildheber without the
// forum. See --help.

#include <cstdio>
#include <exception>
#include <filesystem>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "imghost/CommandLine.h"
#include "imghost/ImageHostService.h"
#include "imghost/LocalhostCertificate.h"
#include "imghost/PictureStore.h"
#include "imghost/PublicUrl.h"
#include "imghost/ShutdownSignal.h"
#include "imghost/TlsServer.h"

namespace {

using namespace bildheber::imghost;

// One line on standard output, flushed at once: tests and scripts wait for lines.
void printLine(const std::string& line) {
    std::cout << line << std::endl;
}

TlsServerConfig serverConfig(const ServerOptions& options) {
    TlsServerConfig config;
    config.address = options.listenAddress;
    config.port = options.port;
    if (options.certificateFile) {
        config.certificateFile = *options.certificateFile;
        config.keyFile = *options.keyFile;
        return config;
    }
    const CertificateFiles files = localhostCertificate(options.dataFolder);
    printLine(std::string(files.created ? "created" : "reusing") +
              " self-signed certificate for localhost: " + files.certificate.string());
    printLine("trust: export SSL_CERT_FILE=" +
              std::filesystem::absolute(files.certificate).string());
    config.certificateFile = files.certificate;
    config.keyFile = files.key;
    return config;
}

int serve(const ServerOptions& options) {
    PictureStore store(options.dataFolder / "pictures");
    const ShutdownSignal shutdown;
    TlsServer server(serverConfig(options), printLine);
    const PublicUrl url = PublicUrl::parse(
        options.publicUrl.value_or("https://localhost:" + std::to_string(server.port())));
    ImageHostService service(store, url, &std::chrono::system_clock::now, printLine);
    service.removeExpiredIfDue();
    printLine("pictures in " + std::filesystem::absolute(store.folder()).string() +
              ", codes name " + url.base());
    printLine("listening on https://" + options.listenAddress + ":" +
              std::to_string(server.port()));
    server.run([&service](const RequestHead& head,
                          std::string_view body) { return service.handle(head, body); },
               shutdown);
    printLine("stopped");
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    ServerOptions options;
    try {
        options = parseCommandLine(std::vector<std::string_view>(argv + 1, argv + argc));
    } catch (const UsageError& error) {
        std::cerr << "bildheber-imghost: " << error.what() << "\n\n" << usageText();
        return 2;
    }
    if (options.help) {
        std::cout << usageText();
        return 0;
    }
    try {
        return serve(options);
    } catch (const std::exception& error) {
        std::cerr << "bildheber-imghost: " << error.what() << std::endl;
        return 1;
    }
}
