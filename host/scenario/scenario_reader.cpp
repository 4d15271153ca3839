#include "host/scenario/ScenarioReader.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

namespace {

// The character after a backslash as a message can show it: itself when printable, else \xNN,
// so that a message stays one line.
std::string escapeName(char c) {
    auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte < 0x7F) {
        return std::string(1, c);
    }
    static const char digits[] = "0123456789ABCDEF";
    return std::string("x") + digits[byte >> 4] + digits[byte & 0xF];
}

} // namespace

bool splitScenarioLine(const std::string& text, std::vector<std::string>* words,
                       std::string* error) {
    words->clear();
    size_t i = 0;
    while (i < text.size()) {
        char c = text[i];
        if (c == ' ' || c == '\t' || c == '\r') {
            ++i;
            continue;
        }
        if (c == '#') {
            break;
        }
        std::string word;
        if (c == '"') {
            ++i;
            bool closed = false;
            while (i < text.size()) {
                char d = text[i++];
                if (d == '"') {
                    closed = true;
                    break;
                }
                if (d != '\\') {
                    word.push_back(d);
                    continue;
                }
                if (i >= text.size()) {
                    break;
                }
                char e = text[i++];
                if (e == '"' || e == '\\') {
                    word.push_back(e);
                } else if (e == 'n') {
                    word.push_back('\n');
                } else {
                    *error = "unknown escape \\" + escapeName(e);
                    return false;
                }
            }
            if (!closed) {
                *error = "unterminated quote";
                return false;
            }
        } else {
            while (i < text.size() && text[i] != ' ' && text[i] != '\t' && text[i] != '\r') {
                word.push_back(text[i++]);
            }
        }
        words->push_back(word);
    }
    return true;
}

bool readScenario(const std::string& text, std::vector<ScenarioLine>* lines, std::string* error) {
    lines->clear();
    int number = 0;
    size_t at = 0;
    while (at <= text.size()) {
        size_t end = text.find('\n', at);
        std::string line = text.substr(at, end == std::string::npos ? std::string::npos : end - at);
        ++number;
        std::vector<std::string> words;
        std::string why;
        if (!splitScenarioLine(line, &words, &why)) {
            *error = "line " + std::to_string(number) + ": " + why;
            return false;
        }
        if (!words.empty()) {
            lines->push_back({number, words});
        }
        if (end == std::string::npos) {
            break;
        }
        at = end + 1;
    }
    return true;
}

bool parseNumber(const std::string& word, long* value) {
    if (word.empty()) {
        return false;
    }
    size_t start = word[0] == '-' ? 1 : 0;
    if (start == word.size()) {
        return false;
    }
    for (size_t i = start; i < word.size(); ++i) {
        if (word[i] < '0' || word[i] > '9') {
            return false;
        }
    }
    errno = 0;
    long v = std::strtol(word.c_str(), nullptr, 10);
    if (errno != 0 || v < INT32_MIN || v > INT32_MAX) {
        return false;
    }
    *value = v;
    return true;
}
