#include <algorithm>
#include <cstdio>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "imaging/JpegError.h"
#include "imaging/JpegMutants.h"
#include "imaging/ResizeJpg.h"
#include "job/JobFixture.h"

namespace bildheber::test {
namespace {

using DamagedSamplesUploadTest = JobFixture;

struct Variant {
    std::string what;
    std::string path;
    bool readable;                      // the header gives a picture with pixels
    std::optional<std::string> upload;  // what resizeJpg gives for it alone
};

bool hasReadableHeader(std::string_view jpeg) {
    try {
        const JpegHeader header = readJpegHeader(jpeg);
        return header.width > 0 && header.height > 0;
    } catch (const JpegError&) {
        return false;
    }
}

std::optional<std::string> uploadAlone(const std::string& path) {
    std::string stream;
    try {
        resizeJpg(path, stream);
    } catch (const JpegError&) {
        return std::nullopt;
    }
    return stream;
}

std::size_t occurrences(std::string_view text, std::string_view part) {
    std::size_t count = 0;
    for (auto at = text.find(part); at != std::string_view::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

// All damaged samples queued at once and sent in one run: each is turned away when it is added,
// or uploaded exactly as resizeJpg makes it alone, or fails its own entry, and the run goes on.
TEST_F(DamagedSamplesUploadTest, EachIsRejectedUploadedOrFailsOnlyItsOwnEntry) {
    std::vector<Variant> variants;
    for (const JpegMutant& mutant : damagedSamplePictures()) {
        char name[32];
        std::snprintf(name, sizeof name, "damaged%03zu.jpg", variants.size());
        const std::string path = writeFile(name, mutant.bytes);
        variants.push_back({mutant.what, path, hasReadableHeader(mutant.bytes), uploadAlone(path)});
    }

    std::vector<const Variant*> queued;
    for (const Variant& variant : variants) {
        const std::size_t notices = window.notices.size();
        job.AddToFileList(variant.path);
        EXPECT_EQ(job.queue().size(), queued.size() + variant.readable) << variant.what;
        EXPECT_EQ(window.notices.size(), notices + !variant.readable) << variant.what;
        if (variant.readable) {
            queued.push_back(&variant);
        }
    }
    ASSERT_EQ(job.queue().size(), queued.size());
    window.calls.clear();

    job.ButtonsendClick();

    const std::string log = logContent();
    const auto requests = server.requests(static_cast<std::size_t>(
        std::count_if(queued.begin(), queued.end(), [](const Variant* v) { return v->upload; })));
    std::size_t uploads = 0;
    for (std::size_t i = 0; i < queued.size(); ++i) {
        const Variant& variant = *queued[i];
        EXPECT_EQ(occurrences(log, ": Upload File " + variant.path + "\r\n"), 1u) << variant.what;
        if (variant.upload) {
            EXPECT_EQ(job.queue()[i].status, "Fertig.") << variant.what;
            ASSERT_LT(uploads, requests.size()) << variant.what;
            EXPECT_NE(requests[uploads++].find(*variant.upload), std::string::npos) << variant.what;
            continue;
        }
        EXPECT_EQ(job.queue()[i].status, "Error!") << variant.what;
        EXPECT_NE(std::find(window.calls.begin(), window.calls.end(),
                            "status: Sendefehler." + variant.path),
                  window.calls.end())
            << variant.what;
        EXPECT_NE(log.find(": Upload File " + variant.path + "\r\n\r\n\r\n"), std::string::npos)
            << variant.what;
    }
    EXPECT_EQ(requests.size(), uploads);
    for (const Variant& variant : variants) {
        if (!variant.readable) {
            EXPECT_EQ(log.find(variant.path), std::string::npos) << variant.what;
        }
    }

    const std::size_t rejected = variants.size() - queued.size();
    const std::size_t failedInRun = queued.size() - uploads;
    std::cout << variants.size() << " damaged samples: " << uploads << " uploaded, " << rejected
              << " rejected when added, " << failedInRun << " failed in the run\n";
    RecordProperty("damaged", static_cast<int>(variants.size()));
    RecordProperty("uploaded", static_cast<int>(uploads));
    RecordProperty("rejected", static_cast<int>(rejected));
    RecordProperty("failedInRun", static_cast<int>(failedInRun));
}

}  // namespace
}  // namespace bildheber::test
