// Bundles: the information dictionary, the registry by identifier and localised strings.
#include "support/BundleFixture.h"
#include "support/TempTree.h"

#include <fstream>
#include <map>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
bool parseStringsFile(const std::string& bytes, std::map<std::string, std::string>* table,
                      std::string* error);
}

namespace {

class BundlesTest : public PlatformTest {
  protected:
    // A bundle folder of our own in a temporary directory.
    std::string makeBundle(const std::string& infoPlist) {
        tree_ = std::make_unique<TempTree>();
        root_ = tree_->root();
        mkdir((root_ + "/Contents").c_str(), 0755);
        mkdir((root_ + "/Contents/Resources").c_str(), 0755);
        std::ofstream(root_ + "/Contents/Info.plist") << infoPlist;
        return root_;
    }
    void writeStrings(const std::string& lproj, const std::string& bytes) {
        std::string folder = root_ + "/Contents/Resources/" + lproj;
        mkdir(folder.c_str(), 0755);
        std::ofstream(folder + "/Localizable.strings", std::ios::binary) << bytes;
    }
    void TearDown() override {
        tree_.reset();
        root_.clear();
        PlatformTest::TearDown();
    }
    std::string localized(CFBundleRef bundle, CFStringRef key) {
        CFStringRef text = CFBundleCopyLocalizedString(bundle, key, key, nullptr);
        char buffer[512] = "";
        CFStringGetCString(text, buffer, sizeof buffer, kCFStringEncodingUTF8);
        CFRelease(text);
        return buffer;
    }
    std::unique_ptr<TempTree> tree_; // removed with all it holds
    std::string root_;
};

const char* kInfo = "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict>"
                    "<key>CFBundleIdentifier</key><string>com.example.test</string>"
                    "<key>CFBundleHelpBookName</key><integer>5</integer>"
                    "<key>List</key><array><string>a</string><true/></array>"
                    "</dict></plist>";

TEST_F(BundlesTest, InfoDictionaryAndRegistry) {
    std::string error;
    CFBundleRef bundle = PlatformHost::openBundle(makeBundle(kInfo), &error);
    ASSERT_NE(bundle, nullptr) << error;
    EXPECT_EQ(CFBundleGetBundleWithIdentifier(CFSTR("com.example.test")), bundle);
    EXPECT_EQ(CFBundleGetBundleWithIdentifier(CFSTR("com.example.other")), nullptr);
    CFTypeRef number = CFBundleGetValueForInfoDictionaryKey(bundle, CFSTR("CFBundleHelpBookName"));
    EXPECT_EQ(CFGetTypeID(number), CFNumberGetTypeID());
    CFTypeRef list = CFBundleGetValueForInfoDictionaryKey(bundle, CFSTR("List"));
    ASSERT_EQ(CFGetTypeID(list), CFArrayGetTypeID());
    EXPECT_EQ(CFArrayGetValueAtIndex(static_cast<CFArrayRef>(list), 1), kCFBooleanTrue);
    EXPECT_EQ(CFBundleGetValueForInfoDictionaryKey(bundle, CFSTR("Missing")), nullptr);

    CFURLRef resources = CFBundleCopyResourcesDirectoryURL(bundle);
    char path[1024];
    ASSERT_TRUE(CFURLGetFileSystemRepresentation(resources, true, reinterpret_cast<UInt8*>(path),
                                                 sizeof path));
    EXPECT_EQ(std::string(path), root_ + "/Contents/Resources");
    CFRelease(resources);
    CFRelease(bundle);
    EXPECT_EQ(CFBundleGetBundleWithIdentifier(CFSTR("com.example.test")), nullptr)
        << "a released bundle leaves the registry";
}

TEST_F(BundlesTest, AnEmptyIdentifierIsNone) {
    std::string error;
    CFBundleRef bundle = PlatformHost::openBundle(
        makeBundle("<?xml version=\"1.0\"?><plist version=\"1.0\"><dict>"
                   "<key>CFBundleIdentifier</key><string></string></dict></plist>"),
        &error);
    ASSERT_NE(bundle, nullptr) << error;
    EXPECT_EQ(CFBundleGetIdentifier(bundle), nullptr);
    EXPECT_EQ(CFBundleGetBundleWithIdentifier(CFSTR("")), nullptr);
    CFRelease(bundle);
}

TEST_F(BundlesTest, NotABundleIsAClearError) {
    std::string error;
    EXPECT_EQ(PlatformHost::openBundle("/nonexistent/Thing.plugin", &error), nullptr);
    EXPECT_NE(error.find("not a folder"), std::string::npos);
    EXPECT_EQ(PlatformHost::openBundle(makeBundle("garbage that is not a plist"), &error), nullptr);
    EXPECT_FALSE(error.empty());
    CFURLRef url =
        CFURLCreateWithFileSystemPath(nullptr, CFSTR("/tmp"), kCFURLPOSIXPathStyle, true);
    EXPECT_EQ(CFBundleCreate(nullptr, url), nullptr);
    CFRelease(url);
}

TEST_F(BundlesTest, LocalizedStringsFollowTheLanguageWithEnglishAsFallback) {
    std::string error;
    CFBundleRef bundle = PlatformHost::openBundle(makeBundle(kInfo), &error);
    ASSERT_NE(bundle, nullptr);
    writeStrings("en.lproj", "/* English */\n\"Accounting\" = \"Accounting\";\n"
                             "\"Only English\" = \"from en\"; // trailing comment\n");
    writeStrings("de.lproj", "\"Accounting\" = \"Kostenabrechnung\";\n");
    {
        ScopedEnv all("LC_ALL", nullptr);
        ScopedEnv messages("LC_MESSAGES", nullptr);
        ScopedEnv lang("LANG", "de_DE.UTF-8");
        EXPECT_EQ(localized(bundle, CFSTR("Accounting")), "Kostenabrechnung");
        EXPECT_EQ(localized(bundle, CFSTR("Only English")), "from en");
        EXPECT_EQ(localized(bundle, CFSTR("Nowhere")), "Nowhere");
    }
    {
        ScopedEnv all("LC_ALL", "C");
        EXPECT_EQ(localized(bundle, CFSTR("Accounting")), "Accounting");
    }
    CFStringRef fallback =
        CFBundleCopyLocalizedString(bundle, CFSTR("Nowhere"), CFSTR("value"), nullptr);
    EXPECT_TRUE(CFEqual(fallback, CFSTR("value")));
    CFRelease(fallback);
    CFRelease(bundle);
}

TEST_F(BundlesTest, AMalformedTableIsMissingStrings) {
    std::string error;
    CFBundleRef bundle = PlatformHost::openBundle(makeBundle(kInfo), &error);
    writeStrings("en.lproj", "\"Accounting\" = \"Accounting\"\n\"Broken\" = ;");
    ScopedEnv all("LC_ALL", "C");
    EXPECT_EQ(localized(bundle, CFSTR("Accounting")), "Accounting") << "the key itself";
    CFStringRef other = CFBundleCopyLocalizedString(bundle, CFSTR("Broken"), nullptr, nullptr);
    EXPECT_TRUE(CFEqual(other, CFSTR("Broken")));
    CFRelease(other);
    CFRelease(bundle);
}

TEST(StringsFile, ParsesEscapesCommentsAndEncodings) {
    std::map<std::string, std::string> table;
    std::string error;
    ASSERT_TRUE(platform::parseStringsFile(
        "// line\n/* block\n comment */ \"a\\\"b\" = \"c\\\\d\\ne\";\n\"same\";\n"
        "bare_key = \"\\U00e9\";",
        &table, &error))
        << error;
    EXPECT_EQ(table["a\"b"], "c\\d\ne");
    EXPECT_EQ(table["same"], "same");
    EXPECT_EQ(table["bare_key"], "\xC3\xA9");

    // UTF-16, little endian with its byte-order mark.
    std::string utf16 = "\xFF\xFE";
    for (char c : std::string("\"k\" = \"v\";")) {
        utf16.push_back(c);
        utf16.push_back('\0');
    }
    table.clear();
    ASSERT_TRUE(platform::parseStringsFile(utf16, &table, &error)) << error;
    EXPECT_EQ(table["k"], "v");
}

TEST(StringsFile, MalformedTablesNameTheLineAndLeaveTheTableAlone) {
    const char* bad[] = {"\"a\" = \"b\"",      "\"a\" = \"b", "/* never closed",
                         "\"a\" = \"\\q\";",   "= \"b\";",    "\"a\" \"b\";",
                         "\"a\" = \"\\U12\";", "\xC3",        "\xFF\xFE\x41"};
    for (const char* text : bad) {
        std::map<std::string, std::string> table = {{"kept", "yes"}};
        std::string error;
        EXPECT_FALSE(platform::parseStringsFile(text, &table, &error)) << text;
        EXPECT_EQ(table.size(), 1u) << text;
    }
    std::map<std::string, std::string> table;
    std::string error;
    EXPECT_FALSE(platform::parseStringsFile("\"a\" = \"b\";\n\n\"c\" = ;", &table, &error));
    EXPECT_NE(error.find("line 3"), std::string::npos) << error;
    // An escape of a control character is named, so the message stays on one line.
    EXPECT_FALSE(platform::parseStringsFile("\"a\" = \"\\\n\";", &table, &error));
    EXPECT_NE(error.find("unknown escape \\x0A"), std::string::npos) << error;
    EXPECT_EQ(error.find('\n'), std::string::npos) << error;
}

class ShippedStringsTest : public BundleTest {};

std::string shipped(CFBundleRef bundle, const char* key) {
    CFStringRef cfKey = CFStringCreateWithCString(nullptr, key, kCFStringEncodingUTF8);
    CFStringRef text = CFBundleCopyLocalizedString(bundle, cfKey, cfKey, nullptr);
    char buffer[512] = "";
    CFStringGetCString(text, buffer, sizeof buffer, kCFStringEncodingUTF8);
    CFRelease(text);
    CFRelease(cfKey);
    return buffer;
}

TEST_F(ShippedStringsTest, EnglishAndGermanTablesTranslateEveryKey) {
    ScopedEnv all("LC_ALL", nullptr);
    ScopedEnv messages("LC_MESSAGES", nullptr);
    {
        ScopedEnv lang("LANG", "en_US.UTF-8");
        EXPECT_EQ(shipped(bundle_, "Accounting"), "Accounting");
        EXPECT_EQ(shipped(bundle_, " Accounting"), "Accounting");
        EXPECT_EQ(shipped(bundle_, " Enabled"), "Enabled");
        EXPECT_EQ(shipped(bundle_, " Disabled"), "Disabled");
        EXPECT_NE(shipped(bundle_, "Cancel Alert").find("not printed"), std::string::npos);
        EXPECT_NE(shipped(bundle_, "Bad Default Codes Message").find("missing"), std::string::npos);
    }
    {
        ScopedEnv lang("LANG", "de_DE.UTF-8");
        EXPECT_EQ(shipped(bundle_, "Accounting"), "Kostenabrechnung");
        EXPECT_EQ(shipped(bundle_, " Accounting"), "Kostenabrechnung");
        EXPECT_EQ(shipped(bundle_, " Enabled"), "Eingeschaltet");
        EXPECT_EQ(shipped(bundle_, " Disabled"), "Ausgeschaltet");
        EXPECT_NE(shipped(bundle_, "Cancel Alert").find("nicht gedruckt"), std::string::npos);
        EXPECT_NE(shipped(bundle_, "Bad Default Codes Message").find("fehlt"), std::string::npos);
    }
}

} // namespace
