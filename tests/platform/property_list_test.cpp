// The guarded property-list reader under tickets and, later, layouts and bundles.
#include "support/PlatformTest.h"
#include "support/TempTree.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class PropertyListTest : public PlatformTest {};

std::string tempFile(const std::string& contents) {
    char path[] = "/tmp/plist-test-XXXXXX";
    int fd = mkstemp(path);
    close(fd);
    std::ofstream(path, std::ios::binary) << contents;
    return path;
}

TEST_F(PropertyListTest, SampleSettingsFileLoads) {
    PMTicketRef ticket = nullptr;
    std::string error;
    ASSERT_TRUE(PlatformHost::loadTicketFile(
        ACCOUNTING_SOURCE_DIR "/examples/sample-settings.plist", &ticket, &error))
        << error;
    PlatformHost::TicketItem item;
    ASSERT_TRUE(PlatformHost::ticketItem(ticket, "com.quorv.Act.qtaf.On", &item));
    EXPECT_EQ(item.number, 3);
    PMRelease(ticket);
}

TEST_F(PropertyListTest, CommentsAndCdataDoNotCountAsNesting) {
    std::string xml = "<?xml version=\"1.0\"?><!-- <array><array> --><plist version=\"1.0\">"
                      "<dict><key>a</key><string><![CDATA[<dict><dict>]]></string>"
                      "<key>b</key><dict><key>value</key><integer>-4</integer></dict></dict>"
                      "</plist>";
    PMTicketRef ticket = nullptr;
    std::string error;
    ASSERT_TRUE(PlatformHost::loadTicketFromXml(xml, &ticket, &error)) << error;
    PlatformHost::TicketItem item;
    ASSERT_TRUE(PlatformHost::ticketItem(ticket, "a", &item));
    EXPECT_EQ(item.text, "<dict><dict>");
    ASSERT_TRUE(PlatformHost::ticketItem(ticket, "b", &item));
    EXPECT_EQ(item.number, -4);
    PMRelease(ticket);
}

TEST_F(PropertyListTest, OversizedAndUnterminatedInputIsRefused) {
    std::string big = "<?xml version=\"1.0\"?><plist><dict><key>a</key><string>" +
                      std::string(5 * 1024 * 1024, 'x') + "</string></dict></plist>";
    std::string path = tempFile(big);
    PMTicketRef ticket = nullptr;
    std::string error;
    EXPECT_FALSE(PlatformHost::loadTicketFile(path, &ticket, &error));
    EXPECT_NE(error.find("larger"), std::string::npos) << error;
    unlink(path.c_str());

    EXPECT_FALSE(
        PlatformHost::loadTicketFromXml("<plist><dict><!-- never closed", &ticket, &error));
    EXPECT_FALSE(PlatformHost::loadTicketFromXml("<plist><dict", &ticket, &error));
}

TEST_F(PropertyListTest, SaveWritesAFileThatLoadsBack) {
    PMTicketRef ticket = nullptr;
    PMTicketCreate(nullptr, CFSTR("t"), &ticket);
    PMTicketSetSInt32(ticket, CFSTR("c"), CFSTR("com.quorv.Act.qtaf.On"), 2, false);
    std::string path = tempFile("");
    std::string error;
    ASSERT_TRUE(PlatformHost::saveTicketFile(ticket, path, &error)) << error;
    PMTicketRef loaded = nullptr;
    ASSERT_TRUE(PlatformHost::loadTicketFile(path, &loaded, &error)) << error;
    SInt32 value = 0;
    EXPECT_EQ(PMTicketGetSInt32(loaded, 0, 0, CFSTR("com.quorv.Act.qtaf.On"), &value), noErr);
    EXPECT_EQ(value, 2);
    unlink(path.c_str());
    PMRelease(ticket);
    PMRelease(loaded);
}

// Every file kind read through the guarded reader: a print-settings ticket, a nib and a bundle's
// Info.plist. Each gets the same text where a string would stand.
class ReaderKindsTest : public PlatformTest {
  protected:
    void TearDown() override {
        tree_.reset();
        root_.clear();
        PlatformTest::TearDown();
    }

