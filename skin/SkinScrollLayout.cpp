#include "skin/SkinScrollLayout.h"

#include <algorithm>

#include "skin/SkinNodes.h"

namespace skin {

ScrollLayout LayoutScrollBar(const SkinScrollBarNode& bar)
{
    ScrollLayout l;
    const RECT r = bar.AbsRect();
    const ScrollBarDef& def = bar.Def().scroll;
    l.vertical = bar.Vertical();
    const int start = l.vertical ? r.top : r.left;
    const int length = std::max<int>(0, l.vertical ? r.bottom - r.top : r.right - r.left);
    const int arrow = std::min(def.arrowSize, length / 2);
    l.trackStart = start + arrow;
    l.trackLength = length - 2 * arrow;

    const long long range = static_cast<long long>(bar.GetMax()) - bar.GetMin() + 1;
    const long long page = std::max(bar.GetPage(), 1);
    long long thumb = def.thumbSize > 0 ? def.thumbSize : (range > 0 ? l.trackLength * page / range : l.trackLength);
    thumb = std::clamp<long long>(thumb, std::min(12, l.trackLength), l.trackLength);
    l.thumbLength = static_cast<int>(thumb);

    const long long travel = l.trackLength - l.thumbLength;
    const long long span = static_cast<long long>(bar.HighestPosition()) - bar.GetMin();
    const long long offset = span > 0 ? (travel * (static_cast<long long>(bar.GetPosition()) - bar.GetMin()) + span / 2) / span : 0;
    const int thumbStart = l.trackStart + static_cast<int>(offset);

    auto along = [&](int a, int b) { return l.vertical ? RECT{r.left, a, r.right, b} : RECT{a, r.top, b, r.bottom}; };
    l.decArrow = along(start, start + arrow);
    l.incArrow = along(start + length - arrow, start + length);
    l.track = along(l.trackStart, l.trackStart + l.trackLength);
    l.thumb = along(thumbStart, thumbStart + l.thumbLength);
    return l;
}

ScrollPart ScrollPartAt(const ScrollLayout& l, POINT p)
{
    auto inside = [&](const RECT& r) { return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom; };
    if (inside(l.thumb)) return ScrollPart::Thumb;
    if (inside(l.decArrow)) return ScrollPart::DecArrow;
    if (inside(l.incArrow)) return ScrollPart::IncArrow;
    if (inside(l.track)) {
        const int at = l.vertical ? p.y : p.x;
        const int thumbStart = l.vertical ? l.thumb.top : l.thumb.left;
        return at < thumbStart ? ScrollPart::PageDec : ScrollPart::PageInc;
    }
    return ScrollPart::None;
}

int ScrollPositionAt(const SkinScrollBarNode& bar, const ScrollLayout& l, int thumbStart)
{
    const long long travel = l.trackLength - l.thumbLength;
    const long long span = static_cast<long long>(bar.HighestPosition()) - bar.GetMin();
    if (travel <= 0 || span <= 0) return bar.GetMin();
    const long long offset = std::clamp<long long>(thumbStart - l.trackStart, 0, travel);
    return static_cast<int>(bar.GetMin() + (offset * span + travel / 2) / travel);
}

}  // namespace skin
