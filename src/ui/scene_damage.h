#pragma once

#include <QRegion>
#include <string>
#include <vector>

#include "level/level.h"

namespace dravik::ui {

// Finds what a handler changed on the screen. It remembers where every shape
// was, whether it was shown and what every label said, and reports the
// logical-pixel region that must be painted again: the old and the new place
// of each shape that moved, each shape shown or hidden, each label whose
// caption changed. A tick moves a few dozen small balls and the player, so
// the region is a small part of the client area.
class SceneDamage {
public:
    // Remembers the scene as it is; the next Collect reports changes from here.
    void Reset(const Level& level);

    // The region changed since the last Reset or Collect; remembers the scene
    // as it is now. Before the first Reset, the whole client area.
    QRegion Collect(const Level& level);

private:
    struct Seen {
        float left, top;
        bool visible;
    };
    std::vector<Seen> shapes_;         // by place in the design order
    std::vector<std::string> labels_;  // captions, by place in the design order
    bool primed_ = false;
};

}  // namespace dravik::ui
