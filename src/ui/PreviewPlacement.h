#pragma once

namespace bildheber {

struct PlacedRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

// Where the preview draws a picture of w x h in a view of cw x ch: scaled with its aspect kept
// when stretching is on or the picture does not fit, else at its natural size; centred.
PlacedRect placePreview(int w, int h, int cw, int ch, bool stretch);

}  // namespace bildheber
