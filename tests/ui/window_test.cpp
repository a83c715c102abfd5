// The real window on the offscreen platform, driven through its QWindow like
// a window system would: keys, the menu, activation, the boxes.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QWindow>

#include "scene_probe.h"
#include "ui/main_window.h"
#include "ui/screenshot.h"
#include "wait.h"

namespace dravik::ui {
namespace {

class Window : public ::testing::Test {
protected:
    void SetUp() override
    {
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    }

    QWindow* handle() { return window.windowHandle(); }
    Form& form() { return window.GameForm(); }

    void Key(QEvent::Type type, Qt::Key key, bool autoRepeat = false)
    {
        QKeyEvent event(type, key, Qt::NoModifier, QString(), autoRepeat);
        QCoreApplication::sendEvent(handle(), &event);
    }

    // Lets the game play on for `ticks` more game ticks.
    void PlayTicks(std::int64_t ticks)
    {
        const std::int64_t until = window.TicksRun() + ticks;
        EXPECT_TRUE(QTest::qWaitFor([&] { return window.TicksRun() >= until; }, 5000)) << "the game stopped ticking";
    }

    // Where the player stands once `ticks` more game ticks have run.
    QPointF PlayerAfterTicks(std::int64_t ticks)
    {
        PlayTicks(ticks);
        return {form().Square.Left, form().Square.Top};
    }

    // Sets up a win for the next tick: every key collected, the player in the goal.
    void ArrangeWin()
    {
        for (std::int16_t i = 0; i <= form().Key.UBound(); ++i) {
            form().Key.Item(i).Visible = false;
        }
        form().Square.Left = 3600;
        form().Square.Top = 6000;
    }

