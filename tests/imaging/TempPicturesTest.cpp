#include "imaging/TempPictures.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "platform/SystemFiles.h"
#include "support/TempDir.h"

namespace bildheber {
namespace {

TEST(UniqueFileName, NumbersFromOneAndFillsGaps) {
    std::set<std::string> existing;
    const auto exists = [&](const std::string& name) { return existing.count(name) > 0; };
    const std::string base = "/opt/Bildheber_tmp.jpg";
    EXPECT_EQ(uniqueFileName(base, exists), base);
    existing.insert(base);
    EXPECT_EQ(uniqueFileName(base, exists), "/opt/Bildheber_tmp-1.jpg");
    existing.insert("/opt/Bildheber_tmp-2.jpg");
    EXPECT_EQ(uniqueFileName(base, exists), "/opt/Bildheber_tmp-1.jpg");
    existing.insert("/opt/Bildheber_tmp-1.jpg");
    EXPECT_EQ(uniqueFileName(base, exists), "/opt/Bildheber_tmp-3.jpg");
}

TEST(MatchesFilePattern, TreatsTheStarAsAnyRun) {
    const char* pattern = "Bildheber_tmp*.jpg";
    for (const char* name : {"Bildheber_tmp.jpg", "Bildheber_tmp-7.jpg", "Bildheber_tmp_alt.jpg",
                             "Bildheber_tmp.jpg.jpg"}) {
        EXPECT_TRUE(matchesFilePattern(name, pattern)) << name;
    }
    for (const char* name : {"Bildheber_tmp.jpeg", "Bildheber.jpg", "xBildheber_tmp.jpg",
                             "Bildheber_tmp.jpgx", "bildheber_tmp.jpg", "Bildheber_tmp.JPG"}) {
        EXPECT_FALSE(matchesFilePattern(name, pattern)) << name;  // POSIX names keep their case
    }
    EXPECT_TRUE(matchesFilePattern("a", "**a**"));
    EXPECT_FALSE(matchesFilePattern(std::string(10000, 'a'), "*a*b*"));
}

TEST(DeleteTmpFiles, RemovesExactlyTheMatchingFilesOfTheProgramsFolder) {
    test::TempDir folder;
    const auto touch = [&](const char* name) { std::ofstream(folder.path() / name) << "x"; };
    for (const char* name : {"Bildheber_tmp.jpg", "Bildheber_tmp-7.jpg", "Bildheber_tmp_alt.jpg",
                             "Bildheber_tmp.jpeg", "Bildheber.jpg", "Bildheber_log.txt"}) {
        touch(name);
    }
    std::filesystem::create_directory(folder.path() / "Bildheber_tmp-dir.jpg");  // not deletable
    deleteTmpFiles((folder.path() / "Bildheber_tmp*.jpg").string());

    std::set<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(folder.path())) {
        left.insert(entry.path().filename().string());
    }
    EXPECT_EQ(left, (std::set<std::string>{"Bildheber_tmp.jpeg", "Bildheber.jpg",
                                           "Bildheber_log.txt", "Bildheber_tmp-dir.jpg"}));
}

TEST(WriteWholeFile, LeavesNothingBehindWhenItFails) {
    test::TempDir folder;
    const auto target = folder.path() / "full.jpg";
    EXPECT_TRUE(writeWholeFile(target.string(), "picture", OutputFile::Mode::Replace));
    std::ifstream in(target);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "picture");

    // A file size limit makes the write fail half-way, as a full disk would.
    const auto cut = folder.path() / "cut.jpg";
    const pid_t child = fork();
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{4, 4};
        setrlimit(RLIMIT_FSIZE, &limit);
        try {
            writeWholeFile(cut.string(), "picture", OutputFile::Mode::Replace);
        } catch (const std::runtime_error&) {
            _exit(std::filesystem::exists(cut) ? 2 : 0);
        }
        _exit(1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;

    try {
        writeWholeFile((folder.path() / "no" / "x.jpg").string(), "picture",
                       OutputFile::Mode::Replace);
        FAIL();
    } catch (const std::runtime_error& failure) {
        EXPECT_EQ(std::string(failure.what()),
                  "Datei \"" + (folder.path() / "no" / "x.jpg").string() +
                      "\" kann nicht erstellt werden. No such file or directory");
    }
}

}  // namespace
}  // namespace bildheber
