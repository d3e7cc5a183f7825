// bildheber-cli: uploads JPEG files like the window's "Hochladen" and prints their forum codes.

#include <clocale>
#include <iostream>
#include <string>
#include <vector>

#include "ConsoleWindow.h"
#include "platform/SystemFiles.h"
#include "upload/PostImage.h"
#include "upload/UploadJob.h"

namespace {

constexpr const char* kUsage =
    "Usage: bildheber-cli [--expiry 0|1|2] [--] FILE...\n"
    "       bildheber-cli --help | --version\n"
    "Uploads each JPEG FILE to the forum's image host, scaled to 1024 px wide (landscape) or\n"
    "768 px high (portrait), and prints the forum codes, each followed by CR LF.\n"
    "  --expiry 0   keep the pictures (default)\n"
    "  --expiry 1   delete them after 12 months\n"
    "  --expiry 2   delete them after 6 weeks\n"
    "  --help       print this text and exit\n"
    "  --version    print the version and exit\n"
    "Status lines and messages go to standard error. The log is written beside the program, or\n"
    "in $XDG_STATE_HOME/bildheber/ (~/.local/state/bildheber/) when its folder is not writable.\n"
    "BILDHEBER_SERVER=host[:port] names another image host.\n"
    "Exit status: 0 when every file was uploaded, 1 otherwise, 2 for a usage error.\n";

struct Arguments {
    bildheber::ExpiryChoice expiry = bildheber::ExpiryChoice::Never;
    std::vector<std::string> files;
};

int usageError(const std::string& problem) {
    std::cerr << "bildheber-cli: " << problem << "\n" << kUsage;
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");  // the log's time stamps follow the user's regional settings

    bildheber::prepareStandardStreams();
    const std::vector<std::string> given = bildheber::programArguments(argc, argv);
    Arguments arguments;
    bool optionsDone = false;
    for (std::size_t i = 0; i < given.size(); ++i) {
        const std::string& argument = given[i];
        if (argument.empty()) {
            continue;  // names no file, as in the window
        }
        if (optionsDone || argument[0] != '-') {
            arguments.files.push_back(argument);
        } else if (argument == "--") {
            optionsDone = true;
        } else if (argument == "--help" || argument == "-h") {
            std::cout << kUsage;
            return 0;
        } else if (argument == "--version") {
            std::cout << "bildheber-cli " BILDHEBER_VERSION "\n";
            return 0;
        } else if (argument == "--expiry" && i + 1 < given.size() && given[i + 1].size() == 1 &&
                   given[i + 1][0] >= '0' && given[i + 1][0] <= '2') {
            arguments.expiry = static_cast<bildheber::ExpiryChoice>(given[++i][0] - '0');
        } else {
            return usageError("unknown option or bad value: " + argument);
        }
    }
    if (arguments.files.empty()) {
        return usageError("no FILE given");
    }

    bildheber::ConsoleWindow window(arguments.expiry);
    bildheber::ConsolePlatform platform;
    bildheber::UploadJob job(
        window, platform,
        [](std::string_view path, std::string_view jpeg, bildheber::ExpiryChoice expiry) {
            return bildheber::postImage(path, jpeg, expiry);
        });
    job.FormCreate(arguments.files);
    job.ButtonsendClick();
    job.FormClose();

    std::cout << job.all_bbcCodes() << std::flush;
    bool allDone = job.queue().size() == arguments.files.size();
    for (const auto& entry : job.queue()) {
        allDone = allDone && entry.status == bildheber::entry_status::kDone;
    }
    return allDone ? 0 : 1;
}
