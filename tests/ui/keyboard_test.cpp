// Keys from the window to the form: codes, shift state and letting go. The
// repeats and the deactivation in a real window are in window_test.cpp.
#include <gtest/gtest.h>

#include "ui/key_map.h"
#include "ui/keyboard_relay.h"

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
    EXPECT_EQ(ShiftStateOf(Qt::NoModifier), 0);
    EXPECT_EQ(ShiftStateOf(Qt::ShiftModifier | Qt::AltModifier), 5);
    EXPECT_EQ(ShiftStateOf(Qt::ControlModifier | Qt::KeypadModifier), 2);
}

TEST(KeyboardRelay, ReleaseAllLetsGoOfEveryHeldArrowOnly)
{
    Form form;
    KeyboardRelay relay(form);
    relay.Press(vbKeyRight, 1);
    relay.Press(vbKeyUp, 0);
    relay.Press(65, 0);  // a letter: held, but not an arrow
    EXPECT_EQ(form.MoveX, 30);
    EXPECT_EQ(form.MoveY, -30);
    relay.ReleaseAll();
    EXPECT_EQ(form.MoveX, 0);
    EXPECT_EQ(form.MoveY, 0);
    EXPECT_FALSE(relay.IsHeld(vbKeyRight));
    EXPECT_FALSE(relay.IsHeld(vbKeyUp));
    // A new press moves the player again.
    relay.Press(vbKeyLeft, 0);
    EXPECT_EQ(form.MoveX, -30);
}

}  // namespace
}  // namespace dravik::ui
