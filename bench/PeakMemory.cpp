#include "PeakMemory.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <exception>
#include <fstream>
#include <iostream>
#include <vector>

#include "imaging/JpegCodec.h"
#include "imaging/ResizeJpg.h"
#include "platform/SystemFiles.h"

extern char** environ;

namespace bildheber::bench {
namespace {

constexpr const char* kMeasureFlag = "--measure-peak-rss";

const char* wayName(ResizeWay way) {
    switch (way) {
        case ResizeWay::Idle:
            return "idle";
        case ResizeWay::ResizeJpg:
            return "resizeJpg";
        case ResizeWay::FullPicture:
            return "full-picture";
    }
    return "";
}

void reencodeOnce(const std::string& way, const std::string& file) {
    std::string stream;
    if (way == "resizeJpg") {
        resizeJpg(file, stream);
    } else if (way == "full-picture") {
        const std::string bytes = readFileBytes(file);
        const JpegHeader header = readJpegHeader(bytes);
        const UploadSize size = uploadSize(header.width, header.height);
        stream =
            encodeJpeg(scaleNearest(decodeJpeg(bytes), size.width, size.height), header.multiScan);
    }
}

// The peak resident set size of this process so far, in KiB.
long ownPeakRssKiB() {
    std::ifstream status("/proc/self/status");
    std::string word;
    while (status >> word) {
        if (word == "VmHWM:") {
            long kib = -1;
            status >> kib;
            return kib;
        }
    }
    return -1;
}

}  // namespace

long peakRssKiB(ResizeWay way, const std::filesystem::path& file) {
    const std::string self = "/proc/self/exe";
    const std::string fileName = file.string();
    std::vector<char*> argv = {const_cast<char*>(self.c_str()), const_cast<char*>(kMeasureFlag),
                               const_cast<char*>(wayName(way)), const_cast<char*>(fileName.c_str()),
                               nullptr};
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) {
        return -1;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
    pid_t child = 0;
    const int spawnError =
        posix_spawn(&child, self.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeEnds[1]);
    std::string report;
    char buffer[64];
    for (ssize_t count = 0;
         spawnError == 0 && (count = read(pipeEnds[0], buffer, sizeof buffer)) > 0;) {
        report.append(buffer, static_cast<std::size_t>(count));
    }
    close(pipeEnds[0]);
    int status = 0;
    if (spawnError != 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0) {
        return -1;
    }
    return std::stol(report);
}

int runMeasuredResizeIfAsked(int argc, char** argv) {
    if (argc != 4 || std::strcmp(argv[1], kMeasureFlag) != 0) {
        return -1;
    }
    try {
        reencodeOnce(argv[2], argv[3]);
        std::cout << ownPeakRssKiB() << std::endl;
        return 0;
    } catch (const std::exception& error) {
        std::cerr << error.what() << '\n';
        return 1;
    }
}

}  // namespace bildheber::bench
