#include "ui/uAnimationList.h"

#include <stdexcept>
#include <utility>

void TSkinAnimationList::Add(const std::wstring& name, bool chained)
{
    items_.push_back(TSkinAnimation{name, chained});
}

TSkinAnimation TSkinAnimationList::TakeFirst()
{
    if (items_.empty()) throw std::out_of_range("TSkinAnimationList::TakeFirst on an empty list");
    TSkinAnimation first = std::move(items_.front());
    items_.pop_front();
    return first;
}
