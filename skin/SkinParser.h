#pragma once
// Reads the text of a skin file into a SkinDocument (format:
// docs/skin-format.md). Plain C++, no Windows: the same code is fuzzed
// natively.
#include <string>

#include "skin/SkinModel.h"

namespace skin {

// Accepts exactly the valid skin texts; anything else throws SkinError
// "fileName(line): what is wrong". Bitmap files are named, not read.
SkinDocument ParseSkin(const std::string& text, const std::string& fileName);

}  // namespace skin
