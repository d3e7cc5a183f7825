#pragma once

#include <cstdint>
#include <vector>

namespace bildheber {

// The source index that point sampling copies into target index `target` when `sourceSize`
// pixels are stretched to `targetSize`: the source pixel containing the target pixel's centre,
// floor((2 * target + 1) * sourceSize / (2 * targetSize)), exact in 64-bit integers. It never
// decreases as `target` grows and always lies below `sourceSize`.
inline int sourceIndexFor(int target, int sourceSize, int targetSize) {
    const std::int64_t numerator = (2 * std::int64_t{target} + 1) * sourceSize;
    return static_cast<int>(numerator / (2 * std::int64_t{targetSize}));
}

// sourceIndexFor for every target index, as byte offsets of RGB pixels in a row.
inline std::vector<std::size_t> sourceColumnOffsets(int sourceWidth, int targetWidth) {
    std::vector<std::size_t> offsets(static_cast<std::size_t>(targetWidth));
    for (int x = 0; x < targetWidth; ++x) {
        offsets[static_cast<std::size_t>(x)] =
            static_cast<std::size_t>(sourceIndexFor(x, sourceWidth, targetWidth)) * 3;
    }
    return offsets;
}

// Fills one target row from one source row through the column offsets.
inline void sampleRow(const std::uint8_t* sourceRow, const std::vector<std::size_t>& columnOffsets,
                      std::uint8_t* targetRow) {
    for (const std::size_t offset : columnOffsets) {
        const std::uint8_t* pixel = sourceRow + offset;
        targetRow[0] = pixel[0];
        targetRow[1] = pixel[1];
        targetRow[2] = pixel[2];
        targetRow += 3;
    }
}

}  // namespace bildheber
