// The remembered settings: what reaches the file, what only the keyring keeps, and a file that
// can't be used, moved aside with the ticket left alone.
#include "host/remember/RememberedSettings.h"
#include "settings/TicketKeys.h"
#include "support/PlatformTest.h"
#include "support/TempTree.h"

#include <fstream>
#include <map>
#include <sstream>
#include <sys/stat.h>

namespace {

using PlatformHost::TicketItem;

class FakeKeyring : public SecretStore {
  public:
    bool store(const std::string& name, const std::string& secret) override {
        secrets[name] = secret;
        return true;
    }
    bool lookup(const std::string& name, std::string* secret) override {
        auto found = secrets.find(name);
        if (found == secrets.end()) {
            return false;
        }
        *secret = found->second;
        return true;
    }
    void forget(const std::string& name) override { secrets.erase(name); }
    std::map<std::string, std::string> secrets;
};

class RememberedSettingsTest : public PlatformTest {
  protected:
    void SetUp() override {
        PlatformTest::SetUp();
        PMTicketCreate(nullptr, CFSTR("com.apple.print.PrintSettingsTicket"), &ticket_);
        path_ = tree_.path("config/printdialog/settings.plist");
    }
    void TearDown() override {
        PMRelease(ticket_);
        PlatformTest::TearDown();
    }
    void put(const char* key, SInt32 number) {
        TicketItem item;
        item.number = number;
        PlatformHost::putTicketItem(ticket_, key, item);
    }
    void put(const char* key, const std::string& text) {
        TicketItem item;
        item.type = TicketItem::Type::CString;
        item.text = text;
        PlatformHost::putTicketItem(ticket_, key, item);
    }
    std::string fileText() const {
        std::ifstream file(path_);
        std::stringstream text;
        text << file.rdbuf();
        return text.str();
    }
    // The item under the key of a fresh ticket that recalled the file; "missing" when none.
    std::string recalled(const char* key, SecretStore* secrets, Recall* outcome = nullptr) {
        PMTicketRef fresh = nullptr;
        PMTicketCreate(nullptr, CFSTR("com.apple.print.PrintSettingsTicket"), &fresh);
        Recall recall = recallSettings(path_, fresh, secrets);
        if (outcome != nullptr) {
            *outcome = recall;
        }
        TicketItem item;
        std::string shown = !PlatformHost::ticketItem(fresh, key, &item) ? "missing"
                            : item.type == TicketItem::Type::SInt32 ? std::to_string(item.number)
                                                                    : item.text;
        PMRelease(fresh);
        return shown;
    }

