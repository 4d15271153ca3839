#include "host/HostText.h"

#include <clocale>
#include <libintl.h>
#include <vector>

namespace {

constexpr const char* kDomain = "printdialog";

} // namespace

void useUserLanguage(const std::string& localeFolder) {
    std::setlocale(LC_ALL, "");
    bindtextdomain(kDomain, localeFolder.c_str());
    bind_textdomain_codeset(kDomain, "UTF-8");
}

const char* hostText(const char* english) {
    return dgettext(kDomain, english);
}

std::string hostText(const char* english, std::initializer_list<std::string> values) {
    std::vector<std::string> filled(values);
    std::string pattern = hostText(english);
    std::string text;
    for (size_t at = 0; at < pattern.size(); ++at) {
        char next = at + 1 < pattern.size() ? pattern[at + 1] : '\0';
        if (pattern[at] == '%' && next >= '1' && next <= '9' &&
            static_cast<size_t>(next - '1') < filled.size()) {
            text.append(filled[static_cast<size_t>(next - '1')]);
            ++at;
        } else {
            text.push_back(pattern[at]);
        }
    }
    return text;
}
