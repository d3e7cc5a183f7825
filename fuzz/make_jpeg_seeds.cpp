// Writes photo-like JPEG files in the layouts that cameras and editing programs produce, as seeds
// for fuzz_jpeg: baseline and progressive, 4:2:0, 4:2:2 and 4:4:4 sampling, restart markers, an
// EXIF segment with a thumbnail, an ICC profile, grayscale, CMYK.
//   make_jpeg_seeds DIR camera   camera size (6 to 24 megapixels, a few MB each); tools/fuzz.sh
//                                writes them into its scratch corpus instead of committing them
//   make_jpeg_seeds DIR small    the same layouts a sixteenth as wide and high, as committed in
//                                fuzz/corpus/fuzz_jpeg/
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "imaging/JpegCodecObjects.h"
#include "imaging/JpegErrorManager.h"
#include "imaging/JpegMemoryDestination.h"

namespace {

using namespace bildheber;

// A landscape as a camera sees it: sky with clouds, a row of houses with hard edges, textured
// ground, and sensor noise that keeps the data rate of a real photo. Per-pixel work is kept to
// table look-ups, so that 24 megapixels are drawn in well under a second.
class Scene {
  public:
    Scene(int width, int height) : width_(width), height_(height) {
        for (int x = 0; x < width; ++x) {
            const double u = static_cast<double>(x) / width;
            horizon_.push_back(0.45 + 0.04 * std::sin(u * 6.0));
            cloudAcross_.push_back(std::sin(u * 23.0));
            textureSin_.push_back(std::sin(x * 0.7));
            textureCos_.push_back(std::cos(x * 0.7));
            const unsigned house = hash(x * 12 / width, 0, 7);
            roof_.push_back(house % 3 == 0 ? 0.08 + (house >> 8) % 100 * 0.001 : 0.0);
            houseColour_.push_back(house);
        }
    }

    int width() const { return width_; }
    int height() const { return height_; }

    // Row y as red, green, blue.
    void row(int y, std::uint8_t* rgb) const {
        const double v = static_cast<double>(y) / height_;
        const double cloudDown = std::sin(v * 31.0);
        const double texSin = std::sin(y * 0.3);
        const double texCos = std::cos(y * 0.3);
        for (int x = 0; x < width_; ++x, rgb += 3) {
            double r = 0, g = 0, b = 0;
            const auto i = static_cast<std::size_t>(x);
            if (v < horizon_[i] - roof_[i]) {
                const double cloud = std::max(0.0, cloudAcross_[i] * cloudDown) * 60.0;
                r = 90 + 80 * v + cloud;
                g = 140 + 60 * v + cloud;
                b = 230 - 30 * v + cloud * 0.4;
            } else if (v < horizon_[i]) {
                const unsigned c = houseColour_[i];
                r = 120 + c % 100;
                g = 80 + (c >> 7) % 90;
                b = 60 + (c >> 14) % 80;
            } else {
                // sin(0.7 x + 0.3 y) from the tables.
                const double texture = textureSin_[i] * texCos + textureCos_[i] * texSin;
                r = 70 + 40 * v + 18 * texture;
                g = 110 - 30 * v + 22 * texture;
                b = 40 + 12 * texture;
            }
            const unsigned noise = hash(x, y, 1);
            rgb[0] = clamp(r + static_cast<double>(noise % 9) - 4.0);
            rgb[1] = clamp(g + static_cast<double>((noise >> 8) % 9) - 4.0);
            rgb[2] = clamp(b + static_cast<double>((noise >> 16) % 9) - 4.0);
        }
    }

  private:
    static unsigned hash(int x, int y, unsigned seed) {
        unsigned h = static_cast<unsigned>(x) * 374761393u + static_cast<unsigned>(y) * 668265263u +
                     seed * 2246822519u;
        h = (h ^ (h >> 13)) * 1274126177u;
        return h ^ (h >> 16);
    }
    static std::uint8_t clamp(double value) {
        return static_cast<std::uint8_t>(std::clamp(value, 0.0, 255.0));
    }

