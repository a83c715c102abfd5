// Keys from the window to the game: only the arrows have a code. The repeats
// and the deactivation in a real window are in window_test.cpp.
#include <gtest/gtest.h>

#include "ui/key_map.h"

namespace dravik::ui {
namespace {

TEST(KeyMap, ArrowsGetTheirVirtualKeyCodesAndNoOtherKeyDoes)
{
    EXPECT_EQ(VirtualKeyOf(Qt::Key_Left), 37);
    EXPECT_EQ(VirtualKeyOf(Qt::Key_Up), 38);
    EXPECT_EQ(VirtualKeyOf(Qt::Key_Right), 39);
    EXPECT_EQ(VirtualKeyOf(Qt::Key_Down), 40);
    // Every Qt key: the printable ones below 0x2000, the named ones (arrows, function keys) from 0x01000000.
    for (int key = 0; key < 0x01200000; key = key == 0x2000 ? 0x01000000 : key + 1) {
        const std::int16_t code = VirtualKeyOf(key);
        const bool arrow = key == Qt::Key_Left || key == Qt::Key_Up || key == Qt::Key_Right || key == Qt::Key_Down;
        if (!arrow) {
            ASSERT_TRUE(code < 37 || code > 40) << "key " << key << " passes as an arrow";
        }
    }
}

}  // namespace
}  // namespace dravik::ui
