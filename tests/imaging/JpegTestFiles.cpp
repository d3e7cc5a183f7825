#include "imaging/JpegTestFiles.h"

#include "imaging/JpegError.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>

#ifndef _WIN32
#include <sys/wait.h>
#endif

#include <jpeglib.h>

namespace bildheber::test {
namespace {

std::uint8_t clampToByte(double value) {
    return static_cast<std::uint8_t>(value < 0 ? 0 : value > 255 ? 255 : value);
}

// A small hash for noise that does not depend on the order pixels are made in.
unsigned noiseAt(int x, int y, unsigned seed) {
    unsigned h = static_cast<unsigned>(x) * 374761393u + static_cast<unsigned>(y) * 668265263u +
                 seed * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return h ^ (h >> 16);
}

void runCommand(const std::string& command) {
    const int status = std::system(command.c_str());
    if (status != 0) {
        throw std::runtime_error("command failed (" + std::to_string(status) + "): " + command);
    }
}

// The tools run through the system's shell: sh, or cmd.exe on Windows (whose temp folders have
// no blanks; cmd passes quotes on to the tools there).
#ifdef _WIN32
constexpr const char* kNoErrors = " 2>NUL";
std::string shellQuoted(const std::filesystem::path& path) {
    return path.string();
}
bool exitedWithWarnings(int status) {
    return status == 2;
}
#else
constexpr const char* kNoErrors = " 2>/dev/null";
std::string shellQuoted(const std::filesystem::path& path) {
    std::string text = "'";  // appended, not concatenated: GCC 12 warns wrongly about the latter
    text += path.string();
    text += '\'';
    return text;
}
bool exitedWithWarnings(int status) {
    return WIFEXITED(status) && WEXITSTATUS(status) == 2;
}
#endif

std::uint8_t byteAt(std::string_view bytes, std::size_t i) {
    if (i >= bytes.size()) {
        throw std::runtime_error("JPEG structure runs past the end");
    }
    return static_cast<std::uint8_t>(bytes[i]);
}

std::string bigEndian16(int value) {
    return {static_cast<char>((value >> 8) & 0xFF), static_cast<char>(value & 0xFF)};
}

}  // namespace

RgbRaster photoLikeRaster(int width, int height, unsigned seed) {
    RgbRaster raster(width, height);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* pixel = raster.row(y);
        for (int x = 0; x < width; ++x, pixel += 3) {
            const unsigned noise = noiseAt(x, y, seed);
            const double grain = static_cast<double>(noise % 25) - 12.0;
            const bool edge = ((x / 97) + (y / 61)) % 3 == 0;
            const double shade = edge ? 40.0 : 0.0;
            pixel[0] = clampToByte(128 + 90 * std::sin(x * 0.013 + y * 0.004) + grain + shade);
            pixel[1] = clampToByte(120 + 80 * std::cos(y * 0.011 - x * 0.003) + grain - shade);
            pixel[2] = clampToByte(110 + 70 * std::sin((x + y) * 0.007 + seed) + grain);
        }
    }
    return raster;
}

std::string readBinaryFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot read " + file.string());
    }
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void writeBinaryFile(const std::filesystem::path& file, std::string_view bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + file.string());
    }
}

std::string ppmBytes(const RgbRaster& raster) {
    std::string bytes =
        "P6\n" + std::to_string(raster.width) + " " + std::to_string(raster.height) + "\n255\n";
    bytes.append(reinterpret_cast<const char*>(raster.pixels.data()), raster.pixels.size());
    return bytes;
}

RgbRaster rasterFromPnm(std::string_view pnmBytes) {
    std::istringstream header{std::string(pnmBytes.substr(0, 64))};
    std::string magic;
    int width = 0;
    int height = 0;
    int maxValue = 0;
    header >> magic >> width >> height >> maxValue;
    if ((magic != "P6" && magic != "P5") || maxValue != 255) {
        throw std::runtime_error("not an 8-bit PPM or PGM");
    }
    const auto dataStart = static_cast<std::size_t>(header.tellg()) + 1;  // one white-space byte
    const std::size_t channels = magic == "P6" ? 3 : 1;
    RgbRaster raster(width, height);
    const std::size_t pixelCount =
        static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    if (pnmBytes.size() < dataStart + pixelCount * channels) {
        throw std::runtime_error("PNM data cut short");
    }
    const auto* in = reinterpret_cast<const std::uint8_t*>(pnmBytes.data() + dataStart);
    for (std::size_t i = 0; i < pixelCount; ++i) {
        for (std::size_t c = 0; c < 3; ++c) {
            raster.pixels[i * 3 + c] = in[i * channels + (channels == 3 ? c : 0)];
        }
    }
    return raster;
}

