// dravik --screenshot paints the window's own picture of the same state,
// offscreen, whatever the environment asks for.
#include "ui/screenshot.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>
#include <sstream>

#include "run/run_file.h"
#include "run/session.h"
#include "scene_probe.h"
#include "support/subprocess.h"

namespace dravik::ui {
namespace {

// The screenshot dravik writes with no display, with the platform and scale
// factor given, and no runtime folder: it must say nothing and leave nothing
// behind but the picture.
QImage Screenshot(const QStringList& args, const QString& platform, const QString& scale, const QString& script = {})
{
    QTemporaryDir dir;
    const QString path = dir.filePath("shot.png");
    support::Command dravik{{DRAVIK}, script.toStdString(), {}};
    for (const QString& arg : args + QStringList{"--screenshot", path, "--input", "-"}) {
        dravik.argv.push_back(arg.toStdString());
    }
    dravik.environment = {
        {"DISPLAY", std::nullopt},
        {"WAYLAND_DISPLAY", std::nullopt},
        {"XDG_RUNTIME_DIR", std::nullopt},
        {"TMPDIR", dir.path().toStdString()},
        {"QT_QPA_PLATFORM", platform.toStdString()},
        {"QT_SCALE_FACTOR", scale.toStdString()},
    };
    const support::Finished done = support::Run(dravik);
    EXPECT_EQ(done.status, 0);
    EXPECT_EQ(done.err, "");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{"shot.png"});
    return QImage(path).convertToFormat(QImage::Format_RGB32);
}

TEST(Screenshot, PaintsTheStartPositionLikeTheWindow)
{
    const QImage shot = Screenshot({"--ticks", "0"}, "xcb", "0.75");
    ASSERT_EQ(shot.size(), QSize(1047, 830));
    EXPECT_EQ(probe::At(shot, 960 + 187, 10560 + 187), probe::kRed);
    EXPECT_TRUE(shot == RenderScene(Level()));
}

TEST(Screenshot, PaintsTheStateAfterItsRun)
{
    const QString script = "1 down 39\n40 down 38\n64 clock\n";
    const QImage shot = Screenshot({"--ticks", "300"}, "minimal", "2", script);
    std::istringstream in(script.toStdString());
    run::Session session(run::Session::Log::None);
    session.Play(run::ParseScript(in).events);
    while (session.Ticks() < 300) {
        session.Tick();
    }
    EXPECT_EQ(session.Game().Time.Caption, "1");
    EXPECT_TRUE(shot == RenderScene(session.Game()));
    EXPECT_FALSE(shot == RenderScene(Level()));
}

}  // namespace
}  // namespace dravik::ui
