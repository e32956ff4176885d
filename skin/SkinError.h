#pragma once
// The error every failing skin operation throws. Kept apart from the element
// interfaces so that the file parser needs no Windows header.
#include <string>

#include "toolkit/Error.h"

namespace skin {

// what() is the message for the user; for a bad file "file(line): what is
// wrong".
class SkinError : public toolkit::Error {
public:
    using toolkit::Error::Error;
};

// "file(line): message"
inline SkinError FileError(const std::string& fileName, int line, const std::string& message)
{
    return SkinError(fileName + "(" + std::to_string(line) + "): " + message);
}

}  // namespace skin
