// The upload run's two kinds of work, strictly one after the other: the reference for the
// whole-run benchmark (tools/bench-run.sh), which times bildheber-cli against it.
//   bildheber_run_bench photos DIR COUNT     writes COUNT photo-like 4000x3000 JPEGs into DIR
//   bildheber_run_bench sequential FILE...   for each file: re-encode it, then send it, as the
//                                            run did before it re-encoded ahead
// The image host is the one bildheber-cli would use (BILDHEBER_SERVER, SSL_CERT_FILE).
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "BenchPictures.h"
#include "imaging/ResizeJpg.h"
#include "platform/Paths.h"
#include "platform/SystemFiles.h"
#include "upload/PostImage.h"

namespace {

int writePhotos(const std::string& folder, int count) {
    const std::string jpeg = bildheber::bench::photoLikeJpeg(4000, 3000);
    for (int i = 1; i <= count; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "photo-%02d.jpg", i);
        bildheber::writeWholeFile(bildheber::joinPath(folder, name), jpeg,
                                  bildheber::OutputFile::Mode::Replace);
    }
    return 0;
}

int reEncodeThenSend(int count, char** files) {
    int failures = 0;
    for (int i = 0; i < count; ++i) {
        std::string jpeg;
        bildheber::resizeJpg(files[i], jpeg);
        const std::string reply =
            bildheber::postImage(files[i], jpeg, bildheber::ExpiryChoice::Never);
        if (reply.find("[IMG]") == std::string::npos) {
            std::fprintf(stderr, "run_bench: no forum code for %s\n", files[i]);
            ++failures;
        }
    }
    return failures == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        const std::string mode = argc > 1 ? argv[1] : "";
        if (mode == "photos" && argc == 4) {
            return writePhotos(argv[2], std::atoi(argv[3]));
        }
        if (mode == "sequential" && argc > 2) {
            return reEncodeThenSend(argc - 2, argv + 2);
        }
        std::fprintf(stderr, "usage: %s photos DIR COUNT | sequential FILE...\n", argv[0]);
        return 2;
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "run_bench: %s\n", failure.what());
        return 1;
    }
}
