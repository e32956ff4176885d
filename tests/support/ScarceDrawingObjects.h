#pragma once
// Wine counts no handles for a process (GetGuiResources answers 0) but
// refuses new drawing objects once the process holds about 65 000. Holding
// all of them but a small headroom makes a leak show: the headroom runs out
// and nothing new can be drawn.
#include "toolkit/Handles.h"

#include <windows.h>

#include <cstddef>
#include <utility>
#include <vector>

// Holds every drawing object the process can still get but `headroom`.
class ScarceDrawingObjects {
public:
    explicit ScarceDrawingObjects(size_t headroom)
    {
        for (;;) {
            toolkit::UniquePen pen(::CreatePen(PS_SOLID, 1, static_cast<COLORREF>(held_.size() & 0xFFFFFF)));
            if (!pen) break;
            held_.push_back(std::move(pen));
        }
        total_ = held_.size();
        held_.resize(held_.size() > headroom ? held_.size() - headroom : 0);
    }
    ScarceDrawingObjects(const ScarceDrawingObjects&) = delete;
    ScarceDrawingObjects& operator=(const ScarceDrawingObjects&) = delete;
    // How many the process could get when the object was made.
    size_t Total() const { return total_; }
    size_t Held() const { return held_.size(); }

private:
    std::vector<toolkit::UniquePen> held_;
    size_t total_ = 0;
};
