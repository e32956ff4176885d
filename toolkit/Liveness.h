#pragma once
// Whether an object still exists after a nested message loop.
//
// A popup menu, a message box, ProcessMessages or a shell call that shows a
// dialog runs a message loop of its own, and every posted message may run
// inside it: the end of a free-up, a "quit" from another instance, the one
// that destroys the very object whose handler opened the loop. Code that
// runs such a loop takes a LifeWatch first and, when the loop returns,
// touches nothing of the object once the watch reports it gone.
#include <memory>

namespace toolkit {

class LifeWatch {
public:
    bool Alive() const { return !token_.expired(); }

private:
    friend class Liveness;
    explicit LifeWatch(std::weak_ptr<const char> token) : token_(std::move(token)) {}
    std::weak_ptr<const char> token_;
};

// A member of the object watched; it dies with the object.
class Liveness {
public:
    Liveness() = default;
    // The token belongs to this object, not to a copy of it.
    Liveness(const Liveness&) : Liveness() {}
    Liveness& operator=(const Liveness&) { return *this; }

    LifeWatch Watch() const { return LifeWatch(token_); }

private:
    std::shared_ptr<const char> token_ = std::make_shared<const char>('\0');
};

}  // namespace toolkit
