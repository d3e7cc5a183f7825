#include "imaging/JpegCompressor.h"

namespace bildheber {
namespace {

constexpr int kQuality = 90;

// The fixed encoder settings. jpeg_set_defaults already chooses most of them for RGB input; they
// are set again here because the uploaded file depends on every one of them.
void applyEncoderSettings(jpeg_compress_struct& codec, bool progressive) {
    jpeg_set_defaults(&codec);
    jpeg_set_colorspace(&codec, JCS_YCbCr);  // Y, Cb, Cr with identifiers 1, 2, 3
    codec.comp_info[0].h_samp_factor = 2;
    codec.comp_info[0].v_samp_factor = 2;
    for (int c = 1; c < 3; ++c) {
        codec.comp_info[c].h_samp_factor = 1;
        codec.comp_info[c].v_samp_factor = 1;
    }
    // The standard tables (ITU-T T.81 Annex K) scaled for quality 90, entries kept in 1..255.
    jpeg_set_quality(&codec, kQuality, TRUE);
    codec.dct_method = JDCT_FLOAT;
    codec.smoothing_factor = 0;
    codec.restart_interval = 0;
    codec.restart_in_rows = 0;
    codec.write_JFIF_header = TRUE;
    codec.JFIF_major_version = 1;
    codec.JFIF_minor_version = 1;
    codec.density_unit = 0;
    codec.X_density = 1;
    codec.Y_density = 1;
    codec.write_Adobe_marker = FALSE;
    if (progressive) {
        // For three YCbCr components this is the ten-scan script, and progressive output needs
        // Huffman tables made for the picture (the codec would switch them on by itself).
        jpeg_simple_progression(&codec);
        codec.optimize_coding = TRUE;
    } else {
        codec.optimize_coding = FALSE;  // the standard Huffman tables
    }
}

}  // namespace

JpegCompressor::JpegCompressor(int width, int height, bool progressive) {
    errors_.attachTo(codec_.common());
    run([&] {
        jpeg_create_compress(&codec_.info);
        destination_.attachTo(codec_.info);
        codec_.info.image_width = static_cast<JDIMENSION>(width);
        codec_.info.image_height = static_cast<JDIMENSION>(height);
        codec_.info.input_components = 3;
        codec_.info.in_color_space = JCS_RGB;
        applyEncoderSettings(codec_.info, progressive);
        jpeg_start_compress(&codec_.info, TRUE);
    });
}

void JpegCompressor::writeRow(const std::uint8_t* rgb) {
    // The codec only reads input rows; its interface just lacks const.
    JSAMPROW row = const_cast<JSAMPROW>(rgb);
    run([&] { jpeg_write_scanlines(&codec_.info, &row, 1); });
}

std::string JpegCompressor::finish() {
    run([&] { jpeg_finish_compress(&codec_.info); });
    return destination_.takeBytes();
}

}  // namespace bildheber
