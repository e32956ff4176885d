#include "skin/SkinSyntax.h"

#include <cstdint>

#include "skin/SkinError.h"
#include "skin/SkinLimits.h"
#include "skin/SkinText.h"

namespace skin {
namespace {

enum class TokenKind { End, Newline, Word, String, OpenBrace, CloseBrace, Equals, Semicolon, Colon };

struct Token {
    TokenKind kind = TokenKind::End;
    std::string text;
    int line = 1;
    int indent = 0;       // of its line, a tab counting 4
    bool first = false;   // the first token on its line
};

bool IsDelimiter(char c)
{
    return c == '{' || c == '}' || c == '=' || c == ';' || c == ':' || c == '"';
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// The kinds of block the format has; any other word before a value is a
// property that lacks its '='.
bool IsBlockKind(const std::string& word)
{
    static const char* const kinds[] = {"skin", "font", "image", "layer", "window", "panel",
                                        "static", "button", "scrollbar", "animation"};
    for (const char* kind : kinds) {
        if (word == kind) return true;
    }
    return false;
}

const char* Describe(const Token& token)
{
    switch (token.kind) {
    case TokenKind::End: return "the end of the file";
    case TokenKind::Newline: return "the end of the line";
    case TokenKind::Word: return "a word";
    case TokenKind::String: return "a quoted text";
    case TokenKind::OpenBrace: return "'{'";
    case TokenKind::CloseBrace: return "'}'";
    case TokenKind::Equals: return "'='";
    case TokenKind::Semicolon: return "';'";
    case TokenKind::Colon: return "':'";
    }
    return "?";
}

class Lexer {
public:
    Lexer(const std::string& text, const std::string& fileName) : text_(text), file_(fileName)
    {
        // A UTF-8 byte order mark is allowed and ignored.
        if (text_.size() >= 3 && text_.compare(0, 3, "\xEF\xBB\xBF") == 0) pos_ = 3;
    }

    Token Next()
    {
        SkipBlanksAndComments();
        Token token;
        token.line = line_;
        token.indent = indent_;
        token.first = atLineStart_;
        atLineStart_ = false;
        if (pos_ >= text_.size()) return token;
        char c = text_[pos_];
        switch (c) {
        case '\n':
            ++pos_;
            ++line_;
            atLineStart_ = true;
            indent_ = 0;
            token.kind = TokenKind::Newline;
            return token;
        case '{': ++pos_; token.kind = TokenKind::OpenBrace; return token;
        case '}': ++pos_; token.kind = TokenKind::CloseBrace; return token;
        case '=': ++pos_; token.kind = TokenKind::Equals; return token;
        case ';': ++pos_; token.kind = TokenKind::Semicolon; return token;
        case ':': ++pos_; token.kind = TokenKind::Colon; return token;
        case '"': token.kind = TokenKind::String; token.text = ReadString(); return token;
        default: break;
        }
        token.kind = TokenKind::Word;
        std::size_t start = pos_;
        while (pos_ < text_.size() && !IsBlank(text_[pos_]) && !IsDelimiter(text_[pos_])) {
            CheckCharacter(text_[pos_]);
            if (CommentStartsAt(pos_)) break;
            ++pos_;
            if (pos_ - start > limits::kMaxStringChars) Fail("a word longer than 4096 characters");
        }
        token.text = text_.substr(start, pos_ - start);
        if (!IsValidUtf8(token.text)) Fail("text that is not UTF-8");
        return token;
    }

    [[noreturn]] void Fail(const std::string& message) const { throw FileError(file_, line_, message); }

private:
    bool CommentStartsAt(std::size_t at) const { return text_[at] == '/' && at + 1 < text_.size() && text_[at + 1] == '/'; }

    void CheckCharacter(char c) const
    {
        unsigned char u = static_cast<unsigned char>(c);
        if (u < 0x20 && c != '\t' && c != '\r' && c != '\n') Fail("a control character (code " + std::to_string(u) + ")");
        if (u == 0x7F) Fail("a control character (code 127)");
    }

    void SkipBlanksAndComments()
    {
        while (pos_ < text_.size()) {
            char c = text_[pos_];
            if (c == ' ' || c == '\t' || c == '\r') {
                if (atLineStart_ && c != '\r') indent_ += c == '\t' ? 4 : 1;
                ++pos_;
            } else if (CommentStartsAt(pos_)) {
                while (pos_ < text_.size() && text_[pos_] != '\n') {
                    if (text_[pos_] == '\0') Fail("a control character (code 0)");
                    ++pos_;
                }
            } else {
                if (static_cast<unsigned char>(c) < 0x20 && c != '\n') CheckCharacter(c);
                return;
            }
        }
    }

    std::string ReadString()
    {
        ++pos_;  // opening quote
        std::string out;
        for (;;) {
            if (pos_ >= text_.size()) Fail("a quoted text that is not closed");
            char c = text_[pos_++];
            if (c == '"') break;
            if (c == '\n') {
                --pos_;
                Fail("a quoted text that is not closed on its line");
            }
            CheckCharacter(c);
            if (c == '\\') {
                if (pos_ >= text_.size()) Fail("a quoted text that is not closed");
                char e = text_[pos_++];
                switch (e) {
                case '"': out += '"'; break;
                case '\\': out += '\\'; break;
                case 'n': out += '\n'; break;
                case 't': out += '\t'; break;
                case 'u': out += ReadUnicodeEscape(); break;
                default: Fail(std::string("an unknown escape \\") + (e >= 0x20 && e < 0x7F ? std::string(1, e) : "?") + " in a quoted text");
                }
            } else {
                out += c;
            }
            if (out.size() > limits::kMaxStringChars) Fail("a quoted text longer than 4096 characters");
        }
        if (!IsValidUtf8(out)) Fail("text that is not UTF-8");
        return out;
    }

    std::string ReadUnicodeEscape()
    {
        uint32_t code = 0;
        for (int i = 0; i < 4; ++i) {
            if (pos_ >= text_.size()) Fail("\\u needs four hexadecimal digits");
            int digit = HexDigit(text_[pos_++]);
            if (digit < 0) Fail("\\u needs four hexadecimal digits");
            code = code * 16 + uint32_t(digit);
        }
        if (code == 0) Fail("\\u0000 is not allowed in a text");
        if (code >= 0xD800 && code <= 0xDFFF) Fail("\\u cannot name half of a surrogate pair");
        return EncodeUtf8(code);
    }

    const std::string& text_;
    const std::string& file_;
    std::size_t pos_ = 0;
    int line_ = 1;
    int indent_ = 0;
    bool atLineStart_ = true;
};

class Parser {
public:
    Parser(const std::string& text, const std::string& fileName) : lexer_(text, fileName), file_(fileName)
    {
        Advance();
    }

    SyntaxBlock ParseFile()
    {
        SyntaxBlock root;
        root.line = 1;
        ParseItems(root, 0, false, 0);
        return root;
    }

private:
    void Advance() { current_ = lexer_.Next(); }

    [[noreturn]] void Fail(int line, const std::string& message) const { throw FileError(file_, line, message); }

    void ParseItems(SyntaxBlock& block, int depth, bool insideBraces, int indent)
    {
        for (;;) {
            while (current_.kind == TokenKind::Newline || current_.kind == TokenKind::Semicolon) Advance();
            if (current_.kind == TokenKind::End) {
                if (insideBraces) MissingBrace(block);
                return;
            }
            if (current_.kind == TokenKind::CloseBrace) {
                if (!insideBraces) Fail(current_.line, "'}' without a block to close");
                // A '}' on a line of its own that stands left of its block's
                // start most likely belongs to an outer block: the block it
                // closes is the one that lacks its own.
                if (current_.first && current_.indent < indent && !unclosed_.line)
                    unclosed_ = Unclosed{Title(block), block.line, current_.line};
                Advance();
                return;
            }
            if (current_.kind != TokenKind::Word)
                Fail(current_.line, std::string("expected a property or a block, found ") + Describe(current_));
            Token head = std::move(current_);
            Advance();
            if (current_.kind == TokenKind::Equals) {
                Advance();
                block.properties.push_back(ParseValues(head));
            } else {
                block.blocks.push_back(ParseBlock(head, depth + 1));
            }
        }
    }

    SyntaxProperty ParseValues(const Token& key)
    {
        SyntaxProperty property;
        property.key = key.text;
        property.line = key.line;
        while (current_.kind == TokenKind::Word || current_.kind == TokenKind::String) {
            if (static_cast<int>(property.values.size()) >= limits::kMaxValuesPerProperty)
                Fail(current_.line, "more than 256 values for \"" + key.text + "\"");
            property.values.push_back({current_.text, current_.kind == TokenKind::String});
            Advance();
        }
        if (property.values.empty()) Fail(key.line, "\"" + key.text + " =\" needs a value");
        switch (current_.kind) {
        case TokenKind::Newline:
        case TokenKind::Semicolon:
        case TokenKind::CloseBrace:
        case TokenKind::End: break;
        default:
            Fail(current_.line, std::string("unexpected ") + Describe(current_) + " in the value of \"" + key.text + "\"");
        }
        return property;
    }

    static std::string Title(const SyntaxBlock& block)
    {
        if (!block.hasName) return "the " + block.kind + " block";
        return block.kind + " \"" + block.name + "\"";
    }

    [[noreturn]] void MissingBrace(const SyntaxBlock& innermost) const
    {
        if (unclosed_.line)
            Fail(unclosed_.line, "missing '}' for " + unclosed_.title + " that starts here (the '}' on line " +
                                     std::to_string(unclosed_.closedAt) + " closes it, but is indented like the block around it)");
        Fail(current_.line, "missing '}' for " + Title(innermost) + " that starts on line " + std::to_string(innermost.line));
    }

    // The rest of the line, for messages; a long one is cut short.
    std::string RestOfLine()
    {
        constexpr std::size_t shown = 60;
        std::string rest;
        while (current_.kind == TokenKind::Word || current_.kind == TokenKind::String) {
            if (rest.size() < shown)
                rest += " " + (current_.kind == TokenKind::String ? "\"" + current_.text + "\"" : current_.text);
            Advance();
        }
        if (rest.size() > shown) rest = rest.substr(0, shown) + " ...";
        return rest;
    }

    SyntaxBlock ParseBlock(const Token& kind, int depth)
    {
        if (depth > limits::kMaxNesting) Fail(kind.line, "blocks nested more than 24 deep");
        if (++blockCount_ > limits::kMaxBlocks) Fail(kind.line, "more than 20000 blocks");
        SyntaxBlock block;
        block.kind = kind.text;
        block.line = kind.line;
        if (current_.kind == TokenKind::Word || current_.kind == TokenKind::String) {
            block.name = current_.text;
            block.hasName = true;
            Advance();
        }
        if (current_.kind == TokenKind::Colon) {
            Advance();
            if (current_.kind != TokenKind::Word && current_.kind != TokenKind::String)
                Fail(current_.line, "expected the name of a base after ':'");
            block.base = current_.text;
            block.hasBase = true;
            Advance();
        }
        const bool valuesFollow = current_.kind == TokenKind::Word || current_.kind == TokenKind::String;
        while (current_.kind == TokenKind::Newline) Advance();
        if (current_.kind != TokenKind::OpenBrace) {
            if (block.hasName && !block.hasBase && !IsBlockKind(kind.text)) {
                std::string values = block.name.find(' ') == std::string::npos ? block.name : "\"" + block.name + "\"";
                if (values.size() > 60) values = values.substr(0, 60) + " ...";
                if (valuesFollow) values += RestOfLine();
                Fail(kind.line, "missing '=' after \"" + kind.text + "\" (write " + kind.text + " = " + values + ")");
            }
            if (block.hasName)
                Fail(kind.line, "expected '{' after \"" + kind.text + " " + block.name + "\", found " + Describe(current_) +
                                    (valuesFollow ? " (a name with blanks goes in quotes)" : ""));
            Fail(kind.line, "expected '=' or a block after \"" + kind.text + "\", found " + Describe(current_));
        }
        Advance();
        ParseItems(block, depth, true, kind.indent);
        return block;
    }

    struct Unclosed {
        std::string title;
        int line = 0;      // where the block starts; 0: none seen
        int closedAt = 0;  // the '}' that seems to be an outer block's
    };

    Lexer lexer_;
    const std::string& file_;
    Token current_;
    int blockCount_ = 0;
    Unclosed unclosed_;
};

}  // namespace

SyntaxBlock ParseSyntax(const std::string& text, const std::string& fileName)
{
    if (text.size() > limits::kMaxFileBytes) throw FileError(fileName, 1, "the file is larger than 1 MB");
    Parser parser(text, fileName);
    return parser.ParseFile();
}

}  // namespace skin
