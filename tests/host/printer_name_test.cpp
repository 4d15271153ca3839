// How a printer is named: cups:QUEUE is always a queue; a bare word is a file only where the rule
// says so.
#include "host/printing/PrinterName.h"

#include <gtest/gtest.h>

namespace {

TEST(PrinterName, TheRuleForEachKindOfWord) {
    const std::string ppd = std::string(ACCOUNTING_SOURCE_DIR) + "/examples/quorv.ppd";
    struct Case {
        std::string word;
        BareWord rule;
        bool parsed;
        PrinterName::Kind kind;
        std::string value;
    };
    const Case cases[] = {
        {"cups:quorv-office", BareWord::FileOrQueue, true, PrinterName::Kind::Queue,
         "quorv-office"},
        {"cups:" + ppd, BareWord::FileOrQueue, true, PrinterName::Kind::Queue, ppd},
        {ppd, BareWord::FileOrQueue, true, PrinterName::Kind::PPDFile, ppd},
        {"no-such-file-here", BareWord::FileOrQueue, true, PrinterName::Kind::Queue,
         "no-such-file-here"},
        {"no-such-file-here", BareWord::PPDFile, true, PrinterName::Kind::PPDFile,
         "no-such-file-here"},
        {"cups:", BareWord::FileOrQueue, false, PrinterName::Kind::PPDFile, "untouched"},
        {"", BareWord::PPDFile, false, PrinterName::Kind::PPDFile, "untouched"},
    };
    for (const Case& c : cases) {
        PrinterName name{PrinterName::Kind::PPDFile, "untouched"};
        EXPECT_EQ(parsePrinterName(c.word, c.rule, &name), c.parsed) << c.word;
        EXPECT_EQ(name.kind, c.kind) << c.word;
        EXPECT_EQ(name.value, c.value) << c.word;
    }
    EXPECT_EQ(PrinterName::queue("q").spelled(), "cups:q");
    EXPECT_EQ((PrinterName{PrinterName::Kind::PPDFile, "/a/b.ppd"}).shortName(), "b.ppd");
}

} // namespace
