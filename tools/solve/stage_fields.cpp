#include "solve/stage_fields.h"

#include <algorithm>
#include <stdexcept>

namespace dravik::solve {

ReverseGraph::ReverseGraph(const PlaceGraph& graph) : graph_(graph)
{
    const auto n = static_cast<std::uint32_t>(graph.Places());
    first_.assign(n + 1, 0);
    for (std::uint32_t p = 0; p < n; ++p) {
        for (std::uint32_t q : graph.Next(p)) {
            if (q != PlaceGraph::kNowhere) {
                ++first_[q + 1];
            }
        }
    }
    for (std::uint32_t q = 0; q < n; ++q) {
        first_[q + 1] += first_[q];
    }
    from_.resize(first_[n]);
    std::vector<std::uint32_t> filled(first_.begin(), first_.end() - 1);
    for (std::uint32_t p = 0; p < n; ++p) {
        for (std::uint32_t q : graph.Next(p)) {
            // A place that leads to q by two arrow combinations is listed once.
            if (q != PlaceGraph::kNowhere && (filled[q] == first_[q] || from_[filled[q] - 1] != p)) {
                from_[filled[q]++] = p;
            }
        }
    }
    // Close the gaps the repeats left.
    std::uint32_t out = 0;
    for (std::uint32_t q = 0; q < n; ++q) {
        const std::uint32_t begin = first_[q], end = filled[q];
        first_[q] = out;
        for (std::uint32_t i = begin; i < end; ++i) {
            from_[out++] = from_[i];
        }
    }
    first_[n] = out;
    from_.resize(out);
}

StageFields::StageFields(const ReverseGraph& reverse, const std::vector<int>& order, const StageFields* like)
    : order_(order)
{
    const PlaceGraph& graph = reverse.Graph();
    places_ = graph.Places();
    stages_ = order.size() + 1;
    fields_.assign(stages_ * places_, kNoWin);
    // A stage's values depend on the keys from it on, and how far they
    // reach on the key just before it.
    std::size_t same = stages_;
    if (like != nullptr && like->order_.size() == order.size() && like->places_ == places_) {
        std::size_t from = order.size();
        while (from > 0 && order[from - 1] == like->order_[from - 1]) {
            --from;
        }
        same = from + 1;
        std::copy(like->fields_.begin() + static_cast<std::ptrdiff_t>(std::min(same, stages_) * places_),
                  like->fields_.end(),
                  fields_.begin() + static_cast<std::ptrdiff_t>(std::min(same, stages_) * places_));
    }
    const auto n = static_cast<std::uint32_t>(places_);
    // The position of each key in the order.
    std::vector<int> rank(static_cast<std::size_t>(graph.Keys()), -1);
    for (std::size_t i = 0; i < order.size(); ++i) {
        rank[static_cast<std::size_t>(order[i])] = static_cast<int>(i);
    }
    // For each place, the keys its tick touches as a sorted list of ranks.
    std::vector<std::uint32_t> firstRank(n + 1, 0);
    std::vector<int> ranks;
    for (std::uint32_t p = 0; p < n; ++p) {
        for (std::uint8_t k : graph.Touched(p)) {
            if (rank[k] >= 0) {
                ranks.push_back(rank[k]);
            }
        }
        std::sort(ranks.begin() + firstRank[p], ranks.end());
        firstRank[p + 1] = static_cast<std::uint32_t>(ranks.size());
    }
    // The places that touch each key of the order.
    std::vector<std::vector<std::uint32_t>> touching(order.size());
    for (std::uint32_t p = 0; p < n; ++p) {
        for (std::uint32_t i = firstRank[p]; i < firstRank[p + 1]; ++i) {
            touching[static_cast<std::size_t>(ranks[i])].push_back(p);
        }
    }

    std::vector<std::pair<std::uint16_t, std::uint32_t>> sources;
    std::vector<std::uint32_t> queue;
    queue.reserve(n);
    // The places whose value the stage before needs: where the ticks that
    // touch its key lead (for the first stage, the start point and where
    // its tick leads).
    std::vector<std::uint32_t> neededStamp(n, 0);
    for (std::size_t stage = std::min(same, stages_); stage-- > 0;) {
        std::uint16_t* field = fields_.data() + stage * places_;
        const auto stamp = static_cast<std::uint32_t>(stage + 1);
        std::size_t needed = 0;
        auto need = [&](std::uint32_t q) {
            if (q != PlaceGraph::kNowhere && neededStamp[q] != stamp) {
                neededStamp[q] = stamp;
                ++needed;
            }
        };
        if (stage == 0) {
            need(0);
            for (std::uint32_t q : graph.Next(0)) {
                need(q);
            }
        } else {
            for (std::uint32_t p : touching[stage - 1]) {
                for (std::uint32_t q : graph.Next(p)) {
                    need(q);
                }
            }
        }
        std::uint32_t last = kNoWin - 1;  // the largest value worth spreading
        auto settle = [&](std::uint32_t q, std::uint16_t value) {
            field[q] = value;
            if (neededStamp[q] == stamp && --needed == 0) {
                last = std::min<std::uint32_t>(kNoWin - 1, value + kReach);
            }
        };
        sources.clear();
        if (stage + 1 == stages_) {
            for (std::uint32_t p = 0; p < n; ++p) {
                if (graph.Goal(p)) {
                    sources.emplace_back(0, p);
                }
            }
        } else {
            for (std::uint32_t p : touching[stage]) {
                // The keys of the order this tick touches from the stage on.
                std::size_t after = stage;
                for (std::uint32_t i = firstRank[p]; i < firstRank[p + 1]; ++i) {
                    if (static_cast<std::size_t>(ranks[i]) == after) {
                        ++after;
                    }
                }
                const std::uint16_t* next = fields_.data() + after * places_;
                std::uint32_t best = kNoWin;
                for (std::uint32_t q : graph.Next(p)) {
                    if (q != PlaceGraph::kNowhere) {
                        best = std::min<std::uint32_t>(best, next[q]);
                    }
                }
                if (best + 1 < kNoWin) {
                    sources.emplace_back(static_cast<std::uint16_t>(best + 1), p);
                }
            }
        }
        std::sort(sources.begin(), sources.end());
        // Breadth first backwards from the sources, taken in the order of
        // their values alongside the queue, whose values never fall.
        queue.clear();
        std::size_t s = 0, head = 0;
        while (s < sources.size() || head < queue.size()) {
            std::uint32_t p;
            if (head == queue.size() || (s < sources.size() && sources[s].first <= field[queue[head]])) {
                const auto [value, place] = sources[s++];
                if (value >= field[place] || value > last) {
                    continue;
                }
                settle(place, value);
                p = place;
            } else {
                p = queue[head++];
            }
            if (field[p] >= last) {
                continue;
            }
            const auto value = static_cast<std::uint16_t>(field[p] + 1);
            for (const std::uint32_t* from = reverse.FromBegin(p); from != reverse.FromEnd(p); ++from) {
                if (value < field[*from]) {
                    settle(*from, value);
                    queue.push_back(*from);
                }
            }
        }
    }
}

std::uint32_t StageFields::WinTick() const
{
    const std::uint16_t ticks = ToGo(0, 0);
    return ticks == kNoWin ? 0 : ticks + 1U;
}

}  // namespace dravik::solve
