#include "solve/bound.h"

#include <algorithm>
#include <array>
#include <limits>
#include <stdexcept>

#include "game/form.h"
#include "solve/deadly_balls.h"
#include "solve/position_set.h"
#include "solve/tick_state.h"

namespace dravik::solve {

namespace {

constexpr int kGridSteps = 1024;  // of 15 twips: beyond every wall
// How far above the first ceiling the search with balls looks next, and the
// latest tick it looks at.
constexpr std::uint64_t kCeilingStep = 64;
constexpr std::uint64_t kMostTicks = 30000;

bool Touches(const Shape& square, const Shape& object)
{
    RECT player = RectOf(square), obj, hit;
    return OverlapTest(object, player, obj, hit);
}

// Calls touched(k) for each member k of a group without gaps that the square
// overlaps, in index order.
template <typename Touched>
void ForEachTouched(const Shape& square, const ControlGroup& group, Touched touched)
{
    const Shape* members = group.Contiguous();
    if (members == nullptr) {
        throw std::logic_error("a group has a gap");
    }
    const RECT player = RectOf(square);
    const std::int16_t last = group.UBound();
    for (std::int16_t k = 0; k <= last; ++k) {
        k = NextContact(members, k, last, player);
        if (Touches(square, members[k])) {
            touched(k);
        }
    }
}

// A set of subsets of at most 8 keys, one bit for each subset (bit s for the
// subset whose members are the bits of s).
struct Subsets {
    std::array<std::uint64_t, 4> words{};

