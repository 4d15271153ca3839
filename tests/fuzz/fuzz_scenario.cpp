// The scenario reader from any text: it reads or names the bad line; what it reads, written
// back with every word quoted, reads back the same; numbers read back as the numbers they are.
#include "FuzzSupport.h"

#include "host/scenario/ScenarioReader.h"

#include <string>
#include <vector>

namespace {

std::string quoted(const std::string& word) {
    std::string out = "\"";
    for (char c : word) {
        if (c == '"' || c == '\\') {
            out.push_back('\\');
            out.push_back(c);
        } else if (c == '\n') {
            out += "\\n";
        } else {
            out.push_back(c);
        }
    }
    return out + "\"";
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<ScenarioLine> lines;
    std::string error;
    if (!readScenario(text, &lines, &error)) {
        fuzzCheck(error.rfind("line ", 0) == 0 && error.find(": ") != std::string::npos,
                  "a bad scenario names its line: " + error);
        return 0;
    }
    std::string written;
    int last = 0;
    for (const ScenarioLine& line : lines) {
        fuzzCheck(line.number > last && !line.words.empty(), "lines hold commands, in order");
        last = line.number;
        for (const std::string& word : line.words) {
            written += quoted(word) + " ";
            long value = 0;
            if (parseNumber(word, &value)) {
                long again = 0;
                fuzzCheck(parseNumber(std::to_string(value), &again) && again == value,
                          "a number reads back as itself: " + word);
            }
        }
        written += "\n";
    }
    std::vector<ScenarioLine> reread;
    fuzzCheck(readScenario(written, &reread, &error), "quoted words read back: " + error);
    fuzzCheck(reread.size() == lines.size(), "as many lines read back");
    for (size_t i = 0; i < lines.size(); ++i) {
        fuzzCheck(reread[i].words == lines[i].words, "the same words read back");
    }
    return 0;
}
