// The accounting guard's rules without a server: the codes in a job's options as CUPS hands them
// to a backend, the codes a PPD calls for, the backend behind the guard, the administrator's
// checks of cupsd.conf, and the server's words made safe to show.
#include "host/ShownText.h"
#include "host/guard/Guard.h"
#include "host/guard/QueueGuard.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const CodesNeeded kBoth{true, true};

TEST(GuardCodes, ReadsTheCodesAsLibcupsQuotesThem) {
    std::string code255(255, 'x');
    struct Case {
        const char* what;
        std::string options;
        CodesNeeded needed;
        bool passes;
        const char* reason;
    };
    const Case cases[] = {
        {"both codes", "job-account-id=ACC42 job-accounting-user-id=alice copies=1", kBoth, true,
         ""},
        {"a space, backslash-quoted", "job-account-id=A\\ B job-accounting-user-id=alice", kBoth,
         true, ""},
        {"a value in quotes", "job-account-id='A B' job-accounting-user-id=\"x y\"", kBoth, true,
         ""},
        {"a backslash kept", "job-account-id=A\\\\B job-accounting-user-id=u", kBoth, true, ""},
        {"UTF-8",
         "job-account-id=Kostenstelle-\xC3\xA4\xE2\x82\xAC job-accounting-user-id=j\xC3\xBCrgen",
         kBoth, true, ""},
        {"a 255-byte code", "job-account-id=" + code255 + " job-accounting-user-id=u", kBoth, true,
         ""},
        {"no options", "", kBoth, false, "the user ID and the account ID are missing"},
        {"the account ID missing", "job-accounting-user-id=alice", kBoth, false,
         "the account ID is missing"},
        {"an empty user ID", "job-account-id=A job-accounting-user-id=''", kBoth, false,
         "the user ID is missing"},
        {"an empty value unquoted", "job-account-id= job-accounting-user-id=u", kBoth, false,
         "the account ID is missing"},
        {"a name only alike", "job-account-id-x=A job-accounting-user-id=u", kBoth, false,
         "the account ID is missing"},
        {"only the user ID needed", "job-accounting-user-id=alice", CodesNeeded{true, false}, true,
         ""},
        {"nothing needed", "", CodesNeeded{false, false}, true, ""},
        {"not UTF-8", "job-account-id=A\xFF job-accounting-user-id=u", kBoth, false,
         "the account ID is not UTF-8"},
        {"two problems", "job-account-id='A\tB'", kBoth, false,
         "the user ID is missing; the account ID holds a control character"},
    };
    for (const Case& c : cases) {
        CodeCheck check = checkJobCodes(c.options.c_str(), c.needed);
        EXPECT_EQ(check.passes, c.passes) << c.what;
        EXPECT_EQ(check.reason, c.reason) << c.what;
    }
    EXPECT_EQ(heldMessage("the account ID is missing"),
              "Held until accounting-agent gives it its accounting codes: the account ID is "
              "missing");
}

TEST(GuardCodes, RefusesEveryControlCharacter) {
    for (int c = 1; c < 0x20; ++c) {
        std::string code = "A" + std::string(1, static_cast<char>(c)) + "B";
        EXPECT_EQ(codeProblem(code), CodeProblem::ControlCharacter) << c;
        std::string options = "job-accounting-user-id=u job-account-id='" + code + "'";
        EXPECT_FALSE(checkJobCodes(options.c_str(), kBoth).passes) << c;
    }
    EXPECT_EQ(codeProblem("A\x7F"), CodeProblem::ControlCharacter);
    for (int c = 0x80; c <= 0x9F; ++c) { // C1, as UTF-8
        std::string code = "A\xC2" + std::string(1, static_cast<char>(c));
        EXPECT_EQ(codeProblem(code), CodeProblem::ControlCharacter) << c;
    }
    // Neighbours that are not controls, and bytes 0x80 to 0x9F inside other characters.
    for (const char* fine : {"A\xC2\xA0", "~", "\xE2\x82\xAC", "\xF0\x9F\x98\x80", " x"}) {
        EXPECT_EQ(codeProblem(fine), CodeProblem::None) << fine;
    }
    for (const char* broken :
         {"\x80", "\xC0\x80", "\xED\xA0\x80", "\xE2\x82", "\xF4\x90\x80\x80"}) {
        EXPECT_EQ(codeProblem(broken), CodeProblem::NotUtf8) << broken;
    }
    EXPECT_EQ(codeProblem(""), CodeProblem::Missing);
}

