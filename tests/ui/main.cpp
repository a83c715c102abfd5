// The window's tests run on the offscreen platform: no display is needed.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <cstdio>
#include <iostream>

#include "scene_probe.h"
#include "ui/window_system.h"

namespace {
double levelScale = 1.0;
}

double dravik::ui::probe::LevelScale()
{
    return levelScale;
}

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    if (dravik::ui::TakeScaleFactor(std::cerr, levelScale)) {
        return 2;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Dravik"));
    const int status = RUN_ALL_TESTS();
    // A QTest check that failed reports only to QTest: fail the run for it
    // too (the tests wait with ASSERT_SOON, which reports here).
    if (QTest::currentTestFailed()) {
        std::fputs("a QTest check failed (see above)\n", stderr);
        return 1;
    }
    return status;
}
