#include "ui/PreviewPlacement.h"

#include <algorithm>
#include <cmath>

namespace bildheber {

Bounds placePreview(int w, int h, int cw, int ch, bool stretch) {
    int drawnW = w;
    int drawnH = h;
    if (stretch || w > cw || h > ch) {
        if (w <= 0 || h <= 0) {
            drawnW = cw;
            drawnH = ch;
        } else {
            const double aspect = static_cast<double>(w) / h;
            if (w > h) {
                drawnW = cw;
                drawnH = static_cast<int>(cw / aspect);
                if (drawnH > ch) {
                    drawnH = ch;
                    drawnW = static_cast<int>(ch * aspect);
                }
            } else {
                drawnH = ch;
                drawnW = static_cast<int>(ch * aspect);
                if (drawnW > cw) {
                    drawnW = cw;
                    drawnH = static_cast<int>(cw / aspect);
                }
            }
        }
    }
    return Bounds{(cw - drawnW) / 2, (ch - drawnH) / 2, drawnW, drawnH};
}

PreviewSize previewDecodeSize(int w, int h) {
    const int longer = std::max(w, h);
    if (longer <= kPreviewMaxSide) {
        return PreviewSize{w, h};
    }
    const double factor = static_cast<double>(kPreviewMaxSide) / longer;
    const auto reduced = [factor](int side) {
        return std::clamp(static_cast<int>(std::lround(side * factor)), 1, kPreviewMaxSide);
    };
    return PreviewSize{reduced(w), reduced(h)};
}

}  // namespace bildheber
