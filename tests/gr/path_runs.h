// Engine path runs for the path tests, built from figures.
#pragma once
#include <win/gdi.h>

#include <utility>
#include <vector>

namespace grtest {

// Runs built from figures, one run per stretch of lines or of Béziers, each
// cut to at most `limit` points (0: no limit), as the engine enumerates them.
class Runs {
public:
    explicit Runs(size_t limit = 0) : limit_(limit) {}
    // A figure of whole-pixel points: 'L' lines, 'B' Béziers (three points).
    Runs& figure(std::vector<std::pair<char, std::vector<POINTFIX>>> parts, POINTFIX start, bool closed) {
        figs_.push_back(Fig{start, std::move(parts), closed});
        return *this;
    }
    const PATHDATA* data() {
        build();
        return runs_.data();
    }
    size_t count() {
        build();
        return runs_.size();
    }
    std::vector<PATHDATA>& runs() {
        build();
        return runs_;
    }

private:
    struct Fig {
        POINTFIX start;
        std::vector<std::pair<char, std::vector<POINTFIX>>> parts;
        bool closed;
    };
    void build() {
        if (built_) return;
        built_ = true;
        // Every point first, so that the runs' pointers stay where they are.
        size_t total = 0;
        for (const Fig& f : figs_) {
            total += 1;
            for (const auto& part : f.parts) total += part.second.size();
        }
        pts_.reserve(total);
        for (const Fig& f : figs_) {
            bool first = true;
            const size_t firstRun = runs_.size();
            auto open = [&](FLONG flags) {
                runs_.push_back(PATHDATA{flags | (first ? FLONG{PD_BEGINSUBPATH | PD_RESETSTYLE} : 0), 0,
                                         pts_.data() + pts_.size()});
                if (first) {
                    pts_.push_back(f.start);
                    ++runs_.back().count;
                }
                first = false;
            };
            for (const auto& [kind, points] : f.parts) {
                const size_t step = kind == 'B' ? 3 : 1;
                const FLONG flags = kind == 'B' ? PD_BEZIERS : 0;
                open(flags);
                for (size_t i = 0; i < points.size(); i += step) {
                    if (limit_ && runs_.back().count && runs_.back().count + step > limit_) open(flags);
                    for (size_t k = 0; k < step; ++k) {
                        pts_.push_back(points[i + k]);
                        ++runs_.back().count;
                    }
                }
            }
            if (runs_.size() == firstRun) open(0);  // a start point alone
            runs_.back().flags |= PD_ENDSUBPATH | (f.closed ? PD_CLOSEFIGURE : 0);
        }
    }
    size_t limit_;
    bool built_ = false;
    std::vector<Fig> figs_;
    std::vector<PATHDATA> runs_;
    std::vector<POINTFIX> pts_;
};

}  // namespace grtest
