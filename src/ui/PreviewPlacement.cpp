#include "ui/PreviewPlacement.h"

namespace bildheber {

PlacedRect placePreview(int w, int h, int cw, int ch, bool stretch) {
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
    return PlacedRect{(cw - drawnW) / 2, (ch - drawnH) / 2, drawnW, drawnH};
}

}  // namespace bildheber
