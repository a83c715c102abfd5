#pragma once

#include <string>
#include <vector>

#include "game/form.h"

namespace dravik {

// Reaches the form's private checks so a test can run one on its own.
struct FormProbe {
    static void CheckWalls(Form& f) { f.CheckWalls(); }
    static void CheckGoal(Form& f) { f.CheckGoal(); }
    static void CheckKeys(Form& f) { f.CheckKeys(); }
    static void CheckBalls4(Form& f) { f.CheckBalls4(); }
    static void CheckBalls13(Form& f) { f.CheckBalls13(); }
};

// A box that remembers what the player could see when it opened.
struct RecordingBox : MessageBox {
    explicit RecordingBox(const Form& form) : form(form) {}
    void Show(std::string_view prompt) override
    {
        prompts.emplace_back(prompt);
        squareAtShow.push_back({form.Square.Left, form.Square.Top});
        int visible = 0;
        for (std::int16_t i = 0; i <= form.Key.UBound(); ++i) {
            visible += form.Key.Item(i).Visible ? 1 : 0;
        }
        visibleKeysAtShow.push_back(visible);
    }
    const Form& form;
    std::vector<std::string> prompts;
    std::vector<std::pair<float, float>> squareAtShow;
    std::vector<int> visibleKeysAtShow;
};

inline int VisibleKeys(const Form& f)
{
    int n = 0;
    for (std::int16_t i = 0; i <= f.Key.UBound(); ++i) {
        n += f.Key.Item(i).Visible ? 1 : 0;
    }
    return n;
}

inline void HideAllKeys(Form& f)
{
    for (std::int16_t i = 0; i <= f.Key.UBound(); ++i) {
        f.Key.Item(i).Visible = false;
    }
}

inline void Place(Shape& s, float left, float top)
{
    s.Left = left;
    s.Top = top;
}

}  // namespace dravik
