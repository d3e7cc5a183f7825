#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace bildheber::test {

// A damaged copy of a JPEG file, with what was done to it ("SOI inserted at 23456").
struct JpegMutant {
    std::string what;
    std::string bytes;
};

// `count` damaged copies of a well-formed baseline JPEG file (as the samples are), the same ones
// for the same seed on every platform: bit flips in the headers, in the scan data and anywhere,
// cuts, markers inserted into the headers and into the scan data (SOI, EOI, RST, DHT, SOS, DQT,
// SOF, DRI, DNL, ...), changed segment lengths, stretches of scan data removed or repeated, bytes
// overwritten with FF. The kinds take turns.
std::vector<JpegMutant> mutantsOf(std::string_view jpeg, std::uint32_t seed, int count);

// A hundred damaged copies of each picture in samples/, named after their sample. Copies whose
// header claims more than twice the sample's pixels are replaced by others: the codec would only
// spend time making up rows for them.
std::vector<JpegMutant> damagedSamplePictures();

}  // namespace bildheber::test
