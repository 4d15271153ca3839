#include "StringsFile.h"

#include "../common/Messages.h"
#include "../common/Unicode.h"

namespace platform {
namespace {

// Turns UTF-16 with a byte-order mark into UTF-8; plain UTF-8 (with or without a mark) stays.
bool toUtf8(const std::string& bytes, std::string* text) {
    auto byte = [&](size_t i) { return static_cast<unsigned char>(bytes[i]); };
    if (bytes.size() >= 2 &&
        ((byte(0) == 0xFF && byte(1) == 0xFE) || (byte(0) == 0xFE && byte(1) == 0xFF))) {
        bool little = byte(0) == 0xFF;
        if (bytes.size() % 2 != 0) {
            return false;
        }
        std::u16string units;
        for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
            units.push_back(static_cast<char16_t>(little ? byte(i) | (byte(i + 1) << 8)
                                                         : (byte(i) << 8) | byte(i + 1)));
        }
        return utf16ToUtf8(units, text);
    }
    size_t start = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    *text = bytes.substr(start);
    return isValidUtf8(*text);
}

class Parser {
  public:
    explicit Parser(const std::string& text) : text_(text) {}

    bool parse(std::map<std::string, std::string>* table, std::string* error) {
        for (;;) {
            if (!skipSpace(error)) {
                return false;
            }
            if (at_ >= text_.size()) {
                return true;
            }
            std::string key;
            std::string value;
            if (!token(&key, error) || !skipSpace(error)) {
                return false;
            }
            if (peek() == '=') {
                ++at_;
                if (!skipSpace(error) || !token(&value, error) || !skipSpace(error)) {
                    return false;
                }
            } else {
                value = key;
            }
            if (peek() != ';') {
                return fail("expected ';'", error);
            }
            ++at_;
            (*table)[key] = value;
        }
    }

  private:
    char peek() const { return at_ < text_.size() ? text_[at_] : '\0'; }

    bool fail(const std::string& what, std::string* error) {
        size_t line = 1;
        for (size_t i = 0; i < at_ && i < text_.size(); ++i) {
            line += text_[i] == '\n';
        }
        *error = "line " + std::to_string(line) + ": " + what;
        return false;
    }

    bool skipSpace(std::string* error) {
        while (at_ < text_.size()) {
            char c = text_[at_];
            if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
                ++at_;
            } else if (text_.compare(at_, 2, "//") == 0) {
                size_t end = text_.find('\n', at_);
                at_ = end == std::string::npos ? text_.size() : end + 1;
            } else if (text_.compare(at_, 2, "/*") == 0) {
                size_t end = text_.find("*/", at_ + 2);
                if (end == std::string::npos) {
                    return fail("comment never closed", error);
                }
                at_ = end + 2;
            } else {
                break;
            }
        }
        return true;
    }

    static bool isBareChar(char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
               c == '_' || c == '.' || c == '-' || c == '$' || c == ':' || c == '/';
    }

    bool token(std::string* out, std::string* error) {
        if (peek() != '"') {
            size_t start = at_;
            while (at_ < text_.size() && isBareChar(text_[at_])) {
                ++at_;
            }
            if (at_ == start) {
                return fail("expected a quoted string", error);
            }
            *out = text_.substr(start, at_ - start);
            return true;
        }
        ++at_;
        out->clear();
        while (at_ < text_.size() && text_[at_] != '"') {
            char c = text_[at_++];
            if (c != '\\') {
                out->push_back(c);
                continue;
            }
            if (at_ >= text_.size()) {
                break;
            }
            char e = text_[at_++];
            switch (e) {
            case 'n':
                out->push_back('\n');
                break;
            case 't':
                out->push_back('\t');
                break;
            case 'r':
                out->push_back('\r');
                break;
            case '"':
            case '\\':
            case '\'':
                out->push_back(e);
                break;
            case 'U':
            case 'u': {
                if (at_ + 4 > text_.size()) {
                    return fail("cut \\U escape", error);
                }
                char16_t unit = 0;
                for (int i = 0; i < 4; ++i) {
                    char h = text_[at_++];
                    int v = (h >= '0' && h <= '9')   ? h - '0'
                            : (h >= 'a' && h <= 'f') ? h - 'a' + 10
                            : (h >= 'A' && h <= 'F') ? h - 'A' + 10
                                                     : -1;
                    if (v < 0) {
                        return fail("bad \\U escape", error);
                    }
                    unit = static_cast<char16_t>(unit * 16 + v);
                }
                std::string utf8;
                if (!utf16ToUtf8(std::u16string(1, unit), &utf8)) {
                    return fail("\\U escape is half a surrogate pair", error);
                }
                *out += utf8;
                break;
            }
            default:
                return fail("unknown escape \\" + platform::characterForMessage(e), error);
            }
        }
        if (at_ >= text_.size()) {
            return fail("string never closed", error);
        }
        ++at_;
        return true;
    }

    const std::string& text_;
    size_t at_ = 0;
};

} // namespace

bool parseStringsFile(const std::string& bytes, std::map<std::string, std::string>* table,
                      std::string* error) {
    std::string text;
    if (!toUtf8(bytes, &text)) {
        *error = "not valid UTF-8 or UTF-16";
        return false;
    }
    std::map<std::string, std::string> parsed;
    if (!Parser(text).parse(&parsed, error)) {
        return false;
    }
    *table = std::move(parsed);
    return true;
}

} // namespace platform