class GuardFiles : public ::testing::Test {
  protected:
    void SetUp() override {
        char folder[] = "/tmp/guard-test-XXXXXX";
        ASSERT_NE(mkdtemp(folder), nullptr);
        folder_ = folder;
        ASSERT_EQ(mkdir((folder_ + "/backend").c_str(), 0755), 0);
    }
    void TearDown() override { ASSERT_EQ(std::system(("rm -rf '" + folder_ + "'").c_str()), 0); }
    std::string write(const std::string& name, const std::string& text, mode_t mode = 0644) {
        std::string path = folder_ + "/" + name;
        std::ofstream(path) << text;
        chmod(path.c_str(), mode);
        return path;
    }
    std::string folder_;
};

TEST_F(GuardFiles, TheCodesAPPDCallsFor) {
    struct Case {
        const char* ppd;
        bool user, account;
    };
    const Case cases[] = {
        {"*PPD-Adobe: \"4.3\"\n*cupsJobAccountId: True\n*cupsJobAccountingUserId: True\n", true,
         true},
        {"*cupsJobAccountingUserId: True\r\n*cupsJobAccountId: False\r\n", true, false},
        {"*cupsJobAccountId: \"true\"\n", false, true},
        {"*cupsJobAccountIdX: True\n*% *cupsJobAccountingUserId: True\n", false, false},
        {"*Manufacturer: \"Quorv\"\n", false, false},
    };
    for (const Case& c : cases) {
        CodesNeeded needed = codesNeededByPPD(write("q.ppd", c.ppd));
        EXPECT_EQ(needed.userId, c.user) << c.ppd;
        EXPECT_EQ(needed.accountId, c.account) << c.ppd;
    }
    // A PPD that can't be read calls for both: the guard never lets a job through for it.
    CodesNeeded unread = codesNeededByPPD(folder_ + "/missing.ppd");
    EXPECT_TRUE(unread.userId && unread.accountId);
    EXPECT_TRUE(codesNeededByPPD("").userId);
}

TEST_F(GuardFiles, FindsTheRealBackendOnlyWhereCUPSWouldRunItAsLp) {
    write("backend/ipp", "#!/bin/sh\n", 0755);
    write("backend/usb", "#!/bin/sh\n", 0700);
    write("backend/serial", "#!/bin/sh\n", 0744);
    write("backend/notes", "text\n", 0644);
    struct Case {
        const char* uri;
        bool usable;
        const char* problem; // a part of it
    };
    const Case cases[] = {
        {"quorv-accounting:ipp://printer.example/ipp/print", true, ""},
        {"quorv-accounting:usb://Quorv/7350", false, "(mode 0700) runs only as root"},
        {"quorv-accounting:serial:/dev/ttyS0", false, "(mode 0744) runs only as root"},
        {"quorv-accounting:notes:x", false, "is not a program"},
        {"quorv-accounting:lpd://host/queue", false, "there is no backend for lpd"},
        {"quorv-accounting:quorv-accounting:ipp://h/", false, "puts the guard in front of itself"},
        {"quorv-accounting:", false, "names no printer URI"},
        {"quorv-accounting:../../bin/sh:x", false, "names no printer URI"},
        {"quorv-accounting:file:///dev/null", false, "file: devices are written by cupsd"},
        {"ipp://printer.example/", false, "does not begin with quorv-accounting:"},
    };
    for (const Case& c : cases) {
        RealBackend real = findRealBackend(c.uri, folder_);
        EXPECT_EQ(real.usable, c.usable) << c.uri;
        EXPECT_NE(real.problem.find(c.problem), std::string::npos) << c.uri << ": " << real.problem;
    }
    RealBackend ipp = findRealBackend("quorv-accounting:ipp://printer.example/ipp/print", folder_);
    EXPECT_EQ(ipp.uri, "ipp://printer.example/ipp/print");
    EXPECT_EQ(ipp.program, folder_ + "/backend/ipp");
}

