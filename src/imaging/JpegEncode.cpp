// encodeJpeg of JpegCodec.h.
#include <stdexcept>
#include <vector>

#include "imaging/JpegCodec.h"
#include "imaging/JpegCodecObjects.h"
#include "imaging/JpegErrorManager.h"

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

std::string encodeJpeg(const RgbRaster& raster, bool progressive) {
    if (raster.empty()) {
        return {};
    }
    if (raster.pixels.size() != raster.rowBytes() * static_cast<std::size_t>(raster.height)) {
        throw std::invalid_argument("encodeJpeg: raster size does not match its pixel count");
    }
    // The codec only reads the rows; its interface just lacks const.
    std::vector<JSAMPROW> rows(static_cast<std::size_t>(raster.height));
    for (int y = 0; y < raster.height; ++y) {
        rows[static_cast<std::size_t>(y)] = const_cast<JSAMPROW>(raster.row(y));
    }

    JpegErrorManager errors;
    CompressObject codec;
    MemoryDestination destination;
    errors.attachTo(codec.common());
    runCodecStep(errors, codec.common(), [&] {
        jpeg_create_compress(&codec.info);
        jpeg_mem_dest(&codec.info, &destination.bytes, &destination.size);
        codec.info.image_width = static_cast<JDIMENSION>(raster.width);
        codec.info.image_height = static_cast<JDIMENSION>(raster.height);
        codec.info.input_components = 3;
        codec.info.in_color_space = JCS_RGB;
        applyEncoderSettings(codec.info, progressive);
        jpeg_start_compress(&codec.info, TRUE);
        while (codec.info.next_scanline < codec.info.image_height) {
            jpeg_write_scanlines(&codec.info, rows.data() + codec.info.next_scanline,
                                 codec.info.image_height - codec.info.next_scanline);
        }
        jpeg_finish_compress(&codec.info);
    });
    return std::string(reinterpret_cast<const char*>(destination.bytes), destination.size);
}

}  // namespace bildheber
