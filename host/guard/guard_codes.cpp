// Which codes a job needs, and whether it has them.
#include "host/guard/Guard.h"

#include <cups/cups.h>

#include <cstring>
#include <fstream>
#include <strings.h>

namespace {

// The value of a PPD main keyword line "*KEYWORD: VALUE", quotes taken off; empty for another
// line.
std::string keywordValue(const std::string& line, const char* keyword) {
    size_t length = std::strlen(keyword);
    if (line.size() <= length + 1 || line[0] != '*' || line.compare(1, length, keyword) != 0 ||
        line[length + 1] != ':') {
        return {};
    }
    size_t begin = line.find_first_not_of(" \t", length + 2);
    if (begin == std::string::npos) {
        return {};
    }
    size_t end = line.find_last_not_of(" \t\r");
    std::string value = line.substr(begin, end - begin + 1);
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
        value = value.substr(1, value.size() - 2);
    }
    return value;
}

bool isTrue(const std::string& value) {
    return strcasecmp(value.c_str(), "true") == 0;
}

} // namespace

CodesNeeded codesNeededByPPD(const std::string& ppdPath) {
    std::ifstream ppd(ppdPath);
    if (ppdPath.empty() || !ppd) {
        return CodesNeeded{};
    }
    CodesNeeded needed{false, false};
    std::string line;
    while (std::getline(ppd, line)) {
        if (line.rfind("*cupsJobAccount", 0) != 0) {
            continue;
        }
        if (isTrue(keywordValue(line, "cupsJobAccountingUserId"))) {
            needed.userId = true;
        }
        if (isTrue(keywordValue(line, "cupsJobAccountId"))) {
            needed.accountId = true;
        }
    }
    return needed;
}

CodeProblem codeProblem(std::string_view code) {
    if (code.empty()) {
        return CodeProblem::Missing;
    }
    for (size_t i = 0; i < code.size();) {
        auto c = static_cast<unsigned char>(code[i]);
        size_t length = c < 0x80             ? 1
                        : (c & 0xE0) == 0xC0 ? 2
                        : (c & 0xF0) == 0xE0 ? 3
                        : (c & 0xF8) == 0xF0 ? 4
                                             : 0;
        if (length == 0 || i + length > code.size()) {
            return CodeProblem::NotUtf8;
        }
        char32_t point = length == 1 ? c : c & (0x7F >> length);
        for (size_t k = 1; k < length; ++k) {
            auto next = static_cast<unsigned char>(code[i + k]);
            if ((next & 0xC0) != 0x80) {
                return CodeProblem::NotUtf8;
            }
            point = (point << 6) | (next & 0x3F);
        }
        // Overlong forms, surrogates and points beyond Unicode are not UTF-8 either.
        static const char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (point < kSmallest[length] || (point >= 0xD800 && point <= 0xDFFF) || point > 0x10FFFF) {
            return CodeProblem::NotUtf8;
        }
        if (point < 0x20 || (point >= 0x7F && point <= 0x9F)) {
            return CodeProblem::ControlCharacter;
        }
        i += length;
    }
    return CodeProblem::None;
}

CodesFound checkCodes(CodesNeeded needed, const char* userId, const char* accountId) {
    CodesFound found;
    if (needed.userId) {
        found.userId = codeProblem(userId != nullptr ? userId : "");
    }
    if (needed.accountId) {
        found.accountId = codeProblem(accountId != nullptr ? accountId : "");
    }
    return found;
}

CodeCheck checkJobCodes(const char* options, CodesNeeded needed) {
    cups_option_t* parsed = nullptr;
    int count = cupsParseOptions(options != nullptr ? options : "", 0, &parsed);
    CodesFound found = checkCodes(needed, cupsGetOption("job-accounting-user-id", count, parsed),
                                  cupsGetOption("job-account-id", count, parsed));
    cupsFreeOptions(count, parsed);
    CodeCheck check;
    for (CodeProblem problem :
         {CodeProblem::Missing, CodeProblem::ControlCharacter, CodeProblem::NotUtf8}) {
        // The codes with this problem: "the user ID", "the user ID and the account ID".
        bool user = found.userId == problem, account = found.accountId == problem;
        if (!user && !account) {
            continue;
        }
        bool both = user && account;
        check.reason += check.reason.empty() ? "" : "; ";
        check.reason += both   ? "the user ID and the account ID"
                        : user ? "the user ID"
                               : "the account ID";
        switch (problem) {
        case CodeProblem::Missing:
            check.reason += both ? " are missing" : " is missing";
            break;
        case CodeProblem::ControlCharacter:
            check.reason += both ? " hold a control character" : " holds a control character";
            break;
        default:
            check.reason += both ? " are not UTF-8" : " is not UTF-8";
            break;
        }
    }
    check.passes = found.pass();
    return check;
}

std::string heldMessage(const std::string& reason) {
    return "Held until accounting-agent gives it its accounting codes: " + reason;
}
