#pragma once

#include "ui/FormLayout.h"

namespace bildheber {

// Where the preview draws a picture of w x h in a view of cw x ch: scaled with its aspect kept
// when stretching is on or the picture does not fit, else at its natural size; centred.
Bounds placePreview(int w, int h, int cw, int ch, bool stretch);

// The preview is never drawn larger than the window, so a picture is decoded at most this large
// on its longer side: a file that claims 65500 x 65500 pixels would otherwise need 13 GB twice.
constexpr int kPreviewMaxSide = 4096;

struct PreviewSize {
    int width = 0;
    int height = 0;
};
// The size a w x h picture is decoded at for the preview: its own, or reduced with its aspect
// kept (each side at least 1) so that no side exceeds kPreviewMaxSide.
PreviewSize previewDecodeSize(int w, int h);

}  // namespace bildheber
