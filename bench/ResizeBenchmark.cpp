// resizeJpg next to the bare codec work it cannot avoid (decoding every pixel of the source and
// encoding the result), next to the plain full-picture way and next to ImageMagick; then the
// peak memory of one re-encoding. Run through tools/bench.sh (a Release build).
#include <benchmark/benchmark.h>

#include <malloc.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "BenchPictures.h"
#include "PeakMemory.h"
#include "imaging/JpegCodec.h"
#include "imaging/ResizeJpg.h"

extern char** environ;

namespace bildheber::bench {
namespace {

constexpr const char* kImageMagick = "/usr/bin/convert";

double seconds(const timeval& time) {
    return static_cast<double>(time.tv_sec) + time.tv_usec / 1e6;
}

// Decodes every row with the program's decoder settings into one reused row: the least the
// codec must do to see every source pixel. The inputs are the benchmark's own valid files, so
// the codec's default error handler (print and exit) is enough here.
void decodeAllRows(const std::string& bytes) {
    jpeg_decompress_struct codec{};
    jpeg_error_mgr errors{};
    codec.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&codec);
    jpeg_mem_src(&codec, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    jpeg_read_header(&codec, TRUE);
    codec.dct_method = JDCT_FLOAT;
    codec.do_fancy_upsampling = TRUE;
    codec.out_color_space = JCS_RGB;
    jpeg_start_decompress(&codec);
    std::vector<JSAMPLE> row(static_cast<std::size_t>(codec.output_width) * 3);
    JSAMPROW rowPointer = row.data();
    while (codec.output_scanline < codec.output_height) {
        jpeg_read_scanlines(&codec, &rowPointer, 1);
    }
    benchmark::DoNotOptimize(row.data());
    jpeg_finish_decompress(&codec);
    jpeg_destroy_decompress(&codec);
}

void resizeJpgOnce(benchmark::State& state, const BenchPicture& picture) {
    for (auto _ : state) {
        std::string stream;
        resizeJpg(picture.file.string(), stream);
        benchmark::DoNotOptimize(stream.data());
    }
}

void bareCodec(benchmark::State& state, const BenchPicture& picture) {
    const JpegHeader header = readJpegHeader(picture.bytes);
    const UploadSize size = uploadSize(header.width, header.height);
    const RgbRaster result = scaleNearest(decodeJpeg(picture.bytes), size.width, size.height);
    for (auto _ : state) {
        decodeAllRows(picture.bytes);
        const std::string encoded = encodeJpeg(result, header.multiScan);
        benchmark::DoNotOptimize(encoded.data());
    }
}

void fullPicture(benchmark::State& state, const BenchPicture& picture) {
    for (auto _ : state) {
        const JpegHeader header = readJpegHeader(picture.bytes);
        const UploadSize size = uploadSize(header.width, header.height);
        const std::string encoded = encodeJpeg(
            scaleNearest(decodeJpeg(picture.bytes), size.width, size.height), header.multiScan);
        benchmark::DoNotOptimize(encoded.data());
    }
}

// ImageMagick in its own process each time; the iteration time is that process's CPU time (user
// and system, from wait4), comparable with the CPU time of the in-process ways.
void imageMagick(benchmark::State& state, const BenchPicture& picture) {
    if (access(kImageMagick, X_OK) != 0) {
        state.SkipWithError("ImageMagick is not installed (tools/bench.sh installs it as root)");
        return;
    }
    const std::string output = picture.file.string() + ".magick.jpg";
    const std::vector<std::string> words = {
        kImageMagick, "-sample", "1024x768", "-quality", "90", picture.file.string(), output};
    std::vector<char*> argv;
    for (const auto& word : words) {
        argv.push_back(const_cast<char*>(word.c_str()));
    }
    argv.push_back(nullptr);
    double wallSeconds = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        pid_t child = 0;
        int status = 0;
        rusage usage{};
        if (posix_spawn(&child, kImageMagick, nullptr, nullptr, argv.data(), environ) != 0 ||
            wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) ||
            WEXITSTATUS(status) != 0) {
            state.SkipWithError("convert failed");
            return;
        }
        wallSeconds +=
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.SetIterationTime(seconds(usage.ru_utime) + seconds(usage.ru_stime));
    }
    state.counters["wall_ms"] =
        benchmark::Counter(wallSeconds * 1000.0, benchmark::Counter::kAvgIterations);
    std::remove(output.c_str());
}