std::string quoted(const std::filesystem::path& path) {
    return shellQuoted(path);
}

std::string runCjpeg(const std::filesystem::path& folder, const RgbRaster& raster,
                     const std::string& options) {
    const auto input = folder / "cjpeg-in.ppm";
    const auto output = folder / "cjpeg-out.jpg";
    writeBinaryFile(input, ppmBytes(raster));
    runCommand("cjpeg " + options + " -outfile " + quoted(output) + " " + quoted(input));
    return readBinaryFile(output);
}

RgbRaster runDjpeg(const std::filesystem::path& folder, std::string_view jpegBytes,
                   const std::string& options) {
    const auto input = folder / "djpeg-in.jpg";
    const auto output = folder / "djpeg-out.pnm";
    writeBinaryFile(input, jpegBytes);
    // djpeg exits with status 2 after warnings (cut-short data) but still writes the picture.
    const std::string command =
        "djpeg " + options + " -pnm -outfile " + quoted(output) + " " + quoted(input) + kNoErrors;
    const int status = std::system(command.c_str());
    if (status != 0 && !exitedWithWarnings(status)) {
        throw std::runtime_error("djpeg failed: " + command);
    }
    return rasterFromPnm(readBinaryFile(output));
}

std::string flatFourChannelJpeg(int width, int height, const std::uint8_t cmyk[4], bool ycck) {
    jpeg_compress_struct codec{};
    jpeg_error_mgr errors{};
    codec.err = jpeg_std_error(&errors);  // valid input only: the default handler exits
    jpeg_create_compress(&codec);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&codec, &buffer, &size);
    codec.image_width = static_cast<JDIMENSION>(width);
    codec.image_height = static_cast<JDIMENSION>(height);
    codec.input_components = 4;
    codec.in_color_space = JCS_CMYK;
    jpeg_set_defaults(&codec);
    jpeg_set_colorspace(&codec, ycck ? JCS_YCCK : JCS_CMYK);
    jpeg_set_quality(&codec, 100, TRUE);
    jpeg_start_compress(&codec, TRUE);
    std::vector<JSAMPLE> row(static_cast<std::size_t>(width) * 4);
    for (std::size_t i = 0; i < row.size(); ++i) {
        row[i] = cmyk[i % 4];
    }
    JSAMPROW rowPointer = row.data();
    while (codec.next_scanline < codec.image_height) {
        jpeg_write_scanlines(&codec, &rowPointer, 1);
    }
    jpeg_finish_compress(&codec);
    jpeg_destroy_compress(&codec);
    std::string bytes(reinterpret_cast<const char*>(buffer), size);
    std::free(buffer);
    return bytes;
}

std::vector<JpegSegment> jpegSegments(std::string_view bytes) {
    if (byteAt(bytes, 0) != 0xFF || byteAt(bytes, 1) != 0xD8) {
        throw std::runtime_error("no start-of-image marker");
    }
    std::vector<JpegSegment> segments{{0xD8, {}, 0}};
    std::size_t pos = 2;
    for (;;) {
        if (byteAt(bytes, pos) != 0xFF) {
            throw std::runtime_error("marker expected at " + std::to_string(pos));
        }
        while (byteAt(bytes, pos + 1) == 0xFF) {
            ++pos;  // fill bytes before the marker
        }
        const std::size_t offset = pos;
        pos += 1;
        const std::uint8_t marker = byteAt(bytes, pos++);
        if (marker == 0xD9) {
            segments.push_back({marker, {}, offset});
            return segments;
        }
        const int length = byteAt(bytes, pos) << 8 | byteAt(bytes, pos + 1);
        byteAt(bytes, pos + static_cast<std::size_t>(length) - 1);
        segments.push_back(
            {marker, std::string(bytes.substr(pos + 2, static_cast<std::size_t>(length) - 2)),
             offset});
        pos += static_cast<std::size_t>(length);
        if (marker == 0xDA) {
            // Entropy-coded data runs to the next marker other than a stuffed zero or a restart.
            while (!(byteAt(bytes, pos) == 0xFF && byteAt(bytes, pos + 1) != 0x00 &&
                     (byteAt(bytes, pos + 1) < 0xD0 || byteAt(bytes, pos + 1) > 0xD7))) {
                ++pos;
            }
        }
    }
}

std::vector<std::uint8_t> markersOf(std::string_view bytes) {
    std::vector<std::uint8_t> markers;
    for (const auto& segment : jpegSegments(bytes)) {
        markers.push_back(segment.marker);
    }
    return markers;
}

