#include "imaging/JpegDecompressor.h"

#include <string>

#include <jerror.h>

namespace bildheber {
namespace {

// The one-pass quantiser's gray levels: 236 evenly spaced values from 0 to 255.
constexpr int kGrayLevels = 236;

// The codec's working memory beyond its row buffers: the coefficients of the whole picture, held
// for progressive and multi-scan files (6 bytes a pixel at 4:4:4, so about 170 megapixels). The
// header alone can claim 65500 x 65500 pixels; without a limit the codec would reserve tens of
// gigabytes and fill them, and the system would end the program. Past the limit the codec fails
// the file ("JPEG-Fehler #<JERR_NO_BACKING_STORE>") before it allocates.
constexpr long kCodecMemoryLimit = 1L << 30;

// Every scan of a progressive file passes over the whole picture, and a scan header is ten
// bytes: a small file could make the decoder work for hours. Photos have about ten scans.
constexpr int kMaxScans = 100;

void refuseEndlessScans(j_common_ptr codec) {
    if (reinterpret_cast<j_decompress_ptr>(codec)->input_scan_number > kMaxScans) {
        JpegErrorManager::refuse(codec, "more than 100 scans");
    }
}

JpegColorSpace colorSpaceOf(J_COLOR_SPACE space) {
    switch (space) {
        case JCS_GRAYSCALE:
            return JpegColorSpace::Grayscale;
        case JCS_YCbCr:
            return JpegColorSpace::YCbCr;
        case JCS_RGB:
            return JpegColorSpace::Rgb;
        case JCS_CMYK:
            return JpegColorSpace::Cmyk;
        case JCS_YCCK:
            return JpegColorSpace::Ycck;
        default:
            return JpegColorSpace::Unknown;
    }
}

// The decoder settings: full size, float inverse DCT, interpolating chroma upsampling; gray
// through the one-pass quantiser with Floyd-Steinberg dithering; CMYK and YCCK as CMYK.
void applyDecoderSettings(jpeg_decompress_struct& codec) {
    codec.dct_method = JDCT_FLOAT;
    codec.do_fancy_upsampling = TRUE;
    switch (codec.jpeg_color_space) {
        case JCS_GRAYSCALE:
            codec.out_color_space = JCS_GRAYSCALE;
            codec.quantize_colors = TRUE;
            codec.desired_number_of_colors = kGrayLevels;
            codec.dither_mode = JDITHER_FS;
            codec.two_pass_quantize = FALSE;
            break;
        case JCS_CMYK:
        case JCS_YCCK:
            codec.out_color_space = JCS_CMYK;
            break;
        default:
            // YCbCr and RGB; the codec refuses to convert anything else.
            codec.out_color_space = JCS_RGB;
            break;
    }
}

}  // namespace

JpegDecompressor::JpegDecompressor(std::string_view fileBytes) {
    errors_.attachTo(codec_.common());
    progress_.progress_monitor = &refuseEndlessScans;
    run([&] {
        jpeg_create_decompress(&codec_.info);
        codec_.info.mem->max_memory_to_use = kCodecMemoryLimit;
        codec_.info.progress = &progress_;
        jpeg_mem_src(&codec_.info, reinterpret_cast<const unsigned char*>(fileBytes.data()),
                     static_cast<unsigned long>(fileBytes.size()));
    });
}

JpegHeader JpegDecompressor::readHeader() {
    bool multiScan = false;
    auto step = [&] {
        jpeg_read_header(&codec_.info, TRUE);
        multiScan = jpeg_has_multiple_scans(&codec_.info) != FALSE;
    };
    const bool read = errors_.runGuarded(step);
    if (errors_.dataEnded()) {
        // The codec made up an end marker and read it as part of the header; whatever it then
        // complained about, the cause is the missing data.
        throw JpegError("JPEG-Fehler #" + std::to_string(JWRN_JPEG_EOF) +
                        " (data ends before the first scan header)");
    }
    if (!read) {
        throw errors_.lastMessageAsError(codec_.common());
    }
    const jpeg_decompress_struct& info = codec_.info;
    return JpegHeader{static_cast<int>(info.image_width), static_cast<int>(info.image_height),
                      colorSpaceOf(info.jpeg_color_space), multiScan};
}

void JpegDecompressor::start() {
    run([&] {
        applyDecoderSettings(codec_.info);
        jpeg_start_decompress(&codec_.info);
    });
    const jpeg_decompress_struct& info = codec_.info;
    output_ = info.out_color_space == JCS_GRAYSCALE ? Output::GrayLevels
              : info.out_color_space == JCS_CMYK    ? Output::Cmyk
                                                    : Output::Rgb;
    codecRow_.resize(static_cast<std::size_t>(info.output_width) *
                     static_cast<std::size_t>(info.output_components));
}

void JpegDecompressor::readCodecRow(JSAMPROW target) {
    JDIMENSION rowsRead = 0;
    run([&] { rowsRead = jpeg_read_scanlines(&codec_.info, &target, 1); });
    if (rowsRead != 1) {
        // Only a suspending data source delivers no row; the memory source never suspends.
        throw JpegError("JPEG decoder delivered no row");
    }
}

void JpegDecompressor::readRow(std::uint8_t* rgb) {
    if (output_ == Output::Rgb) {
        readCodecRow(rgb);
        return;
    }
    readCodecRow(codecRow_.data());
    const std::size_t width = codec_.info.output_width;
    const JSAMPLE* in = codecRow_.data();
    if (output_ == Output::GrayLevels) {
        const JSAMPLE* levels = codec_.info.colormap[0];
        for (std::size_t x = 0; x < width; ++x, rgb += 3) {
            rgb[0] = rgb[1] = rgb[2] = levels[in[x]];
        }
        return;
    }
    // CMYK values as stored (not inverted); the codec has already turned YCCK into CMYK.
    for (std::size_t x = 0; x < width; ++x, in += 4, rgb += 3) {
        const unsigned k = in[3];
        rgb[0] = static_cast<std::uint8_t>(in[0] * k / 255);
        rgb[1] = static_cast<std::uint8_t>(in[1] * k / 255);
        rgb[2] = static_cast<std::uint8_t>(in[2] * k / 255);
    }
}

void JpegDecompressor::skipRow() {
    readCodecRow(codecRow_.data());
}

void JpegDecompressor::finish() {
    run([&] { jpeg_finish_decompress(&codec_.info); });
}

}  // namespace bildheber