    MainWindow window{probe::LevelScale()};
};

TEST_F(Window, OpensWithItsCaptionClientAreaAndMenu)
{
    EXPECT_EQ(window.windowTitle(), "Dravik 1");
    ASSERT_SOON(window.Playfield()->size() == QSize(1047, 830));
    EXPECT_EQ(window.Playfield()->geometry().top(), window.menuBar()->geometry().bottom() + 1);
    const QList<QAction*> actions = window.menuBar()->actions();
    ASSERT_EQ(actions.size(), 1);
    EXPECT_EQ(actions[0]->text(), "RESET");
    EXPECT_EQ(actions[0]->menu(), nullptr);
    EXPECT_TRUE(actions[0]->isEnabled());
    EXPECT_EQ(QApplication::applicationDisplayName(), "Dravik");
}

TEST_F(Window, ResizingMovesNothing)
{
    using namespace probe;
    const Shape& player = form().Square;
    const QPoint origin = window.Playfield()->pos();
    window.resize(500, 400);
    ASSERT_SOON(window.Playfield()->width() == 500);
    EXPECT_EQ(window.Playfield()->pos(), origin);
    EXPECT_EQ(At(window.Playfield()->grab().toImage(), 1500, 1500), kPaleGreen);  // Rest3
    window.resize(1300, 1000);
    ASSERT_SOON(window.Playfield()->width() == 1300);
    const QImage big = window.Playfield()->grab().toImage();
    EXPECT_EQ(At(big, player.Left + 187, player.Top + 187), kRed);
    EXPECT_EQ(At(big, 1200 * 15, 900 * 15), kCyan);
}

TEST_F(Window, ArrowKeysReachTheFormAndMoveThePlayer)
{
    QTest::keyPress(handle(), Qt::Key_Right);
    EXPECT_EQ(form().MoveX, 30);
    ASSERT_SOON(form().Square.Left > 960 + 90);
    QTest::keyPress(handle(), Qt::Key_Up, Qt::ShiftModifier);
    EXPECT_EQ(form().MoveY, -30);
    QTest::keyRelease(handle(), Qt::Key_Up);
    QTest::keyRelease(handle(), Qt::Key_Right);
    EXPECT_EQ(form().MoveX, 0);
    EXPECT_EQ(form().MoveY, 0);
    const QPointF stopped = PlayerAfterTicks(1);
    EXPECT_EQ(PlayerAfterTicks(6), stopped);
}

TEST_F(Window, AutoRepeatPairsDoNotStopThePlayer)
{
    Key(QEvent::KeyPress, Qt::Key_Right);
    for (int i = 0; i < 10; ++i) {
        const float before = form().Square.Left;
        Key(QEvent::KeyRelease, Qt::Key_Right, true);
        EXPECT_EQ(form().MoveX, 30);
        Key(QEvent::KeyPress, Qt::Key_Right, true);
        ASSERT_SOON(form().Square.Left > before);  // still walking
    }
    Key(QEvent::KeyRelease, Qt::Key_Right);
    EXPECT_EQ(form().MoveX, 0);
}

TEST_F(Window, DeactivationReleasesTheHeldArrows)
{
    QTest::keyPress(handle(), Qt::Key_Right);
    QTest::keyPress(handle(), Qt::Key_Down);
    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    EXPECT_EQ(form().MoveX, 0);
    EXPECT_EQ(form().MoveY, 0);
    const QPointF stopped = PlayerAfterTicks(1);
    EXPECT_EQ(PlayerAfterTicks(6), stopped);
}

TEST_F(Window, ResetFromTheMenuRestartsTheRun)
{
    form().Deaths.Caption = "3";
    form().Time.Caption = "7";
    form().Key.Item(9).Visible = false;
    form().Square.Left = 3000;
    QMenuBar* bar = window.menuBar();
    const QPoint at = bar->mapTo(&window, bar->actionGeometry(window.ResetAction()).center());
    QTest::mouseClick(handle(), Qt::LeftButton, Qt::NoModifier, at);
    EXPECT_EQ(form().Square.Left, 960);
    EXPECT_EQ(form().Square.Top, 10560);
    EXPECT_EQ(form().Deaths.Caption, "0");
    EXPECT_EQ(form().Time.Caption, "0");
    EXPECT_TRUE(form().Key.Item(9).Visible);
}

// A win opens the box once its tick has ended: while it is open nothing
// plays, and play goes on when it closes. The box takes the keyboard, so the
// arrow held into the win is let go then, after the winning tick stepped the
// player on from the start, as dravik-sim plays a win.
TEST_F(Window, WinBoxHoldsTheGameUntilClosed)
{
    QTest::keyPress(handle(), Qt::Key_Right);  // held into the win
    struct {
        bool open = false, closed = false;
        QString title, text;
        QMessageBox::Icon icon{};
        int buttons = 0;
        bool plainButton = false;
        std::int16_t moveX = 0;
        bool keysShown = false, held = false, modalGrab = false;
        QPointF player;
        std::int64_t ticks = 0, ticksAfterWait = 0;
        std::uint64_t wins = 0;
        std::string time, timeAfterWait;
        float balls4 = 0, balls4AfterWait = 0;
    } seen;

    QTimer watch;
    watch.setInterval(5);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        QMessageBox* box = window.YouWinBox().Current();
        if (box == nullptr || !box->isActiveWindow() || seen.open) {
            return;
        }
        seen.open = true;
        seen.title = box->windowTitle();
        seen.text = box->text();
        seen.icon = box->icon();
        seen.buttons = static_cast<int>(box->buttons().size());
        seen.plainButton = box->button(QMessageBox::Ok) != nullptr && box->button(QMessageBox::Ok)->icon().isNull();
        seen.moveX = form().MoveX;
        seen.keysShown = form().Key.Item(0).Visible && form().Key.Item(154).Visible;
        seen.player = {form().Square.Left, form().Square.Top};
        seen.held = window.Beats().IsHeld();
        seen.modalGrab = QGuiApplication::modalWindow() != nullptr;
        seen.ticks = window.TicksRun();
        seen.wins = window.Wins();
        seen.time = form().Time.Caption;
        seen.balls4 = form().Balls4.Left;
        QTest::qWait(1100);  // long enough for the clock to count, were it running
        seen.ticksAfterWait = window.TicksRun();
        seen.timeAfterWait = form().Time.Caption;
        seen.balls4AfterWait = form().Balls4.Left;
        QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
        seen.closed = true;
    });
    watch.start();
    ArrangeWin();
    ASSERT_SOON(seen.closed);

    EXPECT_EQ(seen.title, "Dravik");
    EXPECT_EQ(seen.text, "YOU WIN");
    EXPECT_EQ(seen.icon, QMessageBox::NoIcon);
    EXPECT_EQ(seen.buttons, 1);
    EXPECT_TRUE(seen.plainButton);
    EXPECT_EQ(seen.wins, 1U);
    EXPECT_EQ(seen.moveX, 0);  // let go once the box took the keyboard
    EXPECT_TRUE(seen.keysShown);
    EXPECT_EQ(seen.player, QPointF(960 + 30, 10560));  // the winning tick's step, from the start
    EXPECT_TRUE(seen.held);
    EXPECT_FALSE(seen.modalGrab);  // the window's close button still works
    EXPECT_EQ(seen.ticksAfterWait, seen.ticks);
    EXPECT_EQ(seen.timeAfterWait, seen.time);
    EXPECT_EQ(seen.balls4AfterWait, seen.balls4);
    ASSERT_SOON(window.isActiveWindow());
    ASSERT_SOON(window.TicksRun() > seen.ticks + 3);  // play goes on
    EXPECT_FALSE(window.Beats().IsHeld());
    EXPECT_EQ(form().Square.Left, 960 + 30);  // no key held since: the player waits
}