TEST(QueueGuard, ReadsThePrivacyOfThePolicyTheQueueFollows) {
    const std::string conf = R"(LogLevel warn
JobPrivateValues all
<Policy default>
  JobPrivateAccess default
  JobPrivateValues default job-account-id job-accounting-user-id
  <Limit Create-Job>
    JobPrivateValues none
  </Limit>
</Policy>
<Policy open>
  JobPrivateAccess all
  JobPrivateValues default
</Policy>
<Policy  bare >
</Policy>
)";
    PolicyPrivacy strict = policyPrivacy(conf, "default");
    EXPECT_TRUE(strict.found);
    EXPECT_TRUE(strict.ownerOnly);
    EXPECT_EQ(strict.privateValues,
              (std::vector<std::string>{"job-name", "job-originating-host-name",
                                        "job-originating-user-name", "phone", "job-account-id",
                                        "job-accounting-user-id"}));
    PolicyPrivacy open = policyPrivacy(conf, "open");
    EXPECT_FALSE(open.ownerOnly);
    EXPECT_EQ(open.privateValues.size(), 4u);
    PolicyPrivacy bare = policyPrivacy(conf, "bare");
    EXPECT_TRUE(bare.found);
    EXPECT_EQ(bare.privateValues.size(), 4u); // CUPS's default
    EXPECT_FALSE(policyPrivacy(conf, "missing").found);

    EXPECT_TRUE(ownerOnClientsWord({"requesting-user-name"}));
    EXPECT_TRUE(ownerOnClientsWord({"basic", "none"}));
    EXPECT_TRUE(ownerOnClientsWord({}));
    EXPECT_FALSE(ownerOnClientsWord({"basic"}));
    EXPECT_FALSE(ownerOnClientsWord({"negotiate", "certificate"}));
}

TEST(ShownText, TheServersWordsShowAsWritten) {
    struct Case {
        const char* what;
        std::string text;
        std::string shown;
    };
    const Case cases[] = {
        {"plain", "Quarterly report", "Quarterly report"},
        {"markup stays text here", "<b>x</b> & y", "<b>x</b> & y"},
        {"a line break", "forged\njob 999: Released", "forged\xE2\x90\x8Ajob 999: Released"},
        {"an escape sequence", "\x1B[31mred", "\xE2\x90\x9B[31mred"},
        {"a NUL", std::string("a\0b", 3),
         "a\xE2\x90\x80"
         "b"},
        {"DEL and C1", "a\x7F\xC2\x9B", "a\xE2\x90\xA1\xEF\xBF\xBD"},
        {"a direction override", "abc\xE2\x80\xAEgpj.exe", "abc\xEF\xBF\xBDgpj.exe"},
        {"invalid UTF-8", "caf\xE9!", "caf\xEF\xBF\xBD!"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(shownText(c.text), c.shown) << c.what;
    }
    std::string longName(30000, 'n');
    EXPECT_EQ(shownText(longName), std::string(kShownCharacters, 'n') + "\xE2\x80\xA6");
    EXPECT_EQ(shownText("\xC3\xA4\xC3\xB6\xC3\xBC", 2), "\xC3\xA4\xC3\xB6\xE2\x80\xA6");
    EXPECT_EQ(oneLine(longName + "\n"), longName + "\xE2\x90\x8A");
}

} // namespace
