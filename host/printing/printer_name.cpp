#include "host/printing/PrinterName.h"

#include <unistd.h>

namespace {

constexpr const char kQueuePrefix[] = "cups:";
constexpr size_t kQueuePrefixLength = sizeof kQueuePrefix - 1;

} // namespace

std::string PrinterName::spelled() const {
    return kind == Kind::Queue ? kQueuePrefix + value : value;
}

std::string PrinterName::shortName() const {
    if (kind == Kind::Queue) {
        return value;
    }
    size_t slash = value.find_last_of('/');
    return slash == std::string::npos ? value : value.substr(slash + 1);
}

bool parsePrinterName(const std::string& word, BareWord rule, PrinterName* out) {
    if (word.rfind(kQueuePrefix, 0) == 0) {
        if (word.size() == kQueuePrefixLength) {
            return false;
        }
        *out = PrinterName::queue(word.substr(kQueuePrefixLength));
        return true;
    }
    if (word.empty()) {
        return false;
    }
    bool file = rule == BareWord::PPDFile || access(word.c_str(), F_OK) == 0;
    *out = {file ? PrinterName::Kind::PPDFile : PrinterName::Kind::Queue, word};
    return true;
}

std::unique_ptr<Printer> openPrinter(const PrinterName& name, const CupsServer& server) {
    return name.kind == PrinterName::Kind::Queue ? Printer::fromQueue(server, name.value)
                                                 : Printer::fromPPD(name.value);
}