    // A bundle folder whose Info.plist and nib "Test" hold these bytes.
    void writeBundle(const std::string& info, const std::string& nib) {
        if (root_.empty()) {
            tree_ = std::make_unique<TempTree>();
            root_ = tree_->root();
            mkdir((root_ + "/Contents").c_str(), 0755);
            mkdir((root_ + "/Contents/Resources").c_str(), 0755);
        }
        std::ofstream(root_ + "/Contents/Info.plist", std::ios::binary) << info;
        std::ofstream(root_ + "/Contents/Resources/Test.nib", std::ios::binary) << nib;
    }

    // What each kind answers for a string value of these bytes: the error, or "" on success.
    struct Answers {
        std::string ticket;
        std::string info;
        std::string nib;
    };
    Answers read(const std::string& value) {
        Answers answers;
        const std::string info = "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict>"
                                 "<key>CFBundleName</key><string>" +
                                 value + "</string></dict></plist>";
        const std::string nib = "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict>"
                                "<key>windows</key><dict><key>W</key><dict><key>title</key>"
                                "<string>" +
                                value +
                                "</string><key>bounds</key><array><integer>0</integer>"
                                "<integer>0</integer><integer>10</integer><integer>10</integer>"
                                "</array><key>controls</key><array/></dict></dict></dict></plist>";
        PMTicketRef ticket = nullptr;
        if (PlatformHost::loadTicketFromXml(info, &ticket, &answers.ticket)) {
            PMRelease(ticket);
        }
        writeBundle(info, nib);
        CFBundleRef bundle = PlatformHost::openBundle(root_, &answers.info);
        if (bundle == nullptr) {
            // The nib is read through a bundle whose Info.plist is sound.
            writeBundle("<?xml version=\"1.0\"?><plist version=\"1.0\"><dict/></plist>", nib);
            std::string unused;
            bundle = PlatformHost::openBundle(root_, &unused);
        }
        EXPECT_NE(bundle, nullptr);
        IBNibRef ref = nullptr;
        if (CreateNibReferenceWithCFBundle(bundle, CFSTR("Test"), &ref) == noErr) {
            DisposeNibReference(ref);
        } else {
            answers.nib = PlatformHost::lastNibError();
        }
        CFRelease(bundle);
        return answers;
    }

    std::unique_ptr<TempTree> tree_; // removed with all it holds

    std::string root_;
};

TEST_F(ReaderKindsTest, CharactersXmlDoesNotAllowAreAClearErrorForEveryKind) {
    struct Case {
        std::string value;
        const char* reason;
    };
    const Case cases[] = {
        {std::string("a\0b", 3), "byte 0x00 at offset"},
        {"a\x01", "byte 0x01"},
        {"\x0B", "byte 0x0B"},
        {"\x1F", "byte 0x1F"},
        {"\x7F\xFF", "byte 0xFF"},
        {"cut \xC3", "byte 0xC3"},
        {"\xC0\xAF", "not UTF-8"},              // an overlong slash
        {"\xED\xA0\x80", "not UTF-8"},          // a surrogate
        {"\xEF\xBF\xBE", "not allowed in XML"}, // U+FFFE
        {"&#1;", "character reference"},
        {"&#x1F;", "character reference"},
        {"&#xFFFF;", "character reference"},
        {"&#xD800;", "character reference"},
        {"&#99999999999999999999;", "character reference"},
    };
    for (const Case& c : cases) {
        Answers answers = read(c.value);
        for (const std::string* error : {&answers.ticket, &answers.info, &answers.nib}) {
            EXPECT_NE(error->find("malformed property list"), std::string::npos)
                << c.reason << ": " << *error;
            EXPECT_NE(error->find(c.reason), std::string::npos) << *error;
        }
    }
}

TEST_F(ReaderKindsTest, EveryCharacterXmlAllowsStillReads) {
    for (const std::string& value :
         {std::string("tab\there, line\nfeed, return\r"), std::string("\xC3\xA9\xE2\x82\xAC"),
          std::string("\xF4\x8F\xBF\xBF"), std::string("&#9;&#x41;&#xE9;&#x10FFFF;&amp;")}) {
        Answers answers = read(value);
        EXPECT_EQ(answers.ticket, "") << value;
        EXPECT_EQ(answers.info, "") << value;
        EXPECT_EQ(answers.nib, "") << value;
    }
}

} // namespace