    int width_;
    int height_;
    std::vector<double> horizon_, cloudAcross_, textureSin_, textureCos_, roof_;
    std::vector<unsigned> houseColour_;
};

struct Layout {
    const char* name;
    int width;  // at camera size
    int height;
    J_COLOR_SPACE colorSpace;  // JCS_YCbCr, JCS_GRAYSCALE or JCS_CMYK
    int lumaH;                 // sampling factors of the first component: 2 x 2 is 4:2:0
    int lumaV;
    bool progressive;
    int restartRows;  // a restart marker every this many MCU rows; 0 for none
    bool exif;        // an EXIF segment with a thumbnail instead of the JFIF segment
    std::size_t iccBytes;
};

constexpr Layout kLayouts[] = {
    {"baseline_420_exif", 4000, 3000, JCS_YCbCr, 2, 2, false, 0, true, 0},
    {"progressive_420", 6000, 4000, JCS_YCbCr, 2, 2, true, 0, false, 0},
    {"restart_422_exif", 4000, 3000, JCS_YCbCr, 2, 1, false, 1, true, 0},
    // Big enough to need two ICC segments at camera size.
    {"portrait_444_icc", 3000, 4000, JCS_YCbCr, 1, 1, false, 0, false, 70000},
    {"progressive_444_restart", 4000, 3000, JCS_YCbCr, 1, 1, true, 4, false, 3000},
    {"grayscale", 4000, 3000, JCS_GRAYSCALE, 1, 1, false, 0, false, 0},
    {"cmyk", 3000, 2000, JCS_CMYK, 1, 1, false, 0, false, 0},
};
constexpr int kSmallDivisor = 16;
constexpr int kQuality = 92;

// Gray or CMYK from the scene's colours; CMYK inverted, as Photoshop stores it, so that
// multiplying each channel by K gives the colour back.
void convertRow(const std::uint8_t* rgb, int width, J_COLOR_SPACE space, std::uint8_t* out) {
    for (int x = 0; x < width; ++x, rgb += 3) {
        if (space == JCS_GRAYSCALE) {
            out[x] = static_cast<std::uint8_t>((77 * rgb[0] + 150 * rgb[1] + 29 * rgb[2]) >> 8);
            continue;
        }
        const int k = std::max({rgb[0], rgb[1], rgb[2], std::uint8_t{1}});
        std::uint8_t* cmyk = out + 4 * x;
        for (int c = 0; c < 3; ++c) {
            cmyk[c] = static_cast<std::uint8_t>(std::min(255, rgb[c] * 255 / k));
        }
        cmyk[3] = static_cast<std::uint8_t>(k);
    }
}

void appendLittleEndian(std::string& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
    }
}

// One entry of a TIFF directory: tag, type (2 ASCII, 3 SHORT, 4 LONG), count, value or offset.
void appendTiffEntry(std::string& out, int tag, int type, std::uint32_t count,
                     std::uint32_t value) {
    appendLittleEndian(out, static_cast<std::uint32_t>(tag), 2);
    appendLittleEndian(out, static_cast<std::uint32_t>(type), 2);
    appendLittleEndian(out, count, 4);
    appendLittleEndian(out, value, 4);
}

// The APP1 payload a camera writes: a little-endian TIFF structure whose first directory names
// make, model and orientation and whose second points at a JPEG thumbnail, embedded with its own
// start and end markers.
std::string exifPayload(std::string_view thumbnail) {
    constexpr std::string_view kMake("Bildheber", 10);  // with its NUL
    constexpr std::string_view kModel("Saatkamera", 11);
    constexpr std::uint32_t kFirstDirectory = 8;
    constexpr std::uint32_t kDirectoryBytes = 2 + 3 * 12 + 4;
    constexpr std::uint32_t kMakeAt = kFirstDirectory + kDirectoryBytes;
    constexpr std::uint32_t kModelAt = kMakeAt + kMake.size();
    constexpr std::uint32_t kSecondDirectory = kModelAt + kModel.size();
    constexpr std::uint32_t kThumbnailAt = kSecondDirectory + kDirectoryBytes;

    std::string tiff = "II*";
    tiff += '\0';
    appendLittleEndian(tiff, kFirstDirectory, 4);
    appendLittleEndian(tiff, 3, 2);
    appendTiffEntry(tiff, 0x010F, 2, kMake.size(), kMakeAt);
    appendTiffEntry(tiff, 0x0110, 2, kModel.size(), kModelAt);
    appendTiffEntry(tiff, 0x0112, 3, 1, 1);  // orientation: as stored
    appendLittleEndian(tiff, kSecondDirectory, 4);
    tiff += kMake;
    tiff += kModel;
    appendLittleEndian(tiff, 3, 2);
    appendTiffEntry(tiff, 0x0103, 3, 1, 6);  // compression: JPEG
    appendTiffEntry(tiff, 0x0201, 4, 1, kThumbnailAt);
    appendTiffEntry(tiff, 0x0202, 4, 1, static_cast<std::uint32_t>(thumbnail.size()));
    appendLittleEndian(tiff, 0, 4);
    tiff += thumbnail;
    return std::string("Exif\0\0", 6) + tiff;
}

