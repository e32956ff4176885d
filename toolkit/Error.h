#pragma once
// The one error type: a message text meant for the user. Raised where a
// failure is found and caught at the window level, where it becomes a message
// box.
#include <stdexcept>
#include <string>

namespace toolkit {

class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace toolkit
