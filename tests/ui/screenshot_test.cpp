// dravik-sim's screenshots are the window's own picture of the same state.
#include "ui/screenshot.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>
#include <sstream>

#include "scene_probe.h"
#include "sim/runner.h"

namespace dravik::ui {
namespace {

QImage SimScreenshot(const QStringList& args, const QString& script = {})
{
    QTemporaryDir dir;
    const QString path = dir.filePath("shot.png");
    QProcess sim;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("QT_QPA_PLATFORM");  // it must manage with no display of its own accord
    env.remove("DISPLAY");
    sim.setProcessEnvironment(env);
    sim.start(DRAVIK_SIM, args + QStringList{"--screenshot", path, "--input", "-"});
    sim.write(script.toUtf8());
    sim.closeWriteChannel();
    EXPECT_TRUE(sim.waitForFinished(30000));
    EXPECT_EQ(sim.exitCode(), 0) << sim.readAllStandardError().toStdString();
    return QImage(path).convertToFormat(QImage::Format_RGB32);
}

TEST(Screenshot, SimPaintsTheStartPositionLikeTheWindow)
{
    const QImage shot = SimScreenshot({"--ticks", "0"});
    ASSERT_EQ(shot.size(), QSize(1047, 830));
    EXPECT_EQ(probe::At(shot, 960 + 187, 10560 + 187), probe::kRed);
    EXPECT_TRUE(shot == RenderScene(Level()));
}

TEST(Screenshot, SimPaintsTheStateAfterItsRun)
{
    const QString script = "1 down 39\n40 down 38\n64 clock\n";
    const QImage shot = SimScreenshot({"--ticks", "300"}, script);
    Form form;
    std::istringstream in(script.toStdString());
    std::ostringstream trace;
    sim::Run(form, sim::ParseScript(in).events, {300, 0}, trace);
    EXPECT_EQ(form.Time.Caption, "1");
    EXPECT_TRUE(shot == RenderScene(form));
    EXPECT_FALSE(shot == RenderScene(Level()));
}

}  // namespace
}  // namespace dravik::ui