// An ICC profile header (display class, RGB data, XYZ connection space) filled up to `size`,
// at least 132 bytes.
std::string iccProfile(std::size_t size) {
    std::string profile(size, '\0');
    for (int i = 0; i < 4; ++i) {
        profile[static_cast<std::size_t>(i)] = static_cast<char>((size >> (24 - 8 * i)) & 0xFF);
    }
    profile.replace(4, 4, "lcms");
    profile[8] = 4;
    profile[9] = 0x30;
    profile.replace(12, 12, "mntrRGB XYZ ");
    profile.replace(36, 4, "acsp");
    for (std::size_t i = 132; i < size; ++i) {
        profile[i] = static_cast<char>(i * 31 % 251);
    }
    return profile;
}

struct Extras {
    std::string exif;
    std::string icc;
};

std::string encode(const Scene& scene, const Layout& layout, const Extras& extras) {
    const bool color = layout.colorSpace == JCS_YCbCr;
    const int components = color ? 3 : layout.colorSpace == JCS_GRAYSCALE ? 1 : 4;
    JpegErrorManager errors;
    CompressObject codec;
    JpegMemoryDestination destination;
    errors.attachTo(codec.common());
    runCodecStep(errors, codec.common(), [&] {
        jpeg_compress_struct& info = codec.info;
        jpeg_create_compress(&info);
        destination.attachTo(info);
        info.image_width = static_cast<JDIMENSION>(scene.width());
        info.image_height = static_cast<JDIMENSION>(scene.height());
        info.input_components = components;
        info.in_color_space = color ? JCS_RGB : layout.colorSpace;
        jpeg_set_defaults(&info);
        jpeg_set_colorspace(&info, layout.colorSpace);
        info.comp_info[0].h_samp_factor = layout.lumaH;
        info.comp_info[0].v_samp_factor = layout.lumaV;
        jpeg_set_quality(&info, kQuality, TRUE);
        if (layout.progressive) {
            jpeg_simple_progression(&info);
        }
        info.restart_in_rows = layout.restartRows;
        if (!extras.exif.empty()) {
            info.write_JFIF_header = FALSE;  // cameras write EXIF in its place
        }
        jpeg_start_compress(&info, TRUE);
        if (!extras.exif.empty()) {
            jpeg_write_marker(&info, JPEG_APP0 + 1,
                              reinterpret_cast<const JOCTET*>(extras.exif.data()),
                              static_cast<unsigned>(extras.exif.size()));
        }
        if (!extras.icc.empty()) {
            jpeg_write_icc_profile(&info, reinterpret_cast<const JOCTET*>(extras.icc.data()),
                                   static_cast<unsigned>(extras.icc.size()));
        }
    });
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(scene.width()) * 3);
    std::vector<std::uint8_t> converted(static_cast<std::size_t>(scene.width()) * 4);
    for (int y = 0; y < scene.height(); ++y) {
        scene.row(y, rgb.data());
        if (!color) {
            convertRow(rgb.data(), scene.width(), layout.colorSpace, converted.data());
        }
        JSAMPROW row = color ? rgb.data() : converted.data();
        runCodecStep(errors, codec.common(), [&] { jpeg_write_scanlines(&codec.info, &row, 1); });
    }
    runCodecStep(errors, codec.common(), [&] { jpeg_finish_compress(&codec.info); });
    return destination.takeBytes();
}

std::string thumbnailFor(const Scene& picture) {
    constexpr Layout kThumbnail{"thumbnail", 0, 0, JCS_YCbCr, 2, 2, false, 0, false, 0};
    const Scene small(std::max(8, picture.width() / 25), std::max(8, picture.height() / 25));
    return encode(small, kThumbnail, Extras{});
}

bool writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
    const std::string size = argc == 3 ? argv[2] : "";
    if (size != "camera" && size != "small") {
        std::cerr << "Usage: make_jpeg_seeds DIR camera|small\n";
        return 2;
    }
    const int divisor = size == "camera" ? 1 : kSmallDivisor;
    try {
        for (const Layout& layout : kLayouts) {
            const Scene scene(layout.width / divisor, layout.height / divisor);
            const std::size_t iccBytes = layout.iccBytes / static_cast<std::size_t>(divisor);
            const Extras extras{layout.exif ? exifPayload(thumbnailFor(scene)) : "",
                                iccBytes > 0 ? iccProfile(iccBytes) : ""};
            const std::string path = std::string(argv[1]) + "/" + size + "_" + layout.name + ".jpg";
            if (!writeFile(path, encode(scene, layout, extras))) {
                std::cerr << "make_jpeg_seeds: cannot write " << path << "\n";
                return 1;
            }
        }
    } catch (const JpegError& error) {
        std::cerr << "make_jpeg_seeds: " << error.what() << "\n";
        return 1;
    }
    return 0;
}
