// Print sessions and tickets: typed items at the top level, clients and locks, files.
#include "support/PlatformTest.h"

#include <cstring>
#include <string>

namespace {

class TicketsTest : public PlatformTest {
  protected:
    void SetUp() override {
        PlatformTest::SetUp();
        ASSERT_EQ(PMTicketCreate(nullptr, CFSTR("test"), &ticket_), noErr);
    }
    void TearDown() override {
        PMRelease(ticket_);
        PlatformTest::TearDown();
    }
    PMTicketRef ticket_ = nullptr;
};

TEST_F(TicketsTest, IntegersAndStringsAreTypedItems) {
    EXPECT_EQ(PMTicketSetSInt32(ticket_, CFSTR("client"), CFSTR("n"), -3, false), noErr);
    EXPECT_EQ(PMTicketSetCString(ticket_, CFSTR("client"), CFSTR("s"), "abc", false), noErr);

    SInt32 value = 99;
    EXPECT_EQ(PMTicketGetSInt32(ticket_, 0, 0, CFSTR("n"), &value), noErr);
    EXPECT_EQ(value, -3);
    value = 99;
    EXPECT_EQ(PMTicketGetSInt32(ticket_, 0, 0, CFSTR("s"), &value), kPMInvalidItem);
    EXPECT_EQ(PMTicketGetSInt32(ticket_, 0, 0, CFSTR("missing"), &value), kPMKeyNotFound);
    EXPECT_EQ(PMTicketGetSInt32(ticket_, 1, 0, CFSTR("n"), &value), kPMKeyNotFound);
    EXPECT_EQ(PMTicketGetSInt32(nullptr, 0, 0, CFSTR("n"), &value), kPMInvalidTicket);
    EXPECT_EQ(value, 99) << "failed reads leave the output alone";

    char buffer[8];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(PMTicketGetCString(ticket_, 0, 0, CFSTR("n"), 8, kCFStringEncodingUTF8, buffer),
              kPMInvalidItem);
    EXPECT_EQ(PMTicketGetCString(ticket_, 0, 0, CFSTR("s"), 8, kCFStringEncodingUTF8, buffer),
              noErr);
    EXPECT_STREQ(buffer, "abc");
}

TEST_F(TicketsTest, CStringReadHonoursTheBufferSize) {
    PMTicketSetCString(ticket_, CFSTR("c"), CFSTR("s"), "abcd", false);
    char buffer[8];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(PMTicketGetCString(ticket_, 0, 0, CFSTR("s"), 4, kCFStringEncodingUTF8, buffer),
              kPMValueOutOfRange);
    EXPECT_EQ(std::string(buffer, 8), "########");
    EXPECT_EQ(PMTicketGetCString(ticket_, 0, 0, CFSTR("s"), 5, kCFStringEncodingUTF8, buffer),
              noErr);
    EXPECT_EQ(std::string(buffer, 6), std::string("abcd\0#", 6));
}

TEST_F(TicketsTest, WritesKeepTheClientAndLockAndALockedItemRefusesChange) {
    PMTicketSetSInt32(ticket_, CFSTR("com.pmvendor.printingmanager"), CFSTR("k"), 1, false);
    PlatformHost::TicketItem item;
    ASSERT_TRUE(PlatformHost::ticketItem(ticket_, "k", &item));
    EXPECT_EQ(item.client, "com.pmvendor.printingmanager");
    EXPECT_FALSE(item.locked);

    PMTicketSetSInt32(ticket_, CFSTR("other"), CFSTR("k"), 2, true);
    EXPECT_EQ(PMTicketSetSInt32(ticket_, CFSTR("third"), CFSTR("k"), 3, false), kPMItemIsLocked);
    ASSERT_TRUE(PlatformHost::ticketItem(ticket_, "k", &item));
    EXPECT_EQ(item.number, 2);
    EXPECT_EQ(item.client, "other");
    EXPECT_TRUE(item.locked);
}

TEST_F(TicketsTest, StringsMustBeValidInTheSystemEncoding) {
    EXPECT_EQ(PMTicketSetCString(ticket_, CFSTR("c"), CFSTR("s"), "ok\xC3", false),
              kPMInvalidParameter);
    EXPECT_TRUE(PlatformHost::ticketKeys(ticket_).empty());
    EXPECT_EQ(PMTicketSetCString(ticket_, CFSTR("c"), CFSTR("s"), "\xC3\xA9", false), noErr);
    char latin1[4];
    EXPECT_EQ(PMTicketGetCString(ticket_, 0, 0, CFSTR("s"), sizeof latin1,
                                 kCFStringEncodingISOLatin1, latin1),
              noErr);
    EXPECT_STREQ(latin1, "\xE9");
}

TEST_F(TicketsTest, SessionsHoldTicketsAsPointerSizedNumbers) {
    PMPrintSession session = nullptr;
    ASSERT_EQ(PMCreateSession(&session), noErr);
    CFTypeRef data = reinterpret_cast<CFTypeRef>(0x1);
    EXPECT_NE(PMSessionGetDataFromSession(session, kPDE_PMPrintSettingsRef, &data), noErr);
    EXPECT_EQ(data, reinterpret_cast<CFTypeRef>(0x1));
    ASSERT_TRUE(PlatformHost::setSessionTicket(session, kPDE_PMPrintSettingsRef, ticket_));
    ASSERT_EQ(PMSessionGetDataFromSession(session, kPDE_PMPrintSettingsRef, &data), noErr);
    EXPECT_EQ(CFGetTypeID(data), CFNumberGetTypeID());
    intptr_t reference = 0;
    EXPECT_TRUE(CFNumberGetValue(static_cast<CFNumberRef>(data), kCFNumberSInt64Type, &reference));
    EXPECT_EQ(reinterpret_cast<PMTicketRef>(reference), ticket_);
    PMRelease(session);
}

TEST_F(TicketsTest, FilesRoundTripIntegersStringsClientsAndLocks) {
    PMTicketSetSInt32(ticket_, CFSTR("client"), CFSTR("negative"), -2147483647 - 1, true);
    PMTicketSetCString(ticket_, CFSTR("client"), CFSTR("text"), "a<b>&\xC3\xA9", false);
    PlatformHost::TicketItem plain;
    plain.type = PlatformHost::TicketItem::Type::SInt32;
    plain.number = 7;
    PlatformHost::putTicketItem(ticket_, "plain", plain);

    std::string xml = PlatformHost::ticketToXml(ticket_);
    PMTicketRef copy = nullptr;
    std::string error;
    ASSERT_TRUE(PlatformHost::loadTicketFromXml(xml, &copy, &error)) << error;
    PlatformHost::TicketItem item;
    ASSERT_TRUE(PlatformHost::ticketItem(copy, "negative", &item));
    EXPECT_EQ(item.number, -2147483647 - 1);
    EXPECT_TRUE(item.locked);
    EXPECT_EQ(item.client, "client");
    ASSERT_TRUE(PlatformHost::ticketItem(copy, "text", &item));
    EXPECT_EQ(item.text, "a<b>&\xC3\xA9");
    ASSERT_TRUE(PlatformHost::ticketItem(copy, "plain", &item));
    EXPECT_EQ(item.number, 7);
    EXPECT_TRUE(item.client.empty());
    EXPECT_EQ(PlatformHost::ticketKeys(copy).size(), 3u);
    PMRelease(copy);
}

TEST_F(TicketsTest, BadTicketFilesAreErrorsThatCreateNothing) {
    const char* header = "<?xml version=\"1.0\"?><plist version=\"1.0\">";
    struct Case {
        std::string text;
        const char* why;
    };
    const Case cases[] = {
        {"", "empty"},
        {"<", "one byte"},
        {"hello, world, this is not a property list", "not XML"},
        {std::string(header) + "<dict><key>a</key><integer>1</int", "truncated"},
        {std::string(header) + "<array><integer>1</integer></array></plist>", "not a dict"},
        {std::string(header) + "<dict><key>a</key><real>1.5</real></dict></plist>", "a real"},
        {std::string(header) + "<dict><key>a</key><integer>4294967296</integer></dict></plist>",
         "too wide"},
        {std::string(header) + "<dict><key>a</key><dict><key>client</key><string>x</string>"
                               "</dict></dict></plist>",
         "item without value"},
        {std::string(header) + "<dict><key>a</key><string>\xC3</string></dict></plist>",
         "not UTF-8"},
    };
    for (const Case& c : cases) {
        PMTicketRef ticket = reinterpret_cast<PMTicketRef>(0x1);
        std::string error;
        EXPECT_FALSE(PlatformHost::loadTicketFromXml(c.text, &ticket, &error)) << c.why;
        EXPECT_FALSE(error.empty()) << c.why;
        EXPECT_EQ(ticket, reinterpret_cast<PMTicketRef>(0x1)) << c.why;
    }
}

TEST_F(TicketsTest, AKeyWithALineBreakIsShownEscapedInItsError) {
    PMTicketRef ticket = nullptr;
    std::string error;
    EXPECT_FALSE(PlatformHost::loadTicketFromXml(
        "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>two\n\tlines</key>"
        "<real>1.5</real></dict></plist>",
        &ticket, &error));
    EXPECT_EQ(error, "\"two\\n\\tlines\": a ticket value must be an integer, a string or a "
                     "dictionary");
}

TEST_F(TicketsTest, DeeplyNestedFilesAreRefusedBeforeParsing) {
    std::string deep = "<?xml version=\"1.0\"?><plist version=\"1.0\">";
    for (int i = 0; i < 100000; ++i) {
        deep += "<array>";
    }
    PMTicketRef ticket = nullptr;
    std::string error;
    EXPECT_FALSE(PlatformHost::loadTicketFromXml(deep, &ticket, &error));
    EXPECT_NE(error.find("nested"), std::string::npos) << error;
}

TEST_F(TicketsTest, MissingFilesNameThePath) {
    PMTicketRef ticket = nullptr;
    std::string error;
    EXPECT_FALSE(PlatformHost::loadTicketFile("/nonexistent/settings.plist", &ticket, &error));
    EXPECT_NE(error.find("/nonexistent/settings.plist"), std::string::npos);
}

} // namespace
