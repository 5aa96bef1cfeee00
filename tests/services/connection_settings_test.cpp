#include "services/connection_settings.h"

#include "core/headless_form.h"
#include "services/service_requests.h"

#include <gtest/gtest.h>

namespace tervolen {
namespace {

TEST(ProtocolFromText, ExactTextsOnly) {
    EXPECT_EQ(protocolFromText("LOCAL"), Protocol::Local);
    EXPECT_EQ(protocolFromText("TCP/IP"), Protocol::TCP);
    EXPECT_EQ(protocolFromText("Novell IPX/SPX"), Protocol::SPX);
    EXPECT_EQ(protocolFromText("NetBEUI"), Protocol::NamedPipe);
    for (const char* text : {"", "tcp/ip", "Local", "TCP/IP ", " LOCAL", "TCP"})
        EXPECT_EQ(protocolFromText(text), std::nullopt) << text;
}

class ConnectionSettingsTest : public ::testing::Test {
protected:
    HeadlessForm form;
};

TEST_F(ConnectionSettingsTest, ApplyCopiesLibraryServerUserAndPassword) {
    form.setText("ClientLibFilenameEdit", "/opt/firebird/lib/libfbclient.so");
    form.setText("EdServerName", "dbhost");
    form.setText("EdUserName", "SYSDBA");
    form.setText("EdPswd", "masterkey");
    BackupService backup;
    backup.setProtocol(Protocol::TCP);
    applyConnectionSettings(form, backup);
    EXPECT_EQ(backup.libraryName(), "/opt/firebird/lib/libfbclient.so");
    EXPECT_EQ(backup.serverName(), "dbhost");
    EXPECT_EQ(backup.params(), (std::vector<std::string>{"user_name=SYSDBA", "password=masterkey"}));
}

TEST_F(ConnectionSettingsTest, EmptyPasswordRemovesItsLine) {
    BackupService backup;
    backup.setParams({"password=old", "user_name=OLD"});
    form.setText("EdUserName", "NEW");
    applyConnectionSettings(form, backup);
    EXPECT_EQ(backup.params(), std::vector<std::string>{"user_name=NEW"});
}

TEST_F(ConnectionSettingsTest, ProtocolSetBeforeApplyKeepsTheServerName) {
    BackupService backup;
    backup.setProtocol(Protocol::TCP);
    form.setText("EdServerName", "LOCALHOST");
    backup.setProtocol(*protocolFromText("LOCAL"));
    applyConnectionSettings(form, backup);
    EXPECT_EQ(backup.serverName(), "LOCALHOST");
}

TEST_F(ConnectionSettingsTest, ProposedLibraryPerServerVersion) {
    const char* expected[] = {"libgds.so",        "libgds.so",        "libgds.so",        "libgds.so",
                              "libgds.so",        "libgds.so",        "libfbclient.so.2", "libfbclient.so.2",
                              "libfbclient.so.2", "libfbclient.so.2", "libfbclient.so.2", "libfbclient.so.2",
                              "libgds.so"};
    ASSERT_EQ(form.itemCount("CB_ChooseSGDBVer"), 13);
    EXPECT_EQ(form.itemText("CB_ChooseSGDBVer", 11), "Firebird 5.0");
    for (int index = 0; index < 13; ++index) {
        form.setText("ClientLibFilenameEdit", "/custom/lib.so");
        form.setItemIndex("CB_ChooseSGDBVer", index);
        proposeClientLibrary(form);
        EXPECT_EQ(form.text("ClientLibFilenameEdit"), expected[index]) << form.itemText("CB_ChooseSGDBVer", index);
    }
}

TEST_F(ConnectionSettingsTest, TypedVersionLeavesTheLibraryUnchanged) {
    form.setText("ClientLibFilenameEdit", "/custom/lib.so");
    form.setText("CB_ChooseSGDBVer", "Firebird 9.0");
    ASSERT_EQ(form.itemIndex("CB_ChooseSGDBVer"), -1);
    proposeClientLibrary(form);
    EXPECT_EQ(form.text("ClientLibFilenameEdit"), "/custom/lib.so");
}

TEST_F(ConnectionSettingsTest, ProposedServerName) {
    form.setText("CB_Protocol", "LOCAL");
    proposeServerName(form);
    EXPECT_EQ(form.text("EdServerName"), "LOCALHOST");
    form.setText("CB_Protocol", "TCP/IP");
    proposeServerName(form);
    EXPECT_EQ(form.text("EdServerName"), "");
    form.setText("EdServerName", "dbhost");
    form.setText("CB_Protocol", "local");
    proposeServerName(form);
    EXPECT_EQ(form.text("EdServerName"), "");
}

} // namespace
} // namespace tervolen
