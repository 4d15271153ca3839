// Opening the help book a bundle names.
#include "help/Help.h"
#include "support/BundleFixture.h"
#include "support/TempTree.h"

#include <fstream>
#include <memory>
#include <sys/stat.h>

namespace {

class DisplayHelpTest : public BundleTest {
  protected:
    void TearDown() override {
        tree_.reset();
        root_.clear();
        BundleTest::TearDown();
    }
    // A bundle whose information dictionary has this value for the help-book key.
    CFBundleRef bundleWithBookValue(const std::string& valueXml) {
        tree_ = std::make_unique<TempTree>();
        root_ = tree_->root();
        mkdir((root_ + "/Contents").c_str(), 0755);
        std::ofstream(root_ + "/Contents/Info.plist")
            << "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict>"
               "<key>CFBundleHelpBookName</key>"
            << valueXml << "</dict></plist>";
        std::string error;
        return PlatformHost::openBundle(root_, &error);
    }
    std::unique_ptr<TempTree> tree_; // removed with all it holds
    std::string root_;
};

TEST_F(DisplayHelpTest, NoBookNamedIsAParameterError) {
    EXPECT_EQ(DisplayHelp(nullptr, kAccountingHelpPage, nullptr), paramErr);
    EXPECT_EQ(DisplayHelp(bundle_, kAccountingHelpPage, nullptr), paramErr)
        << "the pane's own bundle names no help book";
    for (const char* value : {"<integer>5</integer>", "<array><string>Book</string></array>"}) {
        CFBundleRef odd = bundleWithBookValue(value);
        ASSERT_NE(odd, nullptr);
        EXPECT_EQ(DisplayHelp(odd, kAccountingHelpPage, nullptr), paramErr) << value;
        CFRelease(odd);
        tree_.reset();
        root_.clear();
    }
    EXPECT_TRUE(PlatformHost::helpRequests().empty()) << "nothing was opened";
}

TEST_F(DisplayHelpTest, ThePaneHelpPageOpensInTheNamedBook) {
    EXPECT_EQ(DisplayHelp(helpBundle_, kAccountingHelpPage, nullptr), noErr);
    auto requests = PlatformHost::helpRequests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].book, "Quorv Printer Help");
    EXPECT_EQ(requests[0].page, "Mac_topics/M_accounting_dialog.htm");
    EXPECT_NE(requests[0].file.find("/QuorvHelp/Mac_topics/M_accounting_dialog.htm"),
              std::string::npos);
}

TEST_F(DisplayHelpTest, AnAnchorTakesPrecedenceOverThePage) {
    EXPECT_EQ(DisplayHelp(helpBundle_, CFSTR("no/such/page.htm"), CFSTR("codes")), noErr);
    auto requests = PlatformHost::helpRequests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].page, "");
    EXPECT_EQ(requests[0].anchor, "codes");
    EXPECT_NE(requests[0].file.find("M_accounting_dialog.htm"), std::string::npos);
}

TEST_F(DisplayHelpTest, TheViewersFailuresComeBackUnchanged) {
    EXPECT_EQ(DisplayHelp(helpBundle_, CFSTR("Mac_topics/missing.htm"), nullptr), kAHInternalErr);
    EXPECT_EQ(DisplayHelp(helpBundle_, kAccountingHelpPage, CFSTR("nowhere")), kAHInternalErr);
    EXPECT_EQ(DisplayHelp(helpBundle_, CFSTR("../../Info.plist"), nullptr), kAHInternalErr);
    EXPECT_EQ(PlatformHost::helpRequests().size(), 3u);
}

} // namespace
