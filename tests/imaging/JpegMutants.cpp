#include "imaging/JpegMutants.h"

#include <algorithm>
#include <filesystem>
#include <functional>
#include <random>
#include <stdexcept>

#include "imaging/JpegCodec.h"
#include "imaging/JpegError.h"
#include "imaging/JpegTestFiles.h"

namespace bildheber::test {
namespace {

// std::mt19937's numbers are the same everywhere; the standard distributions are not, so the
// ranges are cut from the raw numbers.
using Rng = std::mt19937;

// A number in [from, to); `from` when the range is empty.
std::size_t pick(Rng& rng, std::size_t from, std::size_t to) {
    return to > from ? from + rng() % (to - from) : from;
}

// The segments up to the first scan header (start marker excluded), and where the scan data
// starts.
struct FileLayout {
    std::vector<JpegSegment> segments;
    std::size_t scanData = 0;

    std::string_view segmentBytes(std::string_view jpeg, std::uint8_t marker) const {
        for (const JpegSegment& segment : segments) {
            if (segment.marker == marker) {
                return jpeg.substr(segment.offset, segment.size());
            }
        }
        throw std::runtime_error("the file has no segment of marker " + std::to_string(marker));
    }
};

FileLayout layoutOf(std::string_view jpeg) {
    FileLayout layout;
    for (JpegSegment& segment : jpegSegments(jpeg)) {
        if (segment.marker == 0xD8) {
            continue;
        }
        const bool scan = segment.marker == 0xDA;
        layout.segments.push_back(std::move(segment));
        if (scan) {
            layout.scanData = layout.segments.back().offset + layout.segments.back().size();
            return layout;
        }
    }
    throw std::runtime_error("the file has no scan");
}

struct NamedBytes {
    std::string name;
    std::string bytes;
};

// What a damaged file may hold where it does not belong: bare markers, the file's own segments
// again, and segments of kinds the file does not use.
std::vector<NamedBytes> strayMarkers(std::string_view jpeg, const FileLayout& layout) {
    std::string progressiveFrame(layout.segmentBytes(jpeg, 0xC0));
    progressiveFrame[1] = '\xC2';
    return {
        {"SOI", kStartOfImage},
        {"EOI", kEndOfImage},
        {"RST0", "\xFF\xD0"},
        {"RST5", "\xFF\xD5"},
        {"DHT", std::string(layout.segmentBytes(jpeg, 0xC4))},
        {"broken DHT", markerSegment(0xC4, std::string("\x10\x01\x02\x03", 4))},
        {"SOS", std::string(layout.segmentBytes(jpeg, 0xDA))},
        {"DQT", std::string(layout.segmentBytes(jpeg, 0xDB))},
        {"SOF0", std::string(layout.segmentBytes(jpeg, 0xC0))},
        {"SOF2", progressiveFrame},
        {"DRI", markerSegment(0xDD, std::string("\x00\x01", 2))},
        {"DNL", markerSegment(0xDC, std::string("\x00\x10", 2))},
        {"DAC", markerSegment(0xCC, std::string("\x00\x10", 2))},
        {"APP1", markerSegment(0xE1, std::string("Exif\0\0", 6))},
        {"COM", markerSegment(0xFE, "Kommentar")},
        {"FF fill", "\xFF\xFF\xFF"},
    };
}

std::string flipBits(std::string bytes, Rng& rng, std::size_t from, std::size_t to, int flips) {
    for (int i = 0; i < flips; ++i) {
        const std::size_t at = pick(rng, from, to);
        bytes[at] ^= static_cast<char>(1u << (rng() % 8));
    }
    return bytes;
}

struct Damage {
    std::string what;
    std::string bytes;
};
using Kind = std::function<Damage(std::string_view jpeg, const FileLayout&, Rng&)>;

// Every kind of damage; mutant i gets kind i modulo their number.
std::vector<Kind> damageKinds() {
    const auto scanEnd = [](std::string_view jpeg) { return jpeg.size() - 2; };
    return {
        [=](std::string_view jpeg, const FileLayout& layout, Rng& rng) {
            const int flips = static_cast<int>(pick(rng, 1, 9));
            return Damage{std::to_string(flips) + " bit flips in the scan data",
                          flipBits(std::string(jpeg), rng, layout.scanData, scanEnd(jpeg), flips)};
        },
        [](std::string_view jpeg, const FileLayout& layout, Rng& rng) {
            const int flips = static_cast<int>(pick(rng, 1, 4));
            return Damage{std::to_string(flips) + " bit flips in the headers",
                          flipBits(std::string(jpeg), rng, 2, layout.scanData, flips)};
        },
        [](std::string_view jpeg, const FileLayout&, Rng& rng) {
            const int flips = static_cast<int>(pick(rng, 1, 5));
            return Damage{std::to_string(flips) + " bit flips anywhere",
                          flipBits(std::string(jpeg), rng, 0, jpeg.size(), flips)};
        },
        [=](std::string_view jpeg, const FileLayout& layout, Rng& rng) {
            const std::size_t at = pick(rng, layout.scanData, scanEnd(jpeg));
            return Damage{"cut in the scan data at " + std::to_string(at),
                          std::string(jpeg.substr(0, at))};
        },
        [](std::string_view jpeg, const FileLayout& layout, Rng& rng) {
            const std::size_t at = pick(rng, 1, layout.scanData);
            return Damage{"cut in the headers at " + std::to_string(at),
                          std::string(jpeg.substr(0, at))};
        },
        [=](std::string_view jpeg, const FileLayout& layout, Rng& rng) {
            const auto markers = strayMarkers(jpeg, layout);
            const NamedBytes& marker = markers[pick(rng, 0, markers.size())];
            const std::size_t at = pick(rng, layout.scanData, scanEnd(jpeg));
            std::string bytes(jpeg);
            bytes.insert(at, marker.bytes);
            return Damage{marker.name + " inserted into the scan data at " + std::to_string(at),
                          bytes};
        },
        [](std::string_view jpeg, const FileLayout& layout, Rng& rng) {
            const auto markers = strayMarkers(jpeg, layout);
            const NamedBytes& marker = markers[pick(rng, 0, markers.size())];
            const std::size_t at = layout.segments[pick(rng, 0, layout.segments.size())].offset;
            std::string bytes(jpeg);
            bytes.insert(at, marker.bytes);
            return Damage{marker.name + " inserted into the headers at " + std::to_string(at),
                          bytes};
        },
        [](std::string_view jpeg, const FileLayout& layout, Rng& rng) {
            const JpegSegment& segment = layout.segments[pick(rng, 0, layout.segments.size())];
            const std::size_t old = segment.size() - 2;  // the value of its length field
            const std::size_t lengths[] = {
                0, 1, 2, old - 1, old + 1, old / 2, old * 2, 0xFFFF, old + pick(rng, 2, 300)};
            const std::size_t length =
                std::min<std::size_t>(lengths[pick(rng, 0, std::size(lengths))], 0xFFFF);
            std::string bytes(jpeg);
            bytes[segment.offset + 2] = static_cast<char>(length >> 8);
            bytes[segment.offset + 3] = static_cast<char>(length & 0xFF);
            return Damage{"length of the segment at " + std::to_string(segment.offset) + " " +
                              std::to_string(old) + " -> " + std::to_string(length),
                          bytes};
        },
        [=](std::string_view jpeg, const FileLayout& layout, Rng& rng) {
            const std::size_t at = pick(rng, layout.scanData, scanEnd(jpeg));
            const std::size_t length = std::min(pick(rng, 1, 4096), scanEnd(jpeg) - at);
            std::string bytes(jpeg);
            bytes.erase(at, length);
            return Damage{
                std::to_string(length) + " bytes of scan data removed at " + std::to_string(at),
                bytes};
        },
        [=](std::string_view jpeg, const FileLayout& layout, Rng& rng) {
            const std::size_t at = pick(rng, layout.scanData, scanEnd(jpeg));
            const std::size_t length = std::min(pick(rng, 1, 4096), scanEnd(jpeg) - at);
            std::string bytes(jpeg);
            bytes.insert(at, jpeg.substr(at, length));
            return Damage{
                std::to_string(length) + " bytes of scan data repeated at " + std::to_string(at),
                bytes};
        },
        [=](std::string_view jpeg, const FileLayout& layout, Rng& rng) {
            const std::size_t at = pick(rng, layout.scanData, scanEnd(jpeg));
            std::string bytes(jpeg);
            bytes[at] = '\xFF';
            return Damage{"scan data byte at " + std::to_string(at) + " set to FF", bytes};
        },
    };
}

}  // namespace

std::vector<JpegMutant> mutantsOf(std::string_view jpeg, std::uint32_t seed, int count) {
    const FileLayout layout = layoutOf(jpeg);
    const std::vector<Kind> kinds = damageKinds();
    Rng rng(seed);
    std::vector<JpegMutant> mutants;
    for (int i = 0; i < count; ++i) {
        Damage damage = kinds[static_cast<std::size_t>(i) % kinds.size()](jpeg, layout, rng);
        mutants.push_back(JpegMutant{std::move(damage.what), std::move(damage.bytes)});
    }
    return mutants;
}

std::vector<JpegMutant> damagedSamplePictures() {
    constexpr int kPerSample = 100;
    std::vector<std::filesystem::path> samples;
    for (const auto& entry : std::filesystem::directory_iterator(BILDHEBER_SAMPLES_DIR)) {
        if (entry.path().extension() == ".jpg") {
            samples.push_back(entry.path());
        }
    }
    std::sort(samples.begin(), samples.end());  // the folder's order differs between systems
    std::vector<JpegMutant> result;
    std::uint32_t seed = 1;
    for (const auto& sample : samples) {
        const std::string jpeg = readBinaryFile(sample);
        const JpegHeader original = readJpegHeader(jpeg);
        const std::int64_t pixelLimit = 2 * std::int64_t{original.width} * original.height;
        int kept = 0;
        for (JpegMutant& mutant : mutantsOf(jpeg, seed++, 2 * kPerSample)) {
            try {
                const JpegHeader header = readJpegHeader(mutant.bytes);
                if (std::int64_t{header.width} * header.height > pixelLimit) {
                    continue;
                }
            } catch (const JpegError&) {
                // Rejected at once: cheap, and worth keeping.
            }
            mutant.what = sample.filename().string() + ": " + mutant.what;
            result.push_back(std::move(mutant));
            if (++kept == kPerSample) {
                break;
            }
        }
        if (kept < kPerSample) {
            throw std::runtime_error("too few affordable mutants of " + sample.string());
        }
    }
    if (samples.empty()) {
        throw std::runtime_error("no sample pictures in " BILDHEBER_SAMPLES_DIR);
    }
    return result;
}

}  // namespace bildheber::test
