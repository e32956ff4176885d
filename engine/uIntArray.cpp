#include "engine/uIntArray.h"

#include <algorithm>

TIntArray::TIntArray(uint64_t fill) { Items.fill(fill); }

void TIntArray::Push(uint64_t value)
{
    std::move(Items.begin() + 1, Items.end(), Items.begin());
    Items.back() = value;
}
