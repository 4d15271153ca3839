// The mapping from the pane's ticket to a job's accounting attributes, and what a queue job is
// made of.
#include "host/ShownCodes.h"
#include "host/printing/JobAccounting.h"
#include "host/printing/QueueJobs.h"
#include "host/printing/TestPage.h"
#include "support/SettingsFixture.h"

#include <string>
#include <vector>

namespace {

// The settings fixture's ticket; its put helpers put items as they stand, past the ticket's own
// checks, which are not the mapping's.
class JobAccountingTest : public SettingsTest {};

// "name=value" for each attribute (a * after a concealed one), or "refused: why".
std::string summary(const JobAccounting& accounting) {
    if (accounting.refused) {
        return "refused: " + accounting.reason;
    }
    std::string out;
    for (const JobAttribute& a : accounting.attributes) {
        out += (out.empty() ? "" : " ") + a.name + "=" + a.value + (a.concealed ? "*" : "");
    }
    return out;
}

TEST_F(JobAccountingTest, TheModeTheAccountTypeAndThePaneDecideTheAttributes) {
    struct Case {
        SInt32 mode, accountType;
        const char* user;
        const char* account;
        PaneState pane;
        PrinterKind printer;
        const char* expected;
    };
    const PaneState wired = PaneState::Wired, unwired = PaneState::Unwired;
    const PrinterKind quorv = PrinterKind::Accounting, other = PrinterKind::Other;
    const Case cases[] = {
        {1, 1, "u", "a", wired, quorv, ""},
        {4, 1, "u", "a", wired, quorv, ""},
        {0, 1, "u", "a", wired, quorv, ""},
        {3, 1, "u", "a", wired, quorv, "job-accounting-user-id=u job-account-id=a*"},
        {3, 3, "u", "a", wired, quorv, "job-accounting-user-id=u job-account-id=a*"},
        {2, 1, "u", "a", wired, quorv, "job-accounting-user-id=u"},
        {2, 1, "u", "", wired, quorv, "job-accounting-user-id=u"},
        {2, 2, "u", "a", wired, quorv, "job-accounting-user-id=u job-account-id=a*"},
        {2, 3, "u", "", wired, quorv, "refused: the account ID is missing"},
        {3, 1, "u", "", wired, quorv, "refused: the account ID is missing"},
        {3, 1, "", "a", wired, quorv, "refused: the user ID is missing"},
        {2, 1, "", "", wired, quorv, "refused: the user ID is missing"},
        {3, 1, "u", "a", unwired, quorv,
         "refused: the Accounting pane could not collect the codes"},
        {3, 1, "u", "a", unwired, other, ""},
        {1, 1, "u", "a", unwired, quorv, ""},
    };
    putInt("com.quorv.Act.qtaf.CU", 0);
    putInt("com.quorv.Act.qtaf.CA", 1);
    for (const Case& c : cases) {
        putInt("com.quorv.Act.qtaf.On", c.mode);
        putInt("com.quorv.Act.qtaf.AT", c.accountType);
        putString("com.quorv.Act.qtaf.UID", c.user);
        putString("com.quorv.Act.qtaf.AID", c.account);
        EXPECT_EQ(summary(jobAccountingFor(ticket_, c.pane, c.printer)), c.expected)
            << "mode " << c.mode << " type " << c.accountType << " user \"" << c.user
            << "\" account \"" << c.account << "\"";
    }
    EXPECT_EQ(summary(jobAccountingFor(nullptr, wired, quorv)), "") << "no ticket";
}

TEST_F(JobAccountingTest, ACodeIppCannotCarryUnchangedRefusesTheJob) {
    putInt("com.quorv.Act.qtaf.On", 3);
    putString("com.quorv.Act.qtaf.AID", "acct");
    struct Case {
        std::string user;
        const char* why; // empty: sent as it stands
    };
    const Case cases[] = {
        {std::string(255, 'u'), ""},
        {std::string(256, 'u'), "it is 256 bytes long, and IPP carries at most 255"},
        {std::string(127, 'u') + "\xC3\xA9", ""}, // 129 bytes, a whole character at the end
        {"\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80 spaced = fine", ""},
        {"tab\there", "it holds a control character"},
        {"line\nbreak", "it holds a control character"},
        {"del\x7F", "it holds a control character"},
        {"c1\xC2\x85", "it holds a control character"},
        {"cut \xC3", "it is not UTF-8"},
        {"\xC0\xAF", "it is not UTF-8"},
        {"\xED\xA0\x80", "it is not UTF-8"},
    };
    for (const Case& c : cases) {
        putString("com.quorv.Act.qtaf.UID", c.user);
        JobAccounting accounting =
            jobAccountingFor(ticket_, PaneState::Wired, PrinterKind::Accounting);
        if (*c.why == '\0') {
            EXPECT_FALSE(accounting.refused) << accounting.reason;
            ASSERT_EQ(accounting.attributes.size(), 2u);
            EXPECT_EQ(accounting.attributes[0].value, c.user) << "sent unchanged";
        } else {
            EXPECT_TRUE(accounting.refused) << c.user;
            EXPECT_EQ(accounting.reason,
                      std::string("the user ID cannot be sent to the printer unchanged: ") + c.why);
            EXPECT_TRUE(accounting.attributes.empty());
        }
    }
}

TEST(ShownCode, ConcealedCodesAreABulletPerCharacter) {
    EXPECT_EQ(shownCode("plain", false), "plain");
    EXPECT_EQ(shownCode("abc", true), "\xE2\x80\xA2\xE2\x80\xA2\xE2\x80\xA2");
    EXPECT_EQ(shownCode("\xC3\xA9\xE2\x82\xAC", true), "\xE2\x80\xA2\xE2\x80\xA2");
    EXPECT_EQ(shownCode("", true), "");
}

TEST(QueueJobs, TheDocumentFormatComesFromTheFirstBytes) {
    EXPECT_EQ(documentFormatOf("%PDF-1.4\n..."), "application/pdf");
    EXPECT_EQ(documentFormatOf("%!PS-Adobe-3.0\n"), "application/postscript");
    EXPECT_EQ(documentFormatOf("hello\n"), "text/plain");
    EXPECT_EQ(documentFormatOf("caf\xC3"), "text/plain") << "a character cut off by the prefix";
    EXPECT_EQ(documentFormatOf("caf\xC3\xA9 \xE2\x82"), "text/plain");
    EXPECT_EQ(documentFormatOf("caf\xC3 and on"), "application/octet-stream");
    EXPECT_EQ(documentFormatOf(std::string("bin\0ary", 7)), "application/octet-stream");
    EXPECT_EQ(documentFormatOf("\xFF\xD8\xFF\xE0"), "application/octet-stream");
}

TEST(TestPage, IsOnePageOfPdf) {
    std::string pdf = testPagePdf("quorv-office");
    EXPECT_EQ(pdf.rfind("%PDF-", 0), 0u);
    EXPECT_NE(pdf.find("/Count 1\n"), std::string::npos) << "one page in the page tree";
    EXPECT_NE(pdf.find("%%EOF"), std::string::npos);
}

} // namespace
