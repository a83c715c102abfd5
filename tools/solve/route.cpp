#include "solve/route.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <string>
#include <unordered_map>

#include "game/rect.h"

namespace dravik::solve {

namespace {

constexpr std::uint32_t kNever = std::numeric_limits<std::uint32_t>::max();

std::uint16_t Clamp(std::uint32_t ticks)
{
    return static_cast<std::uint16_t>(std::min<std::uint32_t>(ticks, kFar));
}

RECT SquareRect(const Shape& square, int left, int top)
{
    Shape s = square;
    s.Left = static_cast<float>(left);
    s.Top = static_cast<float>(top);
    return RectOf(s);
}

bool Overlaps(const RECT& a, const RECT& b)
{
    RECT hit;
    return IntersectRect(hit, a, b) != 0;
}

// The Left values on the grid at which the square overlaps a key, and the
// Top values likewise: the open ranges (key - square, key + key size).
struct Touch {
    int firstColumn, lastColumn;
    int firstRow, lastRow;
};

Touch TouchOf(const Shape& key, const Shape& square)
{
    const double left = key.Left, top = key.Top;
    const double lo = left - square.Width, hi = left + key.Width;
    const double loY = top - square.Height, hiY = top + key.Height;
    Touch t;
    t.firstColumn = static_cast<int>(std::floor(lo / kPitch)) + 1;
    t.lastColumn = static_cast<int>(std::ceil(hi / kPitch)) - 1;
    t.firstRow = static_cast<int>(std::floor(loY / kPitch)) + 1;
    t.lastRow = static_cast<int>(std::ceil(hiY / kPitch)) - 1;
    return t;
}

// The free cell in column i nearest to the row that centres the square on
// the key, within the rows that touch it; -1 when there is none.
int AimInColumn(const StaticMap& map, const Shape& key, const Shape& square, int i)
{
    if (i < 0 || i >= map.Width()) {
        return -1;
    }
    const Touch t = TouchOf(key, square);
    const double centre = (key.Top + (key.Height - square.Height) / 2.0) / kPitch;
    const int ideal = static_cast<int>(std::lround(centre));
    for (int d = 0; d <= t.lastRow - t.firstRow; ++d) {
        for (int j : {ideal - d, ideal + d}) {
            if (j >= t.firstRow && j <= t.lastRow && j >= 0 && j < map.Height() && map.Free(map.CellOf(i, j))) {
                return map.CellOf(i, j);
            }
        }
    }
    return -1;
}

// True when the square can slide straight up or down column i between two
// cells of it.
bool ClearColumn(const StaticMap& map, int from, int to)
{
    const int i = map.ColumnOf(from);
    int a = map.RowOf(from), b = map.RowOf(to);
    if (a > b) {
        std::swap(a, b);
    }
    for (int j = a; j <= b; ++j) {
        if (!map.Free(map.CellOf(i, j))) {
            return false;
        }
    }
    return true;
}

// Keys touched one after another by a sweep down column i, starting from
// `seed` and taking in unassigned neighbours above and below while the gap
// between two tops stays within what a square touches at once.
std::vector<int> SweepFrom(const Level& level, const StaticMap& map, int seed, int i, const std::vector<bool>& assigned)
{
    const Shape& square = level.Square;
    std::vector<int> candidates;
    for (std::int16_t k = 0; k <= level.Key.UBound(); ++k) {
        const Touch t = TouchOf(level.Key.Item(k), square);
        if (!assigned[static_cast<std::size_t>(k)] && i >= t.firstColumn && i <= t.lastColumn &&
            AimInColumn(map, level.Key.Item(k), square, i) >= 0) {
            candidates.push_back(k);
        }
    }
    auto topOf = [&](int k) { return level.Key.Item(static_cast<std::int16_t>(k)).Top; };
    std::stable_sort(candidates.begin(), candidates.end(), [&](int a, int b) { return topOf(a) < topOf(b); });
    const auto at = std::find(candidates.begin(), candidates.end(), seed);
    if (at == candidates.end()) {
        return {};
    }
    const double reach = square.Height + level.Key.Item(static_cast<std::int16_t>(seed)).Height;
    auto linked = [&](int a, int b) {
        const Shape& ka = level.Key.Item(static_cast<std::int16_t>(a));
        const Shape& kb = level.Key.Item(static_cast<std::int16_t>(b));
        return std::fabs(static_cast<double>(kb.Top) - ka.Top) <= reach &&
               ClearColumn(map, AimInColumn(map, ka, square, i), AimInColumn(map, kb, square, i));
    };
    const std::size_t s = static_cast<std::size_t>(at - candidates.begin());
    std::size_t lo = s, hi = s;
    while (lo > 0 && linked(candidates[lo - 1], candidates[lo])) {
        --lo;
    }
    while (hi + 1 < candidates.size() && linked(candidates[hi], candidates[hi + 1])) {
        ++hi;
    }
    return std::vector<int>(candidates.begin() + static_cast<std::ptrdiff_t>(lo),
                            candidates.begin() + static_cast<std::ptrdiff_t>(hi) + 1);
}

}  // namespace

StaticMap::StaticMap(const Level& level)
{
    std::vector<RECT> blocks;
    double right = 0, bottom = 0;
    for (std::int16_t w = 0; w <= level.Wall.UBound(); ++w) {
        const Shape& wall = level.Wall.Item(w);
        blocks.push_back(RectOf(wall));
        right = std::max(right, static_cast<double>(wall.Left) + wall.Width);
        bottom = std::max(bottom, static_cast<double>(wall.Top) + wall.Height);
    }
    // The field's balls never move and are deadly; the harmless ones among
    // them mark the safe path and are left out.
    for (std::int16_t b = 0; b <= level.Balls13.UBound(); ++b) {
        blocks.push_back(RectOf(level.Balls13.Item(b)));
    }
    width_ = static_cast<int>(std::ceil(right / kPitch)) + 1;
    height_ = static_cast<int>(std::ceil(bottom / kPitch)) + 1;
    free_.assign(static_cast<std::size_t>(Cells()), 1);
    for (int j = 0; j < height_; ++j) {
        for (int i = 0; i < width_; ++i) {
            const RECT r = SquareRect(level.Square, i * kPitch, j * kPitch);
            for (const RECT& b : blocks) {
                if (Overlaps(r, b)) {
                    free_[static_cast<std::size_t>(CellOf(i, j))] = 0;
                    break;
                }
            }
        }
    }
}

int StaticMap::CellAt(float left, float top) const
{
    const int i = static_cast<int>(std::floor(left / kPitch));
    const int j = static_cast<int>(std::floor(top / kPitch));
    if (i < 0 || j < 0 || i >= width_ || j >= height_) {
        return -1;
    }
    return CellOf(i, j);
}

Field DistanceField(const StaticMap& map, const std::vector<int>& sources)
{
    Field field(static_cast<std::size_t>(map.Cells()), kFar);
    std::vector<int> queue;
    queue.reserve(static_cast<std::size_t>(map.Cells()));
    for (int c : sources) {
        if (c >= 0 && map.Free(c) && field[static_cast<std::size_t>(c)] == kFar) {
            field[static_cast<std::size_t>(c)] = 0;
            queue.push_back(c);
        }
    }
    // The queue keeps each cell's column and row beside it, so that no cell
    // number is ever divided back into them.
    const int w = map.Width(), h = map.Height();
    std::vector<std::pair<int, int>> places;
    places.reserve(queue.size());
    for (int c : queue) {
        places.emplace_back(map.ColumnOf(c), map.RowOf(c));
    }
    for (std::size_t head = 0; head < queue.size(); ++head) {
        const int c = queue[head];
        const auto [i, j] = places[head];
        const auto next = static_cast<std::uint16_t>(field[static_cast<std::size_t>(c)] + 1);
        for (int dj = -1; dj <= 1; ++dj) {
            for (int di = -1; di <= 1; ++di) {
                const int ni = i + di, nj = j + dj;
                if ((di == 0 && dj == 0) || ni < 0 || nj < 0 || ni >= w || nj >= h) {
                    continue;
                }
                const int n = map.CellOf(ni, nj);
                if (map.Free(n) && field[static_cast<std::size_t>(n)] == kFar) {
                    field[static_cast<std::size_t>(n)] = next;
                    queue.push_back(n);
                    places.emplace_back(ni, nj);
                }
            }
        }
    }
    // A square pressed into a wall is pushed back out next tick: rate it one
    // tick behind its best free neighbour.
    Field pressed = field;
    for (int j = 0; j < h; ++j) {
        for (int i = 0; i < w; ++i) {
            const int c = map.CellOf(i, j);
            if (map.Free(c)) {
                continue;
            }
            std::uint16_t best = kFar;
            for (int dj = -1; dj <= 1; ++dj) {
                for (int di = -1; di <= 1; ++di) {
                    const int ni = i + di, nj = j + dj;
                    if (ni >= 0 && nj >= 0 && ni < w && nj < h && map.Free(map.CellOf(ni, nj))) {
                        best = std::min(best, field[static_cast<std::size_t>(map.CellOf(ni, nj))]);
                    }
                }
            }
            if (best != kFar) {
                pressed[static_cast<std::size_t>(c)] = static_cast<std::uint16_t>(best + 1);
            }
        }
    }
    return pressed;
}

std::vector<Lane> BuildLanes(const Level& level, const StaticMap& map)
{
    const Shape& square = level.Square;
    const std::size_t keyCount = static_cast<std::size_t>(level.Key.UBound()) + 1;
    std::vector<int> byRightEdge;
    for (std::size_t k = 0; k < keyCount; ++k) {
        byRightEdge.push_back(static_cast<int>(k));
    }
    auto keyAt = [&](int k) -> const Shape& { return level.Key.Item(static_cast<std::int16_t>(k)); };
    std::stable_sort(byRightEdge.begin(), byRightEdge.end(), [&](int a, int b) {
        const Touch ta = TouchOf(keyAt(a), square), tb = TouchOf(keyAt(b), square);
        if (ta.lastColumn != tb.lastColumn) {
            return ta.lastColumn < tb.lastColumn;
        }
        return keyAt(a).Top < keyAt(b).Top;
    });

    std::vector<bool> assigned(keyCount, false);
    std::vector<Lane> lanes;
    for (int seed : byRightEdge) {
        if (assigned[static_cast<std::size_t>(seed)]) {
            continue;
        }
        // Every column that touches the seed key; keep those whose sweep
        // takes in the most keys, and of those the middle one.
        const Touch t = TouchOf(keyAt(seed), square);
        std::size_t most = 0;
        std::vector<std::pair<int, std::vector<int>>> best;
        for (int i = t.firstColumn; i <= t.lastColumn; ++i) {
            std::vector<int> sweep = SweepFrom(level, map, seed, i, assigned);
            if (sweep.empty() || sweep.size() < most) {
                continue;
            }
            if (sweep.size() > most) {
                most = sweep.size();
                best.clear();
            }
            best.emplace_back(i, std::move(sweep));
        }
        if (best.empty()) {
            throw std::runtime_error("key " + std::to_string(seed) + " cannot be touched from any free cell");
        }
        const auto& [column, keys] = best[best.size() / 2];
        Lane lane;
        for (int k : keys) {
            assigned[static_cast<std::size_t>(k)] = true;
            lane.keys.push_back(k);
            lane.aims.push_back(AimInColumn(map, keyAt(k), square, column));
        }
        lanes.push_back(std::move(lane));
    }
    return lanes;
}

RoutePlanner::RoutePlanner(const Level& level, const StaticMap& map) : lanes_(BuildLanes(level, map))
{
    const std::size_t keyCount = static_cast<std::size_t>(level.Key.UBound()) + 1;
    for (int c = 0; c < map.Cells(); ++c) {
        if (map.Free(c)) {
            const RECT r = SquareRect(level.Square, map.ColumnOf(c) * kPitch, map.RowOf(c) * kPitch);
            if (Overlaps(r, RectOf(level.shpGoal))) {
                goalCells_.push_back(c);
            }
        }
    }
    const int start = map.CellAt(level.Square.Left, level.Square.Top);

    // Travel between every pair of aims, from the start, and to the goal.
    std::vector<int> aimOf(keyCount, -1);
    for (const Lane& lane : lanes_) {
        for (std::size_t n = 0; n < lane.keys.size(); ++n) {
            aimOf[static_cast<std::size_t>(lane.keys[n])] = lane.aims[n];
        }
    }
    between_.assign(keyCount, std::vector<std::uint32_t>(keyCount));
    fromStart_.assign(keyCount, 0);
    toGoal_.assign(keyCount, 0);
    std::unordered_map<int, Field> fields;  // by aim cell: keys can share one
    for (std::size_t b = 0; b < keyCount; ++b) {
        auto kept = fields.find(aimOf[b]);
        if (kept == fields.end()) {
            kept = fields.emplace(aimOf[b], DistanceField(map, {aimOf[b]})).first;
        }
        const Field& field = kept->second;
        for (std::size_t a = 0; a < keyCount; ++a) {
            between_[a][b] = field[static_cast<std::size_t>(aimOf[a])];
        }
        fromStart_[b] = field[static_cast<std::size_t>(start)];
    }
    const Field goal = DistanceField(map, goalCells_);
    for (std::size_t a = 0; a < keyCount; ++a) {
        toGoal_[a] = goal[static_cast<std::size_t>(aimOf[a])];
    }
    startToGoal_ = goal[static_cast<std::size_t>(start)];

    inside_.assign(lanes_.size(), 0);
    for (std::size_t l = 0; l < lanes_.size(); ++l) {
        for (std::size_t m = 1; m < lanes_[l].keys.size(); ++m) {
            inside_[l] +=
                between_[static_cast<std::size_t>(lanes_[l].keys[m - 1])][static_cast<std::size_t>(lanes_[l].keys[m])];
        }
    }

    // Held-Karp from the far end: finish_ holds, for every set of lanes
    // swept and the sweep that ended last, the fewest ticks through the
    // remaining lanes to the goal.
    const std::size_t n = lanes_.size();
    if (n == 0 || n > kMostLanes) {
        return;
    }
    const std::size_t full = (std::size_t{1} << n) - 1;
    finish_.assign((full + 1) * n * 2, kFar);
    for (std::size_t mask = full; mask > 0; --mask) {
        for (std::size_t l = 0; l < n; ++l) {
            if (!(mask & (std::size_t{1} << l))) {
                continue;
            }
            for (Sweep s : SweepsOf(l)) {
                const std::uint32_t ticks =
                    mask == full ? toGoal_[static_cast<std::size_t>(Exit(s))] : BestNext(mask, Exit(s), {}).ticks;
                finish_[Slot(mask, s)] = Clamp(ticks);
            }
        }
    }
}

int RoutePlanner::Entry(Sweep s) const
{
    const Lane& lane = lanes_[s.lane];
    return s.up ? lane.keys.back() : lane.keys.front();
}

int RoutePlanner::Exit(Sweep s) const
{
    const Lane& lane = lanes_[s.lane];
    return s.up ? lane.keys.front() : lane.keys.back();
}

std::vector<RoutePlanner::Sweep> RoutePlanner::SweepsOf(std::size_t lane) const
{
    // A lane of one key is the same either way.
    if (lanes_[lane].keys.size() == 1) {
        return {Sweep{lane, false}};
    }
    return {Sweep{lane, false}, Sweep{lane, true}};
}

std::uint32_t RoutePlanner::Hop(int fromKey, Sweep to) const
{
    const auto entry = static_cast<std::size_t>(Entry(to));
    const std::uint32_t travel = fromKey < 0 ? fromStart_[entry] : between_[static_cast<std::size_t>(fromKey)][entry];
    return travel + inside_[to.lane];
}

std::size_t RoutePlanner::Slot(std::size_t mask, Sweep s) const
{
    return (mask * lanes_.size() + s.lane) * 2 + (s.up ? 1 : 0);
}

std::uint32_t RoutePlanner::Finish(std::size_t mask, Sweep last) const
{
    return finish_.empty() ? kNever : finish_[Slot(mask, last)];
}

RoutePlanner::Step RoutePlanner::BestNext(std::size_t mask, int at, const std::vector<Sweep>& barred) const
{
    Step best{Sweep{}, kNever};
    for (std::size_t m = 0; m < lanes_.size(); ++m) {
        if (mask & (std::size_t{1} << m)) {
            continue;
        }
        for (Sweep s : SweepsOf(m)) {
            if (std::find(barred.begin(), barred.end(), s) != barred.end()) {
                continue;
            }
            const std::uint32_t rest = finish_.empty() ? 0 : Finish(mask | (std::size_t{1} << m), s);
            if (rest == kFar) {
                continue;
            }
            const std::uint32_t ticks = Hop(at, s) + rest;
            if (ticks < best.ticks) {
                best = Step{s, ticks};
            }
        }
    }
    return best;
}

std::vector<Route> RoutePlanner::Tours(std::size_t count) const
{
    const std::size_t n = lanes_.size();
    std::vector<Route> tours;
    if (count == 0 || n == 0) {
        return tours;
    }
    // The rest of a tour after a prefix: the best next sweep and so on,
    // read from the table (or nearest first when there is none).
    auto complete = [&](std::vector<Sweep> prefix, std::vector<Sweep> barred) {
        std::size_t mask = 0;
        for (Sweep s : prefix) {
            mask |= std::size_t{1} << s.lane;
        }
        while (prefix.size() < n) {
            const int at = prefix.empty() ? -1 : Exit(prefix.back());
            Step next = BestNext(mask, at, barred);
            if (finish_.empty()) {
                // Nearest first: judge by the hop alone.
                next = Step{Sweep{}, kNever};
                for (std::size_t m = 0; m < n; ++m) {
                    for (Sweep s : SweepsOf(m)) {
                        if (!(mask & (std::size_t{1} << m)) && Hop(at, s) < next.ticks) {
                            next = Step{s, Hop(at, s)};
                        }
                    }
                }
            }
            if (next.ticks == kNever) {
                return std::vector<Sweep>{};
            }
            prefix.push_back(next.sweep);
            mask |= std::size_t{1} << next.sweep.lane;
            barred.clear();
        }
        return prefix;
    };
    auto length = [&](const std::vector<Sweep>& tour) {
        std::uint32_t ticks = 0;
        int at = -1;
        for (Sweep s : tour) {
            ticks += Hop(at, s);
            at = Exit(s);
        }
        return ticks + toGoal_[static_cast<std::size_t>(at)];
    };

    const std::vector<Sweep> best = complete({}, {});
    if (best.empty()) {
        return tours;
    }
    if (finish_.empty()) {
        tours.push_back(Build(best));
        return tours;
    }

    // Lawler's way to the next best tours: each tour taken splits what is
    // left into tours that share its first i sweeps and differ at the next.
    struct Part {
        std::uint32_t ticks;
        std::uint64_t made;
        std::vector<Sweep> prefix, barred, tour;
    };
    auto later = [](const Part& a, const Part& b) { return a.ticks != b.ticks ? a.ticks > b.ticks : a.made > b.made; };
    std::vector<Part> parts;
    std::uint64_t made = 0;
    parts.push_back(Part{length(best), made++, {}, {}, best});
    while (!parts.empty() && tours.size() < count) {
        std::pop_heap(parts.begin(), parts.end(), later);
        Part part = std::move(parts.back());
        parts.pop_back();
        tours.push_back(Build(part.tour));
        for (std::size_t i = part.prefix.size(); i < n; ++i) {
            std::vector<Sweep> prefix(part.tour.begin(), part.tour.begin() + static_cast<std::ptrdiff_t>(i));
            std::vector<Sweep> barred = i == part.prefix.size() ? part.barred : std::vector<Sweep>{};
            barred.push_back(part.tour[i]);
            std::vector<Sweep> tour = complete(prefix, barred);
            if (!tour.empty()) {
                parts.push_back(Part{length(tour), made++, std::move(prefix), std::move(barred), std::move(tour)});
                std::push_heap(parts.begin(), parts.end(), later);
            }
        }
    }
    return tours;
}

Route RoutePlanner::Build(const std::vector<Sweep>& tour) const
{
    Route route;
    route.goalCells = goalCells_;
    for (Sweep s : tour) {
        std::vector<int> keys = lanes_[s.lane].keys;
        std::vector<int> aims = lanes_[s.lane].aims;
        if (s.up) {
            std::reverse(keys.begin(), keys.end());
            std::reverse(aims.begin(), aims.end());
        }
        route.sweeps.push_back(route.order.size());
        route.order.insert(route.order.end(), keys.begin(), keys.end());
        route.aims.insert(route.aims.end(), aims.begin(), aims.end());
    }
    route.remaining.assign(route.order.size(), 0);
    for (std::size_t s = route.order.size(); s-- > 0;) {
        const auto key = static_cast<std::size_t>(route.order[s]);
        route.remaining[s] = s + 1 == route.order.size()
                                 ? toGoal_[key]
                                 : between_[key][static_cast<std::size_t>(route.order[s + 1])] + route.remaining[s + 1];
    }
    route.length = route.order.empty() ? startToGoal_
                                       : fromStart_[static_cast<std::size_t>(route.order.front())] + route.remaining[0];
    return route;
}

}  // namespace dravik::solve
