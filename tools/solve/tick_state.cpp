#include "solve/tick_state.h"

#include <array>
#include <cstdint>

namespace dravik::solve {

void CopyTickState(const Form& from, Form& to)
{
    static constexpr std::array<ControlGroup Level::*, 5> kRows = {&Level::Balls, &Level::Balls1, &Level::Balls2,
                                                                   &Level::Balls3, &Level::Balls5};
    static constexpr std::array<Shape Level::*, 8> kSingles = {&Level::Balls4,  &Level::Balls6, &Level::Balls7,
                                                               &Level::Balls8,  &Level::Balls9, &Level::Balls10,
                                                               &Level::Balls11, &Level::Balls12};
    static constexpr std::array<std::int16_t Form::*, 25> kVariables = {
        &Form::MoveX,          &Form::MoveY,       &Form::VelBallsY,   &Form::VelBalls1Y,  &Form::VelBalls2X,
        &Form::VelBalls3X,     &Form::VelBalls4X,  &Form::VelBalls5X,  &Form::VelBalls6X,  &Form::VelBalls6Y,
        &Form::VelBalls7X,     &Form::VelBalls7Y,  &Form::VelBalls8Y,  &Form::VelBalls9X,  &Form::VelBalls9Y,
        &Form::VelBalls10X,    &Form::VelBalls11X, &Form::VelBalls11Y, &Form::VelBalls12X, &Form::ScanIndex,
        &Form::InnerScanIndex, &Form::PushUp,      &Form::PushDown,    &Form::PushRight,   &Form::PushLeft};
    for (ControlGroup Level::*row : kRows) {
        const ControlGroup& a = from.*row;
        ControlGroup& b = to.*row;
        const Shape* source = a.Contiguous();
        Shape* target = b.Contiguous();
        for (std::int16_t i = 0; i <= a.UBound(); ++i) {
            Shape& member = target != nullptr ? target[i] : b.Item(i);
            const Shape& model = source != nullptr ? source[i] : a.Item(i);
            member.Left = model.Left;
            member.Top = model.Top;
        }
    }
    for (Shape Level::*single : kSingles) {
        (to.*single).Left = (from.*single).Left;
        (to.*single).Top = (from.*single).Top;
    }
    for (std::int16_t Form::*variable : kVariables) {
        to.*variable = from.*variable;
    }
    to.PlayerRect = from.PlayerRect;
    to.ObjRect = from.ObjRect;
    to.HitRect = from.HitRect;
    if (to.Deaths.Caption != from.Deaths.Caption) {
        to.Deaths.Caption = from.Deaths.Caption;
    }
}

}  // namespace dravik::solve
