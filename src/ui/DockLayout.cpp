#include "ui/DockLayout.h"

#include <algorithm>
#include <stdexcept>

namespace bildheber {

std::vector<Bounds> dockedBounds(int width, int height, const Insets& padding,
                                 std::span<const DockedChild> children) {
    const int roomWidth = std::max(0, width - padding.left - padding.right);
    int left = std::max(0, height - padding.top - padding.bottom);
    int columns = 0;
    bool fill = false;
    for (const DockedChild& child : children) {
        if (child.dock == Dock::Top) {
            left -= std::min(left, child.height);
        }
        columns += child.dock == Dock::Column ? 1 : 0;
        fill = fill || child.dock == Dock::Fill;
    }
    if (fill && columns > 0) {
        throw std::logic_error("A container with both Column and Fill children.");
    }
    std::vector<Bounds> bounds;
    int top = padding.top;
    int columnsPlaced = 0;
    for (const DockedChild& child : children) {
        int childHeight = 0;
        switch (child.dock) {
            case Dock::Top:
                childHeight = child.height;
                break;
            case Dock::Column:
                ++columnsPlaced;
                childHeight = left / columns + (columnsPlaced == columns ? left % columns : 0);
                break;
            case Dock::Fill:
                childHeight = left;
                break;
            case Dock::None:
                break;
        }
        bounds.push_back(Bounds{padding.left, top, roomWidth, childHeight});
        top += childHeight;
    }
    return bounds;
}

}  // namespace bildheber
