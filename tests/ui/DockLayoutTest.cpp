#include "ui/DockLayout.h"

#include <gtest/gtest.h>

namespace bildheber {
namespace {

TEST(DockedBounds, PlacesTheFormsDockedControls) {
    // The window: the control panel along the top, the drop panel below it.
    const DockedChild window[] = {{Dock::Top, 249}, {Dock::Fill, 0}};
    EXPECT_EQ(dockedBounds(802, 851, {}, window),
              (std::vector<Bounds>{{0, 0, 802, 249}, {0, 249, 802, 602}}));
    // Lower than the control panel: the panel keeps its height, the drop panel has none.
    EXPECT_EQ(dockedBounds(802, 200, {}, window),
              (std::vector<Bounds>{{0, 0, 802, 249}, {0, 249, 802, 0}}));

    // The expiry group's three choices share its room inside the padding.
    const DockedChild choices[] = {{Dock::Column, 0}, {Dock::Column, 0}, {Dock::Column, 0}};
    EXPECT_EQ(dockedBounds(137, 60, Insets{8, 2, 4, 4}, choices),
              (std::vector<Bounds>{{8, 2, 125, 18}, {8, 20, 125, 18}, {8, 38, 125, 18}}));
    EXPECT_EQ(dockedBounds(137, 61, Insets{8, 2, 4, 4}, choices)[2].height, 19);
}

TEST(DockedBounds, RefusesColumnAndFillInOneContainer) {
    const DockedChild mixed[] = {{Dock::Column, 0}, {Dock::Fill, 0}};
    EXPECT_THROW(dockedBounds(100, 100, {}, mixed), std::logic_error);
}

}  // namespace
}  // namespace bildheber