TEST_F(Window, ClosingTheWindowWhileTheBoxIsOpenEndsTheGame)
{
    QSignalSpy ended(&window, &MainWindow::gameEnded);
    bool closed = false;
    QTimer watch;
    watch.setInterval(5);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (window.YouWinBox().Current() != nullptr && !closed) {
            closed = true;
            handle()->close();
        }
    });
    watch.start();
    ArrangeWin();
    ASSERT_SOON(closed && window.YouWinBox().Current() == nullptr);
    ASSERT_EQ(ended.count(), 1);
    EXPECT_EQ(ended.at(0).at(0).toInt(), 0);
    EXPECT_FALSE(window.isVisible());
    const std::int64_t ticks = window.TicksRun();
    QTest::qWait(100);
    EXPECT_EQ(window.TicksRun(), ticks);  // the game stays ended
}

TEST_F(Window, FatalErrorIsShownAndEndsTheGameWithAnError)
{
    QSignalSpy ended(&window, &MainWindow::gameEnded);
    QString message;
    QMessageBox::Icon icon{};
    QTimer watch;
    watch.setInterval(5);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()); box && message.isEmpty()) {
            message = box->text();
            icon = box->icon();
            box->accept();
        }
    });
    watch.start();
    form().Time.Caption = "x";  // the clock cannot count on from this
    ASSERT_SOON(ended.count() == 1);
    EXPECT_EQ(ended.at(0).at(0).toInt(), 1);
    EXPECT_EQ(icon, QMessageBox::Critical);
    EXPECT_TRUE(message.contains("type mismatch")) << message.toStdString();
    const std::int64_t ticks = window.TicksRun();
    QTest::qWait(100);
    EXPECT_EQ(window.TicksRun(), ticks);
}

// What the window shows after play, painted tick by tick in small pieces,
// equals a whole repaint of the same state and the screenshot's picture:
// a moment of play from the keyboard, then the scripted game with its death
// and RESET, each tick's damage painted before the next tick runs.
TEST_F(Window, PartialRepaintsShowTheSameAsAFullRepaint)
{
    QTest::keyPress(handle(), Qt::Key_Right);
    PlayTicks(25);
    QTest::keyPress(handle(), Qt::Key_Up);
    PlayTicks(25);
    QTest::keyRelease(handle(), Qt::Key_Right);
    PlayTicks(19);
    window.Beats().Hold();
    QCoreApplication::sendPostedEvents(&window, QEvent::UpdateRequest);  // the last repaint lands
    EXPECT_LT(window.Playfield()->LastDrawn(), 150);                     // a tick's paint is partial
    for (int tick = 1; tick <= probe::kScriptedTicks; ++tick) {
        probe::BeforeScriptedTick(form(), tick, false, [&] { window.ResetAction()->trigger(); });
        form().tmrBall_Timer();
        window.Playfield()->RefreshChanged();
        QCoreApplication::processEvents();
    }
    QCoreApplication::sendPostedEvents(&window, QEvent::UpdateRequest);
    EXPECT_LT(window.Playfield()->LastDrawn(), 150);

    // The window system's copy of the window against the whole window
    // painted afresh, in device pixels.
    const QImage shown = window.screen()->grabWindow(window.winId()).toImage().convertToFormat(QImage::Format_RGB32);
    const QImage whole = window.grab().toImage().convertToFormat(QImage::Format_RGB32);
    // At a scale factor the offscreen platform hands back only the window's
    // logical size in device pixels: compare what it gives, a good part of the level.
    ASSERT_GE(shown.width() * 2, whole.width());
    ASSERT_GE(shown.height() * 2, whole.height());
    EXPECT_TRUE(shown == whole.copy(0, 0, shown.width(), shown.height()));
    if (window.devicePixelRatio() == 1.0) {
        const QPoint origin = window.Playfield()->mapTo(&window, QPoint(0, 0));
        QImage level = RenderScene(form(), probe::LevelScale());
        level.setDevicePixelRatio(1.0);
        EXPECT_TRUE(shown.copy(QRect(origin, level.size())) == level);
    }
}

}  // namespace
}  // namespace dravik::ui