// Console output plus, at the end, each way's CPU time as a multiple of the bare codec's. CPU
// time rather than wall time, and the fastest of several repetitions, so that other load on the
// machine disturbs the ratios less.
class RatioReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const auto& run : runs) {
            // With repetitions the "min" aggregate, else the single run.
            const bool single = run.run_type == Run::RT_Iteration && run.repetitions <= 1;
            const bool minimum = run.run_type == Run::RT_Aggregate && run.aggregate_name == "min";
            if (run.error_occurred || !(single || minimum)) {
                continue;
            }
            const std::string& name = run.run_name.function_name;  // "way/picture"
            const auto slash = name.find('/');
            const std::string way = name.substr(0, slash);
            // ImageMagick's manual time is its process's CPU time.
            millisecondsByPicture_[name.substr(slash + 1)][way] =
                way == "imageMagick" ? run.GetAdjustedRealTime() : run.GetAdjustedCPUTime();
        }
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        std::printf("\n%-26s %12s %14s %14s\n", "picture", "resizeJpg", "full picture",
                    "ImageMagick");
        for (const auto& [picture, times] : millisecondsByPicture_) {
            const auto bare = times.find("bareCodec");
            if (bare == times.end()) {
                continue;
            }
            std::printf("%-26s", picture.c_str());
            for (const char* way : {"resizeJpg", "fullPicture", "imageMagick"}) {
                const auto time = times.find(way);
                if (time == times.end()) {
                    std::printf(" %13s", "-");
                } else {
                    std::printf(" %12.2fx", time->second / bare->second);
                }
            }
            std::printf("   (bare codec %.1f ms CPU)\n", bare->second);
        }
    }

  private:
    std::map<std::string, std::map<std::string, double>> millisecondsByPicture_;
};

void reportPeakMemory(const std::vector<BenchPicture>& pictures) {
    std::printf("Peak resident memory of one re-encoding, in its own process (MiB):\n");
    std::printf("%-26s %8s %10s %14s\n", "picture", "idle", "resizeJpg", "full picture");
    for (const auto& picture : pictures) {
        std::printf("%-26s %8.1f %10.1f %14.1f\n", picture.name.c_str(),
                    peakRssKiB(ResizeWay::Idle, picture.file) / 1024.0,
                    peakRssKiB(ResizeWay::ResizeJpg, picture.file) / 1024.0,
                    peakRssKiB(ResizeWay::FullPicture, picture.file) / 1024.0);
    }
    std::printf("\n");
}

std::string benchName(std::string name) {
    for (char& c : name) {
        if (c == ' ') {
            c = '_';
        }
    }
    return name;
}

}  // namespace
}  // namespace bildheber::bench

int main(int argc, char** argv) {
    using namespace bildheber::bench;
    if (const int status = runMeasuredResizeIfAsked(argc, argv); status >= 0) {
        return status;
    }
    // Keep freed memory in the process instead of handing it back to the system after every
    // iteration: otherwise each way's time is dominated by page faults for memory that glibc
    // unmaps and maps again, which varies with the order of allocations rather than the work.
    // The peak-memory processes above run with the default allocator settings.
    mallopt(M_MMAP_MAX, 0);
    mallopt(M_TRIM_THRESHOLD, 512 << 20);
    char folderPattern[] = "/tmp/bildheber-bench-XXXXXX";
    if (mkdtemp(folderPattern) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::filesystem::path folder = folderPattern;
    const std::vector<BenchPicture> pictures = makeBenchPictures(folder);
    for (const auto& picture : pictures) {
        std::printf("%-26s %8zu bytes\n", picture.name.c_str(), picture.bytes.size());
    }
    std::printf("\n");
    reportPeakMemory(pictures);

    const std::pair<const char*, void (*)(benchmark::State&, const BenchPicture&)> ways[] = {
        {"resizeJpg", resizeJpgOnce},
        {"bareCodec", bareCodec},
        {"fullPicture", fullPicture},
        {"imageMagick", imageMagick},
    };
    for (const auto& picture : pictures) {
        for (const auto& [way, function] : ways) {
            const std::string name = std::string(way).append("/").append(benchName(picture.name));
            auto* registered = benchmark::RegisterBenchmark(name.c_str(), function, picture);
            registered->Unit(benchmark::kMillisecond)
                ->ComputeStatistics("min", [](const std::vector<double>& values) {
                    return *std::min_element(values.begin(), values.end());
                });
            if (std::string(way) == "imageMagick") {
                registered->UseManualTime();
            }
        }
    }
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    return 0;
}