    TempTree tree_;
    PMTicketRef ticket_ = nullptr;
    std::string path_;
};

TEST_F(RememberedSettingsTest, AConcealedCodeGoesOnlyToTheKeyringAndComesBackFromIt) {
    put(kAccountingOnKeyName, 3);
    put(kAccountingPromptKeyName, 0);
    put(kAccountingConcealUserKeyName, 1);
    put(kAccountingConcealAccountKeyName, 0);
    put(kAccountingUserIDKeyName, "SECRET-U9");
    put(kAccountingAccountIDKeyName, "ACCT-1");
    FakeKeyring keyring;
    keyring.secrets["account-id"] = "stale";
    std::string error;
    ASSERT_TRUE(rememberSettings(path_, ticket_, &keyring, &error)) << error;

    struct stat st;
    ASSERT_EQ(stat(path_.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(fileText().find("SECRET-U9"), std::string::npos) << fileText();
    EXPECT_NE(fileText().find("ACCT-1"), std::string::npos);
    // The account ID is no longer concealed: the keyring forgets the old one.
    EXPECT_EQ(keyring.secrets, (std::map<std::string, std::string>{{"user-id", "SECRET-U9"}}));

    Recall outcome;
    EXPECT_EQ(recalled(kAccountingUserIDKeyName, &keyring, &outcome), "SECRET-U9");
    EXPECT_EQ(outcome.outcome, Recall::Outcome::Recalled);
    EXPECT_EQ(recalled(kAccountingAccountIDKeyName, &keyring), "ACCT-1");
    EXPECT_EQ(recalled(kAccountingOnKeyName, &keyring), "3");
    // Without a keyring the concealed code is not remembered at all.
    EXPECT_EQ(recalled(kAccountingUserIDKeyName, nullptr), "missing");
    EXPECT_EQ(recalled(kAccountingConcealUserKeyName, nullptr), "1");
}

TEST_F(RememberedSettingsTest, WithoutAKeyringAConcealedCodeIsWrittenNowhere) {
    put(kAccountingConcealAccountKeyName, 1);
    put(kAccountingAccountIDKeyName, "HIDDEN-A");
    std::string error;
    ASSERT_TRUE(rememberSettings(path_, ticket_, nullptr, &error)) << error;
    EXPECT_EQ(fileText().find("HIDDEN-A"), std::string::npos);
    EXPECT_NE(fileText().find(kAccountingConcealAccountKeyName), std::string::npos);
}

TEST_F(RememberedSettingsTest, AFileThatCantBeUsedIsMovedAsideAndTheTicketLeftAlone) {
    const struct {
        const char* name;
        std::string text;
        const char* problem;
    } cases[] = {
        {"not a property list", "settings, but not XML", "settings.plist"},
        {"a string for the mode",
         "<plist version=\"1.0\"><dict><key>com.quorv.Act.qtaf.On</key><string>3</string>"
         "</dict></plist>",
         "com.quorv.Act.qtaf.On is not an integer"},
        {"a number for a code",
         "<plist version=\"1.0\"><dict><key>com.quorv.Act.qtaf.UID</key><integer>7</integer>"
         "</dict></plist>",
         "com.quorv.Act.qtaf.UID is not a string"},
    };
    for (const auto& c : cases) {
        tree_.folder("config");
        tree_.folder("config/printdialog");
        tree_.file("config/printdialog/settings.plist", c.text);
        unlink((path_ + ".bad").c_str());
        put(kAccountingOnKeyName, 2);
        Recall recall = recallSettings(path_, ticket_, nullptr);
        EXPECT_EQ(recall.outcome, Recall::Outcome::MovedAside) << c.name;
        EXPECT_NE(recall.message.find(c.problem), std::string::npos)
            << c.name << ": " << recall.message;
        EXPECT_NE(recall.message.find(path_ + ".bad"), std::string::npos) << recall.message;
        struct stat st;
        EXPECT_NE(stat(path_.c_str(), &st), 0) << c.name;
        EXPECT_EQ(stat((path_ + ".bad").c_str(), &st), 0) << c.name;
        TicketItem mode;
        ASSERT_TRUE(PlatformHost::ticketItem(ticket_, kAccountingOnKeyName, &mode));
        EXPECT_EQ(mode.number, 2) << c.name;
        EXPECT_EQ(PlatformHost::ticketKeys(ticket_).size(), 1u) << c.name;
    }
    // No file at all: nothing to recall, nothing said.
    Recall none = recallSettings(path_, ticket_, nullptr);
    EXPECT_EQ(none.outcome, Recall::Outcome::Nothing);
    EXPECT_TRUE(none.message.empty());
}

TEST(RememberedSettingsPath, FromTheConfigHomeOrTheHome) {
    std::string config = std::getenv("XDG_CONFIG_HOME") ? std::getenv("XDG_CONFIG_HOME") : "";
    std::string home = std::getenv("HOME") ? std::getenv("HOME") : "";
    setenv("XDG_CONFIG_HOME", "/c", 1);
    setenv("HOME", "/h", 1);
    EXPECT_EQ(rememberedSettingsPath(), "/c/printdialog/settings.plist");
    setenv("XDG_CONFIG_HOME", "relative", 1); // not absolute: ignored
    EXPECT_EQ(rememberedSettingsPath(), "/h/.config/printdialog/settings.plist");
    unsetenv("XDG_CONFIG_HOME");
    unsetenv("HOME");
    EXPECT_EQ(rememberedSettingsPath(), "");
    config.empty() ? unsetenv("XDG_CONFIG_HOME") : setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    home.empty() ? unsetenv("HOME") : setenv("HOME", home.c_str(), 1);
}

} // namespace
