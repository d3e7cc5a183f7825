// End to end: bildheber-cli, copied into a folder of its own, uploads to the real local image host.

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <vector>

#include "imaging/JpegCodec.h"
#include "platform/SystemFiles.h"
#include "support/ImageHostProcess.h"
#include "support/TempDir.h"
#include "support/TestPictures.h"

extern char** environ;

namespace bildheber::test {
namespace {

namespace fs = std::filesystem;

struct Finished {
    int exitCode = -1;
    std::string out;
    std::string err;
};

std::string contentOf(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class CommandLineUploaderTest : public ::testing::Test {
  protected:
    CommandLineUploaderTest() {
        fs::create_directory(folder.path() / "bin");
        fs::copy_file(BILDHEBER_CLI_BINARY, program);
    }

    // Runs the program with the environment a user would set for the local image host.
    Finished run(const std::vector<std::string>& arguments, const std::string& server) const {
        std::vector<std::string> environment;
        for (char** e = environ; *e != nullptr; ++e) {
            const std::string entry = *e;
            if (!entry.starts_with("BILDHEBER_SERVER=") && !entry.starts_with("SSL_CERT_FILE=")) {
                environment.push_back(entry);
            }
        }
        environment.push_back("BILDHEBER_SERVER=" + server);
        environment.push_back("SSL_CERT_FILE=" + host.certificate().string());
        std::vector<char*> env;
        for (auto& entry : environment) {
            env.push_back(entry.data());
        }
        env.push_back(nullptr);
        std::vector<std::string> argv = {program.string()};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        std::vector<char*> args;
        for (auto& argument : argv) {
            args.push_back(argument.data());
        }
        args.push_back(nullptr);

        const fs::path out = folder.path() / "stdout";
        const fs::path err = folder.path() / "stderr";
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0600);
        posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0600);
        pid_t pid = -1;
        const int error =
            posix_spawn(&pid, program.c_str(), &actions, nullptr, args.data(), env.data());
        posix_spawn_file_actions_destroy(&actions);
        Finished finished;
        if (error == 0) {
            int status = 0;
            waitpid(pid, &status, 0);
            finished.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        finished.out = contentOf(out);
        finished.err = contentOf(err);
        return finished;
    }

    std::string picture(const std::string& name, int width, int height) const {
        return writeJpegFile(folder.path() / name, width, height);
    }

    std::string local() const { return "localhost:" + std::to_string(host.port()); }

    TempDir folder;
    fs::path program = folder.path() / "bin" / "bildheber-cli";
    ImageHostProcess host{folder.path() / "data"};
};

TEST_F(CommandLineUploaderTest, UploadsEveryFileAndPrintsOnlyTheCodes) {
    const std::string landscape = picture("Urlaub 2014.jpg", 2048, 1536);
    const std::string portrait = picture("Turm.jpg", 600, 800);

    const Finished finished = run({"--expiry", "1", landscape, "", portrait}, local());

    ASSERT_EQ(finished.exitCode, 0) << finished.err;
    const std::regex codes(
        "(\\[URL=https://localhost:[0-9]+/imghost/p/[^\\]]+\\]\\[IMG\\]https://localhost:[0-9]+"
        "/imghost/i/[^\\[]+\\.jpg\\[/IMG\\]\\[/URL\\]\\r\\n){2}");
    EXPECT_TRUE(std::regex_match(finished.out, codes)) << finished.out;
    EXPECT_NE(finished.err.find("Sende Nr.1 von 2: " + landscape + "\n"), std::string::npos)
        << finished.err;
    EXPECT_NE(finished.err.find("Sende Nr.2 von 2: " + portrait + "\n"), std::string::npos);

    // The log lies beside the program and is named after it.
    const std::string log = contentOf(folder.path() / "bin" / "bildheber-cli_log.txt");
    EXPECT_EQ(log.rfind("Korvan Bildheber Logfile.\r\n", 0), 0u);
    const std::string firstCode = finished.out.substr(0, finished.out.find("\r\n"));
    EXPECT_NE(log.find(": Upload File " + landscape + "\r\n" + firstCode + "\r\n\r\n"),
              std::string::npos)
        << log;

    // The host keeps both pictures at their upload size.
    std::vector<std::pair<int, int>> sizes;
    for (const auto& entry : fs::directory_iterator(folder.path() / "data" / "pictures")) {
        if (entry.path().extension() == ".jpg") {
            const JpegHeader header = readJpegHeader(readFileBytes(entry.path().string()));
            sizes.emplace_back(header.width, header.height);
        }
    }
    std::sort(sizes.begin(), sizes.end());
    EXPECT_EQ(sizes, (std::vector<std::pair<int, int>>{{576, 768}, {1024, 768}}));
}

TEST_F(CommandLineUploaderTest, ExitsWithOneWhenAFileIsRejectedOrTheHostIsUnreachable) {
    const std::string good = picture("a.jpg", 300, 200);
    const fs::path text = folder.path() / "notiz.txt";
    std::ofstream(text) << "kein Bild";

    const Finished rejected = run({text.string(), good}, local());
    EXPECT_EQ(rejected.exitCode, 1);
    EXPECT_NE(rejected.err.find("Bildheber: Die Datei \"" + text.string() +
                                "\" endet nicht auf JPEG oder JPG. So wird das nix.\n"),
              std::string::npos)
        << rejected.err;
    EXPECT_EQ(std::count(rejected.out.begin(), rejected.out.end(), '\n'), 1) << rejected.out;

    const Finished unreachable = run({good}, "localhost:1");
    EXPECT_EQ(unreachable.exitCode, 1);
    EXPECT_EQ(unreachable.out, "");
    EXPECT_NE(unreachable.err.find("Sendefehler." + good), std::string::npos) << unreachable.err;
}

TEST_F(CommandLineUploaderTest, AnswersUsageErrorsWithTwoAndHelpOrVersionWithZero) {
    struct Case {
        std::vector<std::string> arguments;
        int exitCode;
        const char* says;
    } cases[] = {
        {{}, 2, "Usage: bildheber-cli"},
        {{"--expiry", "3", "a.jpg"}, 2, "Usage: bildheber-cli"},
        {{"--expiry"}, 2, "Usage: bildheber-cli"},
        {{"--bogus", "a.jpg"}, 2, "Usage: bildheber-cli"},
        {{"--help"}, 0, "Usage: bildheber-cli"},
        {{"--version"}, 0, "bildheber-cli 3.2\n"},
    };
    for (const auto& c : cases) {
        const Finished finished = run(c.arguments, local());
        EXPECT_EQ(finished.exitCode, c.exitCode) << finished.err;
        const std::string& said = c.exitCode == 0 ? finished.out : finished.err;
        EXPECT_NE(said.find(c.says), std::string::npos) << said;
    }
}

}  // namespace
}  // namespace bildheber::test
