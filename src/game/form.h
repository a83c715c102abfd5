#pragma once

#include <cstdint>

#include "game/message_box.h"
#include "game/rect.h"
#include "level/level.h"

namespace dravik {

// Virtual key codes of the arrow keys, the only keys the game reads.
inline constexpr std::int16_t vbKeyLeft = 37;
inline constexpr std::int16_t vbKeyUp = 38;
inline constexpr std::int16_t vbKeyRight = 39;
inline constexpr std::int16_t vbKeyDown = 40;

// The player's step: the twips an arrow moves it on its axis each tick.
inline constexpr std::int16_t kPlayerStep = 30;

// Where the player starts and is put back after a death, a win or a reset.
inline constexpr float kStartLeft = 960;
inline constexpr float kStartTop = 10560;

// The walled playing area: the box around every wall. A player's step can reach
// into an outer wall 30 thick but never through it, so the player stays inside.
inline constexpr RECT kPlayingArea{120, 480, 11550, 11790};

// The prompt of the box a win opens.
inline constexpr std::string_view kWinPrompt = "YOU WIN";

// The form Dravik: its controls (the level and the labels), its form-level
// variables and every handler of the game. It knows no window toolkit: the
// window owns one Form, forwards its events here and paints what it holds.
class Form : public Level {
public:
    // The box is borrowed; without one, a win's box returns at once.
    explicit Form(MessageBox* box = nullptr);

    // Event handlers.
    void tmrBall_Timer();  // one game tick
    void tmrTime_Timer();  // one second of the clock
    void mnuReset_Click();
    void Form_KeyDown(std::int16_t KeyCode, std::int16_t Shift);
    void Form_KeyUp(std::int16_t KeyCode, std::int16_t Shift);

    void SetMessageBox(MessageBox* box);

    // The motion variables: the player's step and the 17 ball velocities, in
    // twips per tick.
    std::int16_t MoveX = 0, MoveY = 0;
    std::int16_t VelBallsY = 0, VelBalls1Y = 0, VelBalls2X = 0, VelBalls3X = 0, VelBalls4X = 0, VelBalls5X = 0;
    std::int16_t VelBalls6X = 0, VelBalls6Y = 0, VelBalls7X = 0, VelBalls7Y = 0, VelBalls8Y = 0;
    std::int16_t VelBalls9X = 0, VelBalls9Y = 0, VelBalls10X = 0, VelBalls11X = 0, VelBalls11Y = 0;
    std::int16_t VelBalls12X = 0;

    // The scan counters shared by every scan over a control group.
    std::int16_t ScanIndex = 0;
    std::int16_t InnerScanIndex = 0;

    // The rectangles and push-out values of the contact checks.
    RECT PlayerRect, ObjRect, HitRect;
    std::int16_t PushUp = 0, PushDown = 0, PushRight = 0, PushLeft = 0;

private:
    friend struct FormProbe;  // lets the tests call single checks

    // The checks of a tick, in the order the tick runs them.
    void CheckWalls();
    void CheckGoal();
    void CheckBalls();
    void CheckBalls1();
    void CheckBalls2();
    void CheckBalls3();
    void CheckBalls4();
    void CheckBalls5();
    void CheckBalls6();
    void CheckBalls7();
    void CheckBalls10();
    void CheckBalls13();
    void CheckKeys();

    // The steps of a tick after the checks.
    void MovePlayer();
    void AdvanceLeaders();
    void BounceBalls();
    void LineUpMembers();
    void LineUp(ControlGroup& group, float Shape::*coordinate);

    // The overlap test of the current PlayerRect with a shape; builds ObjRect.
    bool Touches(const Shape& object) { return OverlapTest(object, PlayerRect, ObjRect, HitRect); }

    // The scan of a contact check: every member of the group in index order,
    // ScanIndex counting, tested against PlayerRect; onContact(member) runs
    // for each member that overlaps it. Defined in game/contact_scan.h.
    template <typename OnContact>
    void ScanContacts(ControlGroup& group, OnContact onContact);

    // Hazard contact with one group or one single shape.
    void CheckBallGroup(ControlGroup& group);
    void CheckBallShape(const Shape& ball);

    // Steps shared by a death, a win and the reset.
    void Respawn();
    void ShowAllKeys(std::int16_t& counter);
    void Die(std::int16_t& keyCounter);

    MessageBox* box_;
};

// Adds one to a counter label: its caption read as a number, plus 1.0,
// written back in the shortest decimal form.
void IncrementCounter(Label& counter);

}  // namespace dravik
