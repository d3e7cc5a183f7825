#pragma once

#include <span>
#include <vector>

#include "ui/FormLayout.h"

namespace bildheber {

// A docked child as the layout sees it: how it docks and, for Dock::Top, its own height.
struct DockedChild {
    Dock dock = Dock::Top;
    int height = 0;
};

// Where a container's docked children go, for windows that place their controls themselves:
// inside `padding`, edge to edge in table order, as wide as the room; a Top child keeps its
// height, Column children share the height the Top children leave (the last takes the odd
// pixels), a Fill child takes what the others leave. No room left gives zero heights. A form
// never mixes Column and Fill children in one container; std::logic_error if it does.
std::vector<Bounds> dockedBounds(int width, int height, const Insets& padding,
                                 std::span<const DockedChild> children);

}  // namespace bildheber