std::uint8_t frameMarkerOf(std::string_view bytes) {
    for (const std::uint8_t marker : markersOf(bytes)) {
        if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 &&
            marker != 0xCC) {
            return marker;
        }
    }
    throw std::runtime_error("no frame marker");
}

std::string markerSegment(std::uint8_t marker, std::string_view payload) {
    return std::string{'\xFF', static_cast<char>(marker)} +
           bigEndian16(static_cast<int>(payload.size()) + 2) + std::string(payload);
}

std::string frameSegment(std::uint8_t marker, int precision, int width, int height,
                         int components) {
    std::string payload = std::string(1, static_cast<char>(precision)) + bigEndian16(height) +
                          bigEndian16(width) + std::string(1, static_cast<char>(components));
    for (int c = 1; c <= components; ++c) {
        payload += {static_cast<char>(c), '\x11', '\x00'};
    }
    return markerSegment(marker, payload);
}

std::string scanSegment() {
    return markerSegment(0xDA, std::string("\x01\x01\x00\x00\x3F\x00", 6));
}

std::string withExifOrientation(std::string_view jpeg) {
    // "Exif\0\0", a big-endian TIFF header, one IFD entry: Orientation (0x0112), SHORT, 1, 6.
    const std::string exif(
        "Exif\0\0MM\0\x2A\0\0\0\x08\0\x01\x01\x12\0\x03\0\0\0\x01\0\x06\0\0\0\0\0\0", 32);
    return std::string(jpeg.substr(0, 2)) + markerSegment(0xE1, exif) + std::string(jpeg.substr(2));
}

std::string withoutSegments(std::string_view jpeg, std::uint8_t marker) {
    std::string result(jpeg.substr(0, 2));
    std::size_t pos = 2;
    while (pos + 4 <= jpeg.size() && byteAt(jpeg, pos) == 0xFF && byteAt(jpeg, pos + 1) != 0xDA) {
        const std::size_t length =
            static_cast<std::size_t>(byteAt(jpeg, pos + 2) << 8 | byteAt(jpeg, pos + 3));
        if (byteAt(jpeg, pos + 1) != marker) {
            result.append(jpeg.substr(pos, length + 2));
        }
        pos += length + 2;
    }
    result.append(jpeg.substr(pos));
    return result;
}

namespace {
// The first (or last) segment with the marker; throws when there is none.
JpegSegment segmentOf(std::string_view jpeg, std::uint8_t marker, bool last = false) {
    std::optional<JpegSegment> found;
    for (JpegSegment& segment : jpegSegments(jpeg)) {
        if (segment.marker == marker) {
            found = std::move(segment);
            if (!last) {
                break;
            }
        }
    }
    if (!found) {
        throw std::runtime_error("no segment of marker " + std::to_string(marker));
    }
    return *found;
}
}  // namespace

std::size_t endOfFirstScanHeader(std::string_view jpeg) {
    const JpegSegment scan = segmentOf(jpeg, 0xDA);
    return scan.offset + scan.size();
}

std::string withFrameSize(std::string_view jpeg, int width, int height) {
    std::string result(jpeg);
    // The frame header: length (2), precision (1), then height and width.
    result.replace(segmentOf(jpeg, frameMarkerOf(jpeg)).offset + 5, 4,
                   bigEndian16(height) + bigEndian16(width));
    return result;
}

std::string withLastScanRepeated(std::string_view jpeg, int times) {
    const std::size_t lastScan = segmentOf(jpeg, 0xDA, true).offset;
    const std::string_view scan =
        jpeg.substr(lastScan, jpeg.size() - kEndOfImage.size() - lastScan);
    std::string result(jpeg.substr(0, jpeg.size() - kEndOfImage.size()));
    for (int i = 0; i < times; ++i) {
        result += scan;
    }
    return result + kEndOfImage;
}

std::string withStartMarkerInScan(std::string_view jpeg) {
    const std::size_t scanData = endOfFirstScanHeader(jpeg);
    const std::size_t middle = scanData + (jpeg.size() - scanData) / 2;
    return std::string(jpeg.substr(0, middle)) + kStartOfImage + std::string(jpeg.substr(middle));
}

::testing::AssertionResult failsWithCodecError(const std::function<void()>& action, int code) {
    try {
        action();
    } catch (const JpegError& error) {
        const std::string expected = "JPEG-Fehler #" + std::to_string(code) + " (";
        if (std::string(error.what()).rfind(expected, 0) == 0) {
            return ::testing::AssertionSuccess();
        }
        return ::testing::AssertionFailure() << "failed with " << error.what();
    }
    return ::testing::AssertionFailure() << "no failure";
}

}  // namespace bildheber::test
