// Storing the settings into the print-settings ticket.
#include "support/SettingsFixture.h"

#include <cstring>

namespace {

class SyncStoreTest : public SettingsTest {};

const char* const kIntegerKeys[] = {"com.quorv.Act.qtaf.On", "com.quorv.Act.qtaf.Prm",
                                    "com.quorv.Act.qtaf.CU", "com.quorv.Act.qtaf.CA",
                                    "com.quorv.Act.qtaf.AT"};

TEST_F(SyncStoreTest, WritesEveryKeyWithTheClientUnlocked) {
    context_->accountingMode = 3;
    context_->promptAtPrint = 0;
    context_->concealUserID = 1;
    context_->concealAccountID = 0;
    context_->accountType = 2;
    std::strcpy(context_->defaultUserID, "user");
    std::strcpy(context_->defaultAccountID, "account");
    EXPECT_EQ(store(), noErr);

    const SInt32 expected[] = {3, 0, 1, 0, 2};
    for (size_t i = 0; i < 5; ++i) {
        PlatformHost::TicketItem stored = item(kIntegerKeys[i]);
        EXPECT_EQ(stored.type, PlatformHost::TicketItem::Type::SInt32) << kIntegerKeys[i];
        EXPECT_EQ(stored.number, expected[i]) << kIntegerKeys[i];
        EXPECT_EQ(stored.client, "com.pmvendor.printingmanager") << kIntegerKeys[i];
        EXPECT_FALSE(stored.locked) << kIntegerKeys[i];
    }
    EXPECT_EQ(item("com.quorv.Act.qtaf.UID").text, "user");
    EXPECT_EQ(item("com.quorv.Act.qtaf.AID").text, "account");
    EXPECT_EQ(item("com.quorv.Act.qtaf.AID").client, "com.pmvendor.printingmanager");
}

TEST_F(SyncStoreTest, PromptingWritesThePromptedCodes) {
    context_->promptAtPrint = 1;
    std::strcpy(context_->defaultUserID, "default");
    EXPECT_EQ(store(), noErr);
    EXPECT_EQ(item("com.quorv.Act.qtaf.UID").text, "") << "no prompt has run yet";
    std::strcpy(context_->promptUserID, "prompted");
    std::strcpy(context_->promptAccountID, "acct");
    EXPECT_EQ(store(), noErr);
    EXPECT_EQ(item("com.quorv.Act.qtaf.UID").text, "prompted");
    EXPECT_EQ(item("com.quorv.Act.qtaf.AID").text, "acct");
}

TEST_F(SyncStoreTest, DefaultCodesAreReadBackFromThePaneFieldsFirst) {
    buildPane();
    std::strcpy(context_->defaultUserID, "old");
    setFieldText(302, "typed-user");
    setFieldText(304, "typed-account");
    EXPECT_EQ(store(), noErr);
    EXPECT_STREQ(context_->defaultUserID, "typed-user");
    EXPECT_EQ(item("com.quorv.Act.qtaf.UID").text, "typed-user");
    EXPECT_EQ(item("com.quorv.Act.qtaf.AID").text, "typed-account");
}

TEST_F(SyncStoreTest, BeforeThePaneExistsTheContextCodesAreWrittenAsTheyAre) {
    std::strcpy(context_->defaultUserID, "from-context");
    EXPECT_EQ(store(), noErr);
    EXPECT_EQ(item("com.quorv.Act.qtaf.UID").text, "from-context");
}

TEST_F(SyncStoreTest, LongFieldTextKeepsAtMost79BytesAndNoHalfCharacter) {
    buildPane();
    struct Case {
        std::string typed;
        std::string kept;
    };
    const Case cases[] = {
        {std::string(79, 'a'), std::string(79, 'a')},
        {std::string(80, 'b'), std::string(79, 'b')},
        {std::string(500, 'c'), std::string(79, 'c')},
        {std::string(78, 'd') + "\xC3\xA9", std::string(78, 'd')},
        {std::string(77, 'e') + "\xC3\xA9", std::string(77, 'e') + "\xC3\xA9"},
        {std::string(77, 'f') + "\xE2\x82\xAC", std::string(77, 'f')},
    };
    for (const Case& c : cases) {
        // The code and its terminator are written, and not a byte past them.
        std::memset(context_->defaultUserID, '#', sizeof context_->defaultUserID);
        setFieldText(302, c.typed);
        EXPECT_EQ(store(), noErr);
        ASSERT_LT(c.kept.size(), sizeof context_->defaultUserID);
        EXPECT_EQ(context_->defaultUserID[c.kept.size()], '\0') << c.typed.size();
        for (size_t i = c.kept.size() + 1; i < sizeof context_->defaultUserID; ++i) {
            EXPECT_EQ(context_->defaultUserID[i], '#') << c.typed.size() << " byte " << i;
        }
        EXPECT_EQ(std::string(context_->defaultUserID), c.kept) << c.typed.size();
        EXPECT_EQ(item("com.quorv.Act.qtaf.UID").text, c.kept) << c.typed.size();
    }
}

TEST_F(SyncStoreTest, AFailedOnWriteIsTheResultButTheOtherWritesStillHappen) {
    PlatformHost::TicketItem locked;
    locked.type = PlatformHost::TicketItem::Type::SInt32;
    locked.number = 9;
    locked.client = "someone.else";
    locked.locked = true;
    PlatformHost::putTicketItem(ticket_, "com.quorv.Act.qtaf.On", locked);
    context_->accountingMode = 3;
    context_->promptAtPrint = 1;
    std::strcpy(context_->promptUserID, "u");
    EXPECT_EQ(store(), kPMItemIsLocked);
    EXPECT_EQ(item("com.quorv.Act.qtaf.On").number, 9);
    EXPECT_EQ(item("com.quorv.Act.qtaf.Prm").number, 1);
    EXPECT_EQ(item("com.quorv.Act.qtaf.UID").text, "u");
    EXPECT_EQ(item("com.quorv.Act.qtaf.AT").client, "com.pmvendor.printingmanager");
}

TEST_F(SyncStoreTest, ALaterFailedWriteDoesNotChangeTheResult) {
    PlatformHost::TicketItem locked;
    locked.type = PlatformHost::TicketItem::Type::SInt32;
    locked.locked = true;
    PlatformHost::putTicketItem(ticket_, "com.quorv.Act.qtaf.Prm", locked);
    EXPECT_EQ(store(), noErr);
    EXPECT_EQ(item("com.quorv.Act.qtaf.AT").number, 1);
}

TEST_F(SyncStoreTest, StoreThenLoadRoundTrips) {
    buildPane();
    context_->accountingMode = 2;
    context_->promptAtPrint = 0;
    context_->accountType = 2;
    context_->concealAccountID = 1;
    setFieldText(302, "jdoe");
    setFieldText(304, "4711");
    ASSERT_EQ(store(), noErr);

    AccountingContext* other = allocateAccountingContext();
    PlatformHost::StderrCapture capture;
    EXPECT_EQ(Sync(reinterpret_cast<PMPDEContext>(other), session_, kSyncLoad), noErr);
    EXPECT_EQ(capture.finish(), "conceal user value = 0\nconceal accounting value = 1\n");
    EXPECT_EQ(other->accountingMode, 2);
    EXPECT_EQ(other->accountType, 2);
    EXPECT_STREQ(other->defaultUserID, "jdoe");
    EXPECT_STREQ(other->defaultAccountID, "4711");
    freeAccountingContext(other);
}

} // namespace
