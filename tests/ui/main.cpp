// The window's tests run on the offscreen platform: no display is needed.
#include <gtest/gtest.h>

#include <QApplication>
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
    return RUN_ALL_TESTS();
}
