#pragma once
// First stage of reading a skin file: text to a tree of blocks and
// properties, with no meaning attached yet. Plain C++ (no Windows), so that it
// can be fuzzed natively.
//
//   kind [name] [: base] { ... }      a block
//   key = value value ...             a property, ends at the line's end or ';'
//   // comment                         to the end of the line
//
// Values are words (anything up to a blank or one of { } = ; : ") or quoted
// strings with the escapes \" \\ \n \t \uXXXX. The text is UTF-8.
#include <string>
#include <vector>

namespace skin {

struct SyntaxValue {
    std::string text;
    bool quoted = false;
};

struct SyntaxProperty {
    std::string key;
    std::vector<SyntaxValue> values;
    int line = 0;
};

struct SyntaxBlock {
    std::string kind;  // empty for the file itself
    std::string name;
    bool hasName = false;
    std::string base;
    bool hasBase = false;
    int line = 0;
    std::vector<SyntaxProperty> properties;
    std::vector<SyntaxBlock> blocks;
};

// Throws SkinError "fileName(line): ..." for text that breaks the rules above
// or the limits of SkinLimits.h.
SyntaxBlock ParseSyntax(const std::string& text, const std::string& fileName);

}  // namespace skin