    bool Any() const { return (words[0] | words[1] | words[2] | words[3]) != 0; }
    bool Has(std::size_t s) const { return (words[s / 64] >> (s % 64)) & 1U; }
    static Subsets Only(std::size_t s)
    {
        Subsets out;
        out.words[s / 64] = std::uint64_t{1} << (s % 64);
        return out;
    }
    // Every subset joined with key i: a subset without i moves to the one with it.
    void Join(std::size_t i)
    {
        if (i < 6) {
            // Within each word: the subsets with bit i set, as a pattern of bits.
            static constexpr std::array<std::uint64_t, 6> kWith = {0xAAAAAAAAAAAAAAAAULL, 0xCCCCCCCCCCCCCCCCULL,
                                                                   0xF0F0F0F0F0F0F0F0ULL, 0xFF00FF00FF00FF00ULL,
                                                                   0xFFFF0000FFFF0000ULL, 0xFFFFFFFF00000000ULL};
            for (std::uint64_t& w : words) {
                w = (w & kWith[i]) | ((w & ~kWith[i]) << (1U << i));
            }
        } else {
            const std::size_t stride = std::size_t{1} << (i - 6);  // in words
            for (std::size_t w = 0; w < words.size(); ++w) {
                if ((w & stride) == 0) {
                    words[w + stride] |= words[w];
                    words[w] = 0;
                }
            }
        }
    }
    // The subsets of `other` that this set lacks, added to it.
    Subsets AddNew(const Subsets& other)
    {
        Subsets fresh;
        for (std::size_t w = 0; w < words.size(); ++w) {
            fresh.words[w] = other.words[w] & ~words[w];
            words[w] |= fresh.words[w];
        }
        return fresh;
    }
    void Add(const Subsets& other)
    {
        for (std::size_t w = 0; w < words.size(); ++w) {
            words[w] |= other.words[w];
        }
    }
};

}  // namespace

PlaceGraph::PlaceGraph() : seen_(kGridSteps, kGridSteps)
{
    const Form level;
    keyCount_ = level.Key.UBound() + 1;
    Form parked;
    ParkBalls(parked);
    Form work = parked;

    // Breadth first over the places where a tick can begin, from the start
    // point: one real tick with no arrow held and no ball anywhere gives
    // where its checks see the square (only the push-out moves it; no key is
    // hidden, so it cannot win), and the nine steps from there the places
    // where the next tick can begin.
    struct Place {
        float left, top;
    };
    std::vector<Place> places;
    PositionSet& seen = seen_;
    auto reach = [&](float left, float top) {
        const auto place = static_cast<std::uint32_t>(places.size());
        if (!seen.Insert(left, top, place)) {
            return seen.Find(left, top);
        }
        places.push_back(Place{left, top});
        return place;
    };
    reach(level.Square.Left, level.Square.Top);
    firstKey_.push_back(0);
    // The places grow as they are visited, so they are taken by index.
    for (std::uint32_t p = 0; p < places.size(); ++p) {  // NOLINT(modernize-loop-convert)
        work.Square.Left = places[p].left;
        work.Square.Top = places[p].top;
        work.tmrBall_Timer();
        Shape checked = level.Square;
        checked.Left = work.Square.Left;
        checked.Top = work.Square.Top;
        bool deadly = false;
        ForEachTouched(checked, level.Balls13, [&](std::int16_t) { deadly = true; });
        goal_.push_back(Touches(checked, level.shpGoal) ? 1 : 0);
        checked_.push_back(RectOf(checked));
        std::array<std::uint32_t, 9> to{};
        to.fill(kNowhere);
        // A death shows every key again before the key pickup: a deadly
        // place touches none and leads nowhere.
        if (!deadly) {
            ForEachTouched(checked, level.Key,
                           [&](std::int16_t k) { touched_.push_back(static_cast<std::uint8_t>(k)); });
            std::size_t n = 0;
            constexpr std::array<std::int16_t, 3> kSteps = {-30, 0, 30};
            for (std::int16_t dx : kSteps) {
                for (std::int16_t dy : kSteps) {
                    to[n++] = reach(AddStep(checked.Left, dx), AddStep(checked.Top, dy));
                }
            }
        }
        firstKey_.push_back(static_cast<std::uint32_t>(touched_.size()));
        next_.push_back(to);
        CopyTickState(parked, work);
        Shape* keys = work.Key.Contiguous();
        for (std::int16_t k = 0; k <= work.Key.UBound(); ++k) {
            keys[k].Visible = true;
        }
    }
    if (keyCount_ > 256) {
        throw std::logic_error("the bound counts at most 256 keys");
    }
    // Where each place can be reached from.
    const std::size_t n = next_.size();
    firstFrom_.assign(n + 1, 0);
    for (const auto& to : next_) {
        for (std::uint32_t q : to) {
            firstFrom_[q + 1] += q != kNowhere ? 1 : 0;
        }
    }
    for (std::size_t q = 1; q <= n; ++q) {
        firstFrom_[q] += firstFrom_[q - 1];
    }
    from_.resize(firstFrom_.back());
    std::vector<std::uint32_t> filled(firstFrom_.begin(), firstFrom_.end() - 1);
    for (std::uint32_t p = 0; p < n; ++p) {
        for (std::uint32_t q : next_[p]) {
            if (q != kNowhere) {
                from_[filled[q]++] = p;
            }
        }
    }
}

std::uint64_t PlaceGraph::EarliestWin(std::span<const int> keys) const
{
    return Earliest(keys, true);
}

std::uint64_t PlaceGraph::EarliestTouch(std::span<const int> keys) const
{
    return Earliest(keys, false);
}

std::uint64_t PlaceGraph::Earliest(std::span<const int> keys, bool win) const
{
    if (keys.size() > 8) {
        throw std::logic_error("the bound follows at most 8 keys at once");
    }
    const std::vector<std::uint8_t> touches = TouchBits(keys);
    const std::size_t all = (std::size_t{1} << keys.size()) - 1;
    // Layer by layer: a place with the subsets of the followed keys touched in
    // the ticks before the one that begins there, each pair met first in
    // this layer. Layer f holds the places where tick f + 1 begins.
    std::vector<Subsets> reached(next_.size()), fresh(next_.size()), arriving(next_.size());
    std::vector<std::uint32_t> now{0}, later;
    reached[0] = fresh[0] = Subsets::Only(0);
    for (std::uint64_t layer = 0; !now.empty(); ++layer) {
        later.clear();
        for (std::uint32_t p : now) {
            Subsets s = fresh[p];
            fresh[p] = Subsets{};
            if (win && goal_[p] != 0 && s.Has(all)) {
                return layer + 1;  // every followed key touched before this tick, whose goal check can win
            }
            for (std::size_t b = 0; b < keys.size(); ++b) {
                if ((touches[p] >> b) & 1U) {
                    s.Join(b);
                }
            }
            if (!win && s.Has(all)) {
                return layer + 1;  // the last of them touched in this tick
            }
            for (std::uint32_t q : next_[p]) {
                if (q == kNowhere) {
                    continue;
                }
                const Subsets added = reached[q].AddNew(s);
                if (added.Any()) {
                    if (!arriving[q].Any()) {
                        later.push_back(q);
                    }
                    arriving[q].Add(added);
                }
            }
        }
        // What arrived in this layer is what the next one starts from.
        now.swap(later);
        for (std::uint32_t q : now) {
            fresh[q] = arriving[q];
            arriving[q] = Subsets{};
        }
    }
    return 0;
}

std::vector<std::uint64_t> PlaceGraph::EarliestWinThroughEachKey() const
{
    // Forward, the fewest ticks from the start point to each place; backward,
    // the fewest from each place to one whose checks touch the goal.
    const std::size_t n = next_.size();
    std::vector<std::uint32_t> fromStart(n, kNowhere), toGoal, queue{0};
    fromStart[0] = 0;
    for (std::size_t head = 0; head < queue.size(); ++head) {
        const std::uint32_t p = queue[head];
        for (std::uint32_t q : next_[p]) {
            if (q != kNowhere && fromStart[q] == kNowhere) {
                fromStart[q] = fromStart[p] + 1;
                queue.push_back(q);
            }
        }
    }
    toGoal = TicksTo(Goals());
    // A key touched in the tick that begins at p: the win comes in a later
    // tick, at a place one step or more on.
    std::vector<std::uint64_t> wins(static_cast<std::size_t>(keyCount_), 0);
    std::vector<std::uint64_t> best(static_cast<std::size_t>(keyCount_), std::numeric_limits<std::uint64_t>::max());
    for (std::uint32_t p = 0; p < n; ++p) {
        std::uint32_t after = kNowhere;
        for (std::uint32_t q : next_[p]) {
            if (q != kNowhere && toGoal[q] != kNowhere) {
                after = std::min(after, toGoal[q] + 1);
            }
        }
        if (fromStart[p] == kNowhere || after == kNowhere) {
            continue;
        }
        const std::uint64_t win = std::uint64_t{fromStart[p]} + 1 + after;
        for (std::uint32_t i = firstKey_[p]; i < firstKey_[p + 1]; ++i) {
            best[touched_[i]] = std::min(best[touched_[i]], win);
        }
    }
    for (std::size_t k = 0; k < best.size(); ++k) {
        wins[k] = best[k] == std::numeric_limits<std::uint64_t>::max() ? 0 : best[k];
    }
    return wins;
}

std::uint64_t PlaceGraph::EarliestWinAmongBalls(std::span<const int> keys, DeadlyBalls& balls) const
{
    if (keys.empty() || keys.size() > 8) {
        throw std::logic_error("the bound follows one to 8 keys at once");
    }
    const std::size_t n = next_.size(), count = keys.size();
    const std::size_t all = (std::size_t{1} << count) - 1;
    const std::vector<std::uint8_t> touches = TouchBits(keys);
    std::vector<std::vector<std::uint32_t>> touching(count);
    for (std::uint32_t p = 0; p < n; ++p) {
        for (std::size_t b = 0; b < count; ++b) {
            if ((touches[p] >> b) & 1U) {
                touching[b].push_back(p);
            }
        }
    }
    // Without balls, the fewest ticks from a tick beginning at each place
    // to one that touches each key, or that sees the goal.
    const std::vector<std::uint32_t> toGoal = TicksTo(Goals());
    std::vector<std::vector<std::uint32_t>> toKey(count);
    for (std::size_t b = 0; b < count; ++b) {
        toKey[b] = TicksTo(touching[b]);
    }
    // From a tick that touches key a to a later one that touches key b (0
    // when one tick can touch both), or that sees the goal.
    auto after = [&](std::size_t a, const std::vector<std::uint32_t>& to) {
        std::uint64_t best = kNowhere;
        for (std::uint32_t p : touching[a]) {
            for (std::uint32_t q : next_[p]) {
                if (q != kNowhere && to[q] != kNowhere) {
                    best = std::min<std::uint64_t>(best, to[q] + 1U);
                }
            }
        }
        return best;
    };
    std::vector<std::array<std::uint64_t, 8>> between(count);
    std::array<std::uint64_t, 8> finish{};
    for (std::size_t a = 0; a < count; ++a) {
        finish[a] = after(a, toGoal);
        for (std::size_t b = 0; b < count; ++b) {
            between[a][b] = after(a, toKey[b]);
            for (std::uint32_t p : touching[a]) {
                if ((touches[p] >> b) & 1U) {
                    between[a][b] = 0;
                    break;
                }
            }
        }
    }
    // rest[a][t]: the fewest ticks, without balls, from a tick that touches
    // key a, with the keys of t (a among them) touched, to the win: the
    // others in the best order, by the legs above, then the goal.
    std::vector<std::vector<std::uint64_t>> rest(count, std::vector<std::uint64_t>(all + 1, kNowhere));
    for (std::size_t t = all + 1; t-- > 0;) {
        for (std::size_t a = 0; a < count; ++a) {
            if (((t >> a) & 1U) == 0) {
                continue;
            }
            if (t == all) {
                rest[a][t] = finish[a];
                continue;
            }
            for (std::size_t b = 0; b < count; ++b) {
                if (((t >> b) & 1U) == 0 && between[a][b] != kNowhere &&
                    rest[b][t | (std::size_t{1} << b)] != kNowhere) {
                    rest[a][t] = std::min(rest[a][t], between[a][b] + rest[b][t | (std::size_t{1} << b)]);
                }
            }
        }
    }
    // within[b][v]: the sets of touched keys, without key b, from which a
    // run that touches b next could still win within v ticks of touching it.
    std::uint64_t longest = 0;
    for (std::size_t b = 0; b < count; ++b) {
        for (std::size_t t = 0; t <= all; ++t) {
            if (((t >> b) & 1U) != 0 && rest[b][t] != kNowhere) {
                longest = std::max(longest, rest[b][t]);
            }
        }
    }
    std::vector<std::vector<Subsets>> within(count, std::vector<Subsets>(longest + 1));
    for (std::size_t b = 0; b < count; ++b) {
        for (std::size_t t = 0; t <= all; ++t) {
            const std::size_t with = t | (std::size_t{1} << b);
            if (((t >> b) & 1U) == 0 && rest[b][with] != kNowhere) {
                within[b][rest[b][with]].words[t / 64] |= std::uint64_t{1} << (t % 64);
            }
        }
        for (std::uint64_t v = 1; v <= longest; ++v) {
            within[b][v].Add(within[b][v - 1]);
        }
    }
    // The win's tick is at least the tick that begins at p, plus the
    // fewest ticks from there to the next key, plus the rest.
    // The same distances side by side, a place's in one line of memory.
    std::vector<std::array<std::uint32_t, 9>> near(n);
    for (std::uint32_t p = 0; p < n; ++p) {
        near[p][0] = toGoal[p];
        for (std::size_t b = 0; b < count; ++b) {
            near[p][b + 1] = toKey[b][p];
        }
    }
    auto hopeful = [&](std::uint32_t p, std::uint64_t slack) {
        Subsets keep;
        const auto& to = near[p];
        if (to[0] <= slack) {
            keep.words[all / 64] |= std::uint64_t{1} << (all % 64);
        }
        for (std::size_t b = 0; b < count; ++b) {
            if (to[b + 1] <= slack) {
                keep.Add(within[b][std::min<std::uint64_t>(longest, slack - to[b + 1])]);
            }
        }
        return keep;
    };

    // Layer by layer, every place where a tick begins that a run reaches
    // alive, with the subsets of the keys touched in earlier ticks of its
    // stretch without a death; a stretch may begin on the start point in any
    // tick. Only runs that could still win by the ceiling, were there no
    // balls from here on, are followed: the ceiling rises until one wins.
    std::uint64_t ceiling = 0;
    for (std::size_t b = 0; b < count; ++b) {
        if (toKey[b][0] != kNowhere && rest[b][std::size_t{1} << b] != kNowhere) {
            const std::uint64_t h = 1 + toKey[b][0] + rest[b][std::size_t{1} << b];
            ceiling = ceiling == 0 ? h : std::min(ceiling, h);
        }
    }
    if (ceiling == 0) {
        return 0;
    }
    std::vector<Subsets> now(n), later(n);
    std::vector<std::uint32_t> places, arriving, stamp(n, 0);
    for (std::uint64_t step = kCeilingStep;; ceiling += step) {
        std::fill(stamp.begin(), stamp.end(), 0);
        places.clear();
        for (std::uint64_t tick = 1; tick <= ceiling; ++tick) {
            if (stamp[0] != tick) {
                stamp[0] = static_cast<std::uint32_t>(tick);
                places.push_back(0);
            }
            now[0].words[0] |= 1U;  // a stretch that begins now
            arriving.clear();
            for (std::uint32_t p : places) {
                Subsets s = now[p];
                now[p] = Subsets{};
                if (goal_[p] != 0 && s.Has(all)) {
                    return tick;  // the goal check comes before the balls'
                }
                const Subsets keep = hopeful(p, ceiling - tick);
                for (std::size_t w = 0; w < s.words.size(); ++w) {
                    s.words[w] &= keep.words[w];
                }
                if (!s.Any() || balls.Hit(tick, checked_[p])) {
                    continue;
                }
                for (std::size_t b = 0; b < count; ++b) {
                    if ((touches[p] >> b) & 1U) {
                        s.Join(b);
                    }
                }
                for (std::uint32_t q : next_[p]) {
                    if (q == kNowhere) {
                        continue;
                    }
                    if (stamp[q] != tick + 1) {
                        stamp[q] = static_cast<std::uint32_t>(tick + 1);
                        arriving.push_back(q);
                        later[q] = Subsets{};
                    }
                    later[q].Add(s);
                }
            }
            places.swap(arriving);
            now.swap(later);
        }
        for (std::uint32_t p : places) {
            now[p] = Subsets{};
        }
        if (ceiling >= kMostTicks) {
            return 0;
        }
    }
}

std::vector<std::uint8_t> PlaceGraph::TouchBits(std::span<const int> keys) const
{
    std::vector<std::uint8_t> touches(next_.size(), 0);
    for (std::size_t p = 0; p < next_.size(); ++p) {
        for (std::uint32_t i = firstKey_[p]; i < firstKey_[p + 1]; ++i) {
            for (std::size_t b = 0; b < keys.size(); ++b) {
                if (touched_[i] == keys[b]) {
                    touches[p] |= static_cast<std::uint8_t>(1U << b);
                }
            }
        }
    }
    return touches;
}

std::vector<std::uint32_t> PlaceGraph::Goals() const
{
    std::vector<std::uint32_t> goals;
    for (std::uint32_t p = 0; p < next_.size(); ++p) {
        if (goal_[p] != 0) {
            goals.push_back(p);
        }
    }
    return goals;
}

std::vector<std::uint32_t> PlaceGraph::TicksTo(const std::vector<std::uint32_t>& sources) const
{
    std::vector<std::uint32_t> ticks(next_.size(), kNowhere), queue;
    for (std::uint32_t p : sources) {
        if (ticks[p] != 0) {
            ticks[p] = 0;
            queue.push_back(p);
        }
    }
    for (std::size_t head = 0; head < queue.size(); ++head) {
        const std::uint32_t q = queue[head];
        for (std::uint32_t i = firstFrom_[q]; i < firstFrom_[q + 1]; ++i) {
            if (ticks[from_[i]] == kNowhere) {
                ticks[from_[i]] = ticks[q] + 1;
                queue.push_back(from_[i]);
            }
        }
    }
    return ticks;
}

// Found by a search that added, one at a time, the key that raised the
// bound without balls most, and then put in each place every key of the
// right corridor, keeping the one that raised the bound among the balls
// most (docs/solver.md); any set of keys gives a sound bound.
constexpr std::array<int, 8> kFollowed = {70, 148, 10, 4, 39, 63, 6, 37};

std::span<const int> FollowedKeys()
{
    return kFollowed;
}

std::uint64_t WinTickLowerBound(const PlaceGraph& graph, DeadlyBalls& balls)
{
    return graph.EarliestWinAmongBalls(kFollowed, balls);
}

std::uint64_t WinTickLowerBound()
{
    DeadlyBalls balls;
    return WinTickLowerBound(PlaceGraph(), balls);
}

}  // namespace dravik::solve
