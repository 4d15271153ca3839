// The guarded property-list reader under tickets and, later, layouts and bundles.
#include "support/PlatformTest.h"

#include <cstdio>
#include <fstream>
#include <string>
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

} // namespace
