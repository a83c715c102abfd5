#include "support/play.h"

namespace dravik::props {

namespace {

std::vector<Region> BuildRegions()
{
    std::vector<Region> regions = {
        {"lower corridor", 2100, 9885, 9210, 11370}, {"right corridor", 9645, 2445, 11130, 9450},
        {"top corridor", 2205, 525, 9210, 2010},     {"left corridor", 285, 2445, 1770, 8850},
        {"key block", 285, 7485, 8850, 8850},        {"rest zones", 9645, 9885, 11130, 11370},
        {"rest zones", 9645, 525, 11130, 2010},      {"rest zones", 285, 525, 1770, 2010},
    };
    // Every cell of the safe path through the field: a player that keeps 15
    // twips clear of the cell's edges touches no ball of the field.
    const Level level;
    for (std::int16_t i = 0; i <= level.Balls14.UBound(); ++i) {
        if (level.Balls14.Has(i)) {
            const Shape& cell = level.Balls14.Item(i);
            const auto left = static_cast<std::int32_t>(cell.Left);
            const auto top = static_cast<std::int32_t>(cell.Top);
            regions.push_back({"safe path", left + 15, top + 15, left + 105, top + 105});
        }
    }
    // The cell just above the goal, with nothing left to collect.
    regions.push_back({"goal doorstep", 3015, 4935, 3105, 5025, true});
    return regions;
}

}  // namespace

const std::vector<Region>& DeepRegions()
{
    static const std::vector<Region> regions = BuildRegions();
    return regions;
}

void PlaceInRegion(Form& form, const Region& region, Rng& rng)
{
    form.Square.Left = static_cast<float>(rng.Between(region.left / 15, region.right / 15) * 15);
    form.Square.Top = static_cast<float>(rng.Between(region.top / 15, region.bottom / 15) * 15);
    form.MoveX = 0;
    form.MoveY = 0;
    // Somewhere between no key and every key collected.
    const std::uint64_t share = region.allKeysHidden ? 100 : rng.Below(101);
    for (std::int16_t i = 0; i <= form.Key.UBound(); ++i) {
        form.Key.Item(i).Visible = !rng.Chance(share, 100);
    }
}

void RandomPlayer::EventsBefore(std::uint64_t tick, std::vector<run::Event>& out)
{
    auto key = [&](run::EventKind kind, std::int16_t code) {
        out.push_back({tick, kind, static_cast<std::uint16_t>(code)});
    };
    if (tick >= holdUntil_) {
        // Let go of what is held, sometimes only of one axis, then choose a
        // new direction and how long to hold it.
        if (heldX_ != 0 && rng_.Chance(3, 4)) {
            key(run::EventKind::KeyUp, heldX_);
            heldX_ = 0;
        }
        if (heldY_ != 0 && rng_.Chance(3, 4)) {
            key(run::EventKind::KeyUp, heldY_);
            heldY_ = 0;
        }
        switch (rng_.Below(3)) {
            case 0: heldX_ = vbKeyLeft; break;
            case 1: heldX_ = vbKeyRight; break;
            default: break;
        }
        switch (rng_.Below(3)) {
            case 0: heldY_ = vbKeyUp; break;
            case 1: heldY_ = vbKeyDown; break;
            default: break;
        }
        if (heldX_ != 0) {
            key(run::EventKind::KeyDown, heldX_);
        }
        if (heldY_ != 0) {
            key(run::EventKind::KeyDown, heldY_);
        }
        holdUntil_ = tick + 1 + rng_.Below(rng_.Chance(1, 8) ? 400 : 40);
    }
    if (heldX_ != 0 && rng_.Chance(1, 12)) {
        key(run::EventKind::KeyDown, heldX_);  // auto-repeat
    }
    if (rng_.Chance(1, 150)) {
        // The opposite arrow pressed and released while one is held.
        const std::int16_t other = rng_.Chance(1, 2) ? (heldX_ == vbKeyLeft ? vbKeyRight : vbKeyLeft)
                                                     : (heldY_ == vbKeyUp ? vbKeyDown : vbKeyUp);
        key(run::EventKind::KeyDown, other);
        if (rng_.Chance(1, 2)) {
            key(run::EventKind::KeyUp, other);
            if (other == vbKeyLeft || other == vbKeyRight) {
                heldX_ = 0;
            } else {
                heldY_ = 0;
            }
        } else if (other == vbKeyLeft || other == vbKeyRight) {
            heldX_ = other;
        } else {
            heldY_ = other;
        }
    }
    if (rng_.Chance(1, 200)) {
        // Any other key: letters, modifiers, function keys, codes above 32767.
        const auto code = static_cast<std::int16_t>(rng_.Below(65536));
        key(run::EventKind::KeyDown, code);
        key(run::EventKind::KeyUp, code);
    }
    if (tick % 100 == 0) {
        out.push_back({tick, run::EventKind::Clock, 0});
    }
    if (rng_.Chance(1, 40000)) {
        out.push_back({tick, run::EventKind::Reset, 0});
    }
}

}  // namespace dravik::props
