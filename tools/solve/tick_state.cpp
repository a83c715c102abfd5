#include "solve/tick_state.h"

#include <array>
#include <cstdint>

#include "game/patrols.h"

namespace dravik::solve {

void CopyTickState(const Form& from, Form& to)
{
    // The form's own variables beside the velocities, which come with their patrols.
    static constexpr std::array<std::int16_t Form::*, 8> kVariables = {
        &Form::MoveX,  &Form::MoveY,    &Form::ScanIndex, &Form::InnerScanIndex,
        &Form::PushUp, &Form::PushDown, &Form::PushRight, &Form::PushLeft};
    for (const Patrol& patrol : kPatrols) {
        if (KindOf(patrol.group) == ControlKind::Group) {
            const ControlGroup& a = from.*MemberOf(patrol.group).group;
            ControlGroup& b = to.*MemberOf(patrol.group).group;
            const Shape* source = a.Contiguous();
            Shape* target = b.Contiguous();
            for (std::int16_t i = 0; i <= a.UBound(); ++i) {
                Shape& member = target != nullptr ? target[i] : b.Item(i);
                const Shape& model = source != nullptr ? source[i] : a.Item(i);
                member.Left = model.Left;
                member.Top = model.Top;
            }
        } else {
            const Shape& model = from.*MemberOf(patrol.group).shape;
            Shape& ball = to.*MemberOf(patrol.group).shape;
            ball.Left = model.Left;
            ball.Top = model.Top;
        }
        for (const PatrolAxis& axis : patrol.Axes()) {
            to.*axis.velocity = from.*axis.velocity;
        }
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
