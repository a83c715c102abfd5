#pragma once

#include <QWidget>
#include <string>

namespace dravik::ui {

// Tells the player that a run-time error has ended the game, in a critical
// message box, and returns when it is closed.
void ShowFatalError(QWidget* parent, const std::string& message);

}  // namespace dravik::ui
