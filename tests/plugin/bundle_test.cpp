// The built bundle, loaded as the print dialog loads it and driven through its table.
#include "host/dialog/PlugInHost.h"
#include "host/dialog/PrintDialog.h"
#include "support/BundleFixture.h"
#include "support/TempTree.h"

#include <fstream>
#include <sys/stat.h>

namespace {

const char* kFactory = "5C16FB24-2D86-46E4-AFE6-D8C0F52B5124";

// One print dialog with the pane loaded into it.
struct Session {
    std::unique_ptr<PrintDialog> dialog;
    std::unique_ptr<PlugInHost> plugIn;
    PMPDEContext context = nullptr;
    CFStringRef title = nullptr;
};

class BundleLoadTest : public BundleTest {
  protected:
    void SetUp() override {
        BundleTest::SetUp();
        // The bundle loaded below registers itself again; the fixture's copy is released.
        CFRelease(bundle_);
        bundle_ = nullptr;
        freeAccountingContext(context_);
        context_ = nullptr;
    }
    Session start(const std::string& ppd) {
        Session s;
        PrintDialogSetup setup;
        setup.ppdPath = ppd.empty() ? ppd : std::string(ACCOUNTING_SOURCE_DIR "/examples/") + ppd;
        setup.helpBundle = helpBundle_;
        std::string error;
        s.dialog = PrintDialog::create(setup, &error);
        EXPECT_NE(s.dialog, nullptr) << error;
        s.plugIn = PlugInHost::load(ACCOUNTING_BUNDLE_DIR, &error);
        EXPECT_NE(s.plugIn, nullptr) << error;
        if (s.dialog == nullptr || s.plugIn == nullptr) {
            return s;
        }
        OSType creator = 0;
        CFStringRef kind = nullptr;
        UInt32 maxH = 0, maxV = 0;
        EXPECT_EQ(s.plugIn->table().Prologue(&s.context, &creator, &kind, &s.title, &maxH, &maxV),
                  noErr);
        s.dialog->attach(s.plugIn->extension(), s.context);
        return s;
    }
    OSStatus initialize(Session& s) {
        PlatformHost::StderrCapture quiet;
        return s.plugIn->table().Initialize(s.context, nullptr, nullptr, s.dialog->userPane(),
                                            s.dialog->session());
    }
    void finish(Session& s) {
        s.dialog->detach();
        EXPECT_EQ(s.plugIn->table().Terminate(s.context, noErr), noErr);
        s.plugIn->release();
        s.plugIn.reset();
        s.dialog.reset();
    }
    PlatformHost::TicketItem item(const Session& s, const char* key) {
        PlatformHost::TicketItem found;
        found.text = "<missing>";
        PlatformHost::ticketItem(s.dialog->settings(), key, &found);
        return found;
    }
    ScopedEnv english_{"LC_ALL", "C"};
};

TEST_F(BundleLoadTest, AFullLifeOnAQuorvPrinterLeavesNothingBehind) {
    long live = PlatformHost::liveObjectCount();
    {
        Session s = start("quorv.ppd");
        ASSERT_NE(s.plugIn, nullptr);
        EXPECT_TRUE(CFEqual(s.title, CFSTR("Accounting")));
        EXPECT_EQ(PlatformHost::liveInstancesForFactory(kFactory), 1);
        EXPECT_EQ(initialize(s), noErr);
        EXPECT_EQ(s.plugIn->table().Open(s.context), noErr);
        ControlRef mode = PlatformHost::findControl(s.dialog->window(), 100);
        ASSERT_NE(mode, nullptr) << "the pane is in the dialog";
        SInt32 full = 3;
        PlatformHost::click(mode, &full);
        PlatformHost::click(PlatformHost::findControl(s.dialog->window(), 300));
        PlatformHost::typeText(PlatformHost::findControl(s.dialog->window(), 302), "jdoe");
        PlatformHost::typeText(PlatformHost::findControl(s.dialog->window(), 304), "4711");
        PrintDialog::Press press = s.dialog->pressPrint();
        EXPECT_TRUE(press.printed);
        EXPECT_EQ(item(s, "com.quorv.Act.qtaf.On").number, 3);
        EXPECT_EQ(item(s, "com.quorv.Act.qtaf.UID").text, "jdoe");
        EXPECT_EQ(item(s, "com.quorv.Act.qtaf.AID").text, "4711");

        CFArrayRef titles = nullptr;
        CFArrayRef summaries = nullptr;
        EXPECT_EQ(s.plugIn->table().GetSummaryText(s.context, &titles, &summaries), noErr);
        EXPECT_TRUE(CFEqual(CFArrayGetValueAtIndex(summaries, 0), CFSTR("Enabled")));
        CFRelease(titles);
        CFRelease(summaries);
        EXPECT_EQ(s.plugIn->table().Close(s.context), noErr);
        finish(s);
    }
    EXPECT_EQ(PlatformHost::liveInstancesForFactory(kFactory), 0);
    EXPECT_EQ(PlatformHost::liveObjectCount(), live) << PlatformHost::liveObjectReport();
}

TEST_F(BundleLoadTest, AnotherManufacturersPrinterLeavesThePaneUnwired) {
    Session s = start("acme.ppd");
    ASSERT_NE(s.plugIn, nullptr);
    EXPECT_EQ(initialize(s), noErr);
    EXPECT_EQ(s.plugIn->table().Open(s.context), noErr);
    EXPECT_EQ(PlatformHost::findControl(s.dialog->window(), 100), nullptr);
    EXPECT_TRUE(s.dialog->pressPrint().printed);
    EXPECT_EQ(item(s, "com.quorv.Act.qtaf.On").number, 1)
        << "the dialog's store still reaches Sync, which stores accounting off";
    finish(s);
}

TEST_F(BundleLoadTest, ASessionWithoutPrinterInfo) {
    Session s = start("");
    ASSERT_NE(s.plugIn, nullptr);
    EXPECT_EQ(initialize(s), -30891);
    finish(s);
}

TEST_F(BundleLoadTest, TwoDialogsAtOnce) {
    long live = PlatformHost::liveObjectCount();
    {
        Session first = start("quorv.ppd");
        Session second = start("quorv.ppd");
        ASSERT_NE(first.plugIn, nullptr);
        ASSERT_NE(second.plugIn, nullptr);
        EXPECT_EQ(PlatformHost::liveInstancesForFactory(kFactory), 2);
        EXPECT_EQ(initialize(first), noErr);
        EXPECT_EQ(initialize(second), noErr);
        EXPECT_EQ(first.plugIn->table().Open(first.context), noErr);
        EXPECT_EQ(second.plugIn->table().Open(second.context), noErr);
        // The second dialog goes first; the first keeps its pane and its pictures.
        finish(second);
        PlatformHost::renderWindow(first.dialog->window());
        SInt32 full = 3;
        PlatformHost::click(PlatformHost::findControl(first.dialog->window(), 100), &full);
        PlatformHost::click(PlatformHost::findControl(first.dialog->window(), 300));
        EXPECT_EQ(PlatformHost::typeText(PlatformHost::findControl(first.dialog->window(), 302),
                                         std::string(70, 'x')),
                  64)
            << "the key filter follows the live pane's mode";
        finish(first);
    }
    EXPECT_EQ(PlatformHost::liveInstancesForFactory(kFactory), 0);
    EXPECT_EQ(PlatformHost::liveObjectCount(), live) << PlatformHost::liveObjectReport();
}

class BrokenBundleTest : public PlatformTest {
  protected:
    // A copy of the built bundle that the test then breaks.
    std::string copyOfBundle() {
        std::string path = tree_.path("Broken.plugin");
        std::string command = "cp -R '" ACCOUNTING_BUNDLE_DIR "' '" + path + "'";
        EXPECT_EQ(std::system(command.c_str()), 0);
        return path;
    }
    void writeInfo(const std::string& bundle, const std::string& replace, const std::string& with) {
        std::string path = bundle + "/Contents/Info.plist";
        std::ifstream in(path);
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        text.replace(text.find(replace), replace.size(), with);
        std::ofstream(path) << text;
    }
    TempTree tree_;
};

TEST_F(BrokenBundleTest, EachBrokenPartIsAClearError) {
    std::string error;
    EXPECT_EQ(PlugInHost::load(tree_.path("nothing.plugin"), &error), nullptr);
    EXPECT_NE(error.find("not a folder"), std::string::npos) << error;

    std::string bundle = copyOfBundle();
    writeInfo(bundle, "com.quorv.print.pde.Accounting_7310_7350_7355pro", "com.example.broken1");
    writeInfo(bundle, "AccountingPluginFactory", "NoSuchFactory");
    EXPECT_EQ(PlugInHost::load(bundle, &error), nullptr);
    EXPECT_NE(error.find("NoSuchFactory"), std::string::npos) << error;
    EXPECT_EQ(std::system(("rm -rf '" + bundle + "'").c_str()), 0);

    bundle = copyOfBundle();
    writeInfo(bundle, "com.quorv.print.pde.Accounting_7310_7350_7355pro", "com.example.broken2");
    std::ofstream(bundle + "/Contents/MacOS/Accounting") << "not an executable";
    EXPECT_EQ(PlugInHost::load(bundle, &error), nullptr);
    EXPECT_NE(error.find("MacOS/Accounting"), std::string::npos) << error;
    EXPECT_EQ(std::system(("rm -rf '" + bundle + "'").c_str()), 0);

    bundle = copyOfBundle();
    writeInfo(bundle, "com.quorv.print.pde.Accounting_7310_7350_7355pro", "com.example.broken3");
    writeInfo(bundle, "<key>CFPlugInTypes</key>", "<key>SomethingElse</key>");
    EXPECT_EQ(PlugInHost::load(bundle, &error), nullptr);
    EXPECT_NE(error.find("CFPlugInTypes"), std::string::npos) << error;
    EXPECT_EQ(std::system(("rm -rf '" + bundle + "'").c_str()), 0);

    // An executable named outside Contents/MacOS is never loaded, even when the file is there
    // (here the bundle's own, reached from above).
    for (const char* name : {"../MacOS/Accounting", "/bin/true", ".."}) {
        bundle = copyOfBundle();
        writeInfo(bundle, "com.quorv.print.pde.Accounting_7310_7350_7355pro",
                  std::string("com.example.climb") + std::to_string(name[0]));
        writeInfo(bundle, "<string>Accounting</string>",
                  std::string("<string>") + name + "</string>");
        error.clear();
        EXPECT_EQ(PlugInHost::load(bundle, &error), nullptr) << name;
        EXPECT_NE(error.find("is not a file name in Contents/MacOS"), std::string::npos) << error;
        EXPECT_EQ(std::system(("rm -rf '" + bundle + "'").c_str()), 0);
    }

    bundle = copyOfBundle();
    std::ofstream(bundle + "/Contents/Info.plist") << "<plist><dict>";
    error.clear();
    EXPECT_EQ(PlugInHost::load(bundle, &error), nullptr);
    EXPECT_NE(error.find(bundle + "/Contents/Info.plist: malformed property list"),
              std::string::npos)
        << error;
}

} // namespace
