// Nibs: the shipped layouts open, and malformed ones are clear errors.
#include "support/BundleFixture.h"
#include "support/TempTree.h"

#include <fstream>
#include <memory>
#include <sys/stat.h>

namespace {

class NibsTest : public BundleTest {
  protected:
    PlatformHost::ControlState state(WindowRef window, SInt32 id) {
        PlatformHost::ControlState s;
        s.title = "<missing>";
        PlatformHost::controlState(PlatformHost::findControl(window, id), &s);
        return s;
    }
};

TEST_F(NibsTest, ShippedPromptWindowsCarryTheirControls) {
    IBNibRef nib = nullptr;
    ASSERT_EQ(CreateNibReferenceWithCFBundle(bundle_, CFSTR("Accounting"), &nib), noErr)
        << PlatformHost::lastNibError();
    for (CFStringRef name : {CFSTR("Accounting"), CFSTR("Kontavar")}) {
        WindowRef window = nullptr;
        ASSERT_EQ(CreateWindowFromNib(nib, name, &window), noErr);
        EXPECT_FALSE(IsWindowVisible(window)) << "windows come from the nib hidden";
        EXPECT_EQ(state(window, 501).kind, PlatformHost::ControlKind::EditText);
        EXPECT_EQ(state(window, 503).kind, PlatformHost::ControlKind::EditText);
        EXPECT_NE(PlatformHost::findControl(window, 502), nullptr);
        auto popup = state(window, 505);
        EXPECT_EQ(popup.kind, PlatformHost::ControlKind::PopupButton);
        EXPECT_EQ(popup.minimum, 1);
        EXPECT_EQ(popup.maximum, 3);
        EXPECT_EQ(state(window, 1000).kind, PlatformHost::ControlKind::PushButton);
        EXPECT_EQ(state(window, 1001).kind, PlatformHost::ControlKind::PushButton);
        bool hasHelp = false;
        for (ControlRef control : PlatformHost::controlsOf(window)) {
            PlatformHost::ControlState s;
            PlatformHost::controlState(control, &s);
            hasHelp = hasHelp || s.command == 'Qhlp';
        }
        EXPECT_TRUE(hasHelp);
        ControlRef defaultButton = nullptr;
        GetWindowDefaultButton(window, &defaultButton);
        EXPECT_EQ(defaultButton, PlatformHost::findControl(window, 1000));
        DisposeWindow(window);
    }
    DisposeNibReference(nib);
}

TEST_F(NibsTest, ShippedPaneWindowEmbedsEveryControlInTheContentPane) {
    IBNibRef nib = nullptr;
    ASSERT_EQ(CreateNibReferenceWithCFBundle(bundle_, CFSTR("Accounting"), &nib), noErr);
    WindowRef window = nullptr;
    ASSERT_EQ(CreateWindowFromNib(nib, CFSTR("Window"), &window), noErr);
    ControlRef content = PlatformHost::findControl(window, 50);
    ASSERT_NE(content, nullptr);
    for (SInt32 id : {91, 92, 93, 100, 101, 200, 202, 203, 300, 301, 302, 303, 304}) {
        auto s = state(window, id);
        EXPECT_EQ(s.parent, content) << id;
    }
    EXPECT_EQ(state(window, 100).menuItems.size(), 3u);
    EXPECT_EQ(state(window, 302).kind, PlatformHost::ControlKind::EditText);
    DisposeWindow(window);
    DisposeNibReference(nib);
}

TEST_F(NibsTest, MissingNibAndMissingWindow) {
    IBNibRef nib = reinterpret_cast<IBNibRef>(0x1);
    EXPECT_EQ(CreateNibReferenceWithCFBundle(bundle_, CFSTR("Nothing"), &nib),
              kIBCarbonRuntimeCantFindNibFile);
    EXPECT_EQ(nib, reinterpret_cast<IBNibRef>(0x1));
    ASSERT_EQ(CreateNibReferenceWithCFBundle(bundle_, CFSTR("Accounting"), &nib), noErr);
    WindowRef window = reinterpret_cast<WindowRef>(0x1);
    EXPECT_EQ(CreateWindowFromNib(nib, CFSTR("Elsewhere"), &window),
              kIBCarbonRuntimeCantFindObject);
    EXPECT_EQ(window, reinterpret_cast<WindowRef>(0x1));
    DisposeNibReference(nib);
}

class MalformedNibTest : public PlatformTest {
  protected:
    void TearDown() override {
        tree_.reset();
        root_.clear();
        PlatformTest::TearDown();
    }
    // The status of opening a nib with these contents.
    OSStatus open(const std::string& nibText, std::string* error) {
        if (root_.empty()) {
            tree_ = std::make_unique<TempTree>();
            root_ = tree_->root();
            mkdir((root_ + "/Contents").c_str(), 0755);
            mkdir((root_ + "/Contents/Resources").c_str(), 0755);
            std::ofstream(root_ + "/Contents/Info.plist")
                << "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict/></plist>";
        }
        std::ofstream(root_ + "/Contents/Resources/Test.nib") << nibText;
        std::string openError;
        CFBundleRef bundle = PlatformHost::openBundle(root_, &openError);
        IBNibRef nib = nullptr;
        OSStatus status = CreateNibReferenceWithCFBundle(bundle, CFSTR("Test"), &nib);
        *error = PlatformHost::lastNibError();
        if (status == noErr) {
            DisposeNibReference(nib);
        }
        CFRelease(bundle);
        return status;
    }
    std::unique_ptr<TempTree> tree_; // removed with all it holds
    std::string root_;
};

TEST_F(MalformedNibTest, ABundleReadsItsNibOnceAndKeepsIt) {
    std::string error;
    ASSERT_EQ(open("<?xml version=\"1.0\"?><plist><dict><key>windows</key><dict/></dict></plist>",
                   &error),
              noErr)
        << error;
    CFBundleRef bundle = PlatformHost::openBundle(root_, &error);
    ASSERT_NE(bundle, nullptr) << error;
    IBNibRef nib = nullptr;
    ASSERT_EQ(CreateNibReferenceWithCFBundle(bundle, CFSTR("Test"), &nib), noErr);
    DisposeNibReference(nib);
    // The file changes: the bundle that read it keeps what it read...
    std::ofstream(root_ + "/Contents/Resources/Test.nib") << "not a nib any more";
    ASSERT_EQ(CreateNibReferenceWithCFBundle(bundle, CFSTR("Test"), &nib), noErr);
    DisposeNibReference(nib);
    CFRelease(bundle);
    // ...and a bundle opened afresh reads it again.
    bundle = PlatformHost::openBundle(root_, &error);
    EXPECT_NE(CreateNibReferenceWithCFBundle(bundle, CFSTR("Test"), &nib), noErr);
    CFRelease(bundle);
}

std::string nibWith(const std::string& control) {
    return "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>windows</key><dict>"
           "<key>W</key><dict><key>bounds</key><array><integer>0</integer><integer>0</integer>"
           "<integer>10</integer><integer>10</integer></array><key>controls</key><array>" +
           control + "</array></dict></dict></dict></plist>";
}

TEST_F(MalformedNibTest, EachFaultIsANonzeroStatusWithAReason) {
    const std::string bounds =
        "<key>bounds</key><array><integer>0</integer><integer>0</integer><integer>5</integer>"
        "<integer>5</integer></array>";
    struct Case {
        std::string text;
        const char* reason;
    };
    const Case cases[] = {
        {"", "not an XML property list"},
        {"<?xml version=\"1.0\"?><plist><array/></plist>", "must be a dictionary"},
        {nibWith("<dict>" + bounds + "</dict>"), "needs a \"kind\""},
        {nibWith("<dict><key>kind</key><string>slider</string>" + bounds + "</dict>"),
         "unknown control kind"},
        {nibWith("<dict><key>kind</key><string>checkbox</string></dict>"), "\"bounds\""},
        {nibWith("<dict><key>kind</key><string>checkbox</string>" + bounds +
                 "<key>id</key><string>12</string></dict>"),
         "\"id\" must be an integer"},
        {nibWith("<dict><key>kind</key><string>popup-button</string>" + bounds + "</dict>"),
         "needs \"items\""},
        {nibWith("<dict><key>kind</key><string>checkbox</string>" + bounds +
                 "<key>colour</key><string>red</string></dict>"),
         "unknown attribute"},
        // A name from the file with a line break in it: shown escaped, the message one line.
        {nibWith("<dict><key>kind</key><string>checkbox</string>" + bounds +
                 "<key>two\nlines</key><string>red</string></dict>"),
         "unknown attribute \"two\\nlines\""},
        {nibWith("<dict><key>kind</key><string>checkbox</string><key>bounds</key><array>"
                 "<integer>0</integer><integer>0</integer><integer>40000</integer>"
                 "<integer>5</integer></array></dict>"),
         "16-bit"},
    };
    for (const Case& c : cases) {
        std::string error;
        EXPECT_NE(open(c.text, &error), noErr) << c.reason;
        EXPECT_NE(error.find(c.reason), std::string::npos) << error;
    }
    std::string deep = "<?xml version=\"1.0\"?><plist>";
    for (int i = 0; i < 100000; ++i) {
        deep += "<dict><key>a</key>";
    }
    std::string error;
    EXPECT_NE(open(deep, &error), noErr);
    EXPECT_NE(error.find("nested"), std::string::npos) << error;
}

} // namespace
