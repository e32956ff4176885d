#pragma once
// Where the parts of a scroll bar are: the one computation behind both its
// drawing and its hit-testing, so that they never disagree.
#include <windows.h>

namespace skin {

class SkinScrollBarNode;

enum class ScrollPart { None, DecArrow, IncArrow, PageDec, PageInc, Thumb };

struct ScrollLayout {
    bool vertical = false;
    RECT decArrow{}, incArrow{}, track{}, thumb{};
    int trackStart = 0;   // along the axis, client coordinates
    int trackLength = 0;
    int thumbLength = 0;
};

ScrollLayout LayoutScrollBar(const SkinScrollBarNode& bar);
ScrollPart ScrollPartAt(const ScrollLayout& layout, POINT point);
// The position whose thumb starts at thumbStart (along the axis), clamped.
int ScrollPositionAt(const SkinScrollBarNode& bar, const ScrollLayout& layout, int thumbStart);

}  // namespace skin
