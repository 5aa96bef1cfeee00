#include "delivery/ftp_client.h"

#include "ftp_test_server.h"
#include "temp_dir.h"
#include "test_bytes.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

namespace tervolen {
namespace {

using namespace std::chrono_literals;
using namespace std::string_literals;

std::string makeFolder(const std::string& path) {
    std::filesystem::create_directory(path);
    return path;
}

class FtpUploadTest : public testing::Test {
protected:
    FtpUploadTest() {
        ftp.setHost("127.0.0.1");
        ftp.setPort(server.port());
        ftp.setUserName("backup");
        ftp.setPassword("s3cret pass");
        ftp.setTimeouts(NetworkTimeouts{10s, 30s, 30s});
    }

    test::TempDir temp;
    const std::string home = makeFolder(temp.file("home"));
    test::FtpTestServer server{home, "backup", "s3cret pass"};
    FtpClient ftp;
};

TEST_F(FtpUploadTest, UploadedFilesEqualTheLocalOnes) {
    const std::pair<std::string, std::string> files[] = {
        {"empty.zip", ""},
        {"small.zip", "PK\x03\x04 a few bytes\r\n\n\x00\xff"s},
        {"large.zip", test::randomBytes(3 * 1024 * 1024 + 17, 1)},
    };
    ftp.connect();
    for (const auto& [name, content] : files) {
        test::writeFile(temp.file(name), content);
        ftp.put(temp.file(name), name);
        EXPECT_EQ(ftp.lastReply().code, 226) << name;
    }
    ftp.disconnect();
    for (const auto& [name, content] : files)
        EXPECT_EQ(test::readFile(home + "/" + name), content) << name;
}

TEST_F(FtpUploadTest, RemoteNamesAreRelativeToTheLoginFolder) {
    std::filesystem::create_directory(home + "/archives");
    test::writeFile(temp.file("202401020304.zip"), "archive");
    ftp.connect();
    ftp.put(temp.file("202401020304.zip"), "archives/202401020304.zip");
    ftp.put(temp.file("202401020304.zip"), "");
    ftp.disconnect();
    EXPECT_EQ(test::readFile(home + "/archives/202401020304.zip"), "archive");
    EXPECT_EQ(test::readFile(home + "/202401020304.zip"), "archive");
}

TEST_F(FtpUploadTest, EachRunConnectsUploadsAndDisconnects) {
    for (const std::string name : {"first.zip", "second.zip"}) {
        test::writeFile(temp.file(name), name);
        ftp.connect();
        ftp.put(temp.file(name), name);
        ftp.disconnect();
        EXPECT_FALSE(ftp.connected());
        EXPECT_EQ(test::readFile(home + "/" + name), name);
    }
}

TEST_F(FtpUploadTest, ActiveAndPassiveUploadsIntoAFolderTwoLevelsDeepArriveWhole) {
    const std::string content = test::randomBytes(2 * 1024 * 1024 + 5, 7);
    test::writeFile(temp.file("202401020304.zip"), content);
    for (const bool passive : {false, true}) {
        SCOPED_TRACE(passive ? "passive" : "active");
        const std::string folder = passive ? "passive/uploads" : "active/uploads";
        ftp.setPassive(passive);
        // The second run finds the folders made by the first.
        for (int run = 0; run < 2; ++run) {
            ftp.connect();
            ftp.changeFolder(folder);
            ftp.put(temp.file("202401020304.zip"), "");
            ftp.disconnect();
            EXPECT_EQ(test::readFile(home + "/" + folder + "/202401020304.zip"), content);
            std::filesystem::remove(home + "/" + folder + "/202401020304.zip");
        }
    }
}

TEST_F(FtpUploadTest, RefusalsCarryTheServersTexts) {
    ftp.setPassword("wrong");
    try {
        ftp.connect();
        FAIL() << "logged in";
    } catch (const FtpReplyError& e) {
        EXPECT_EQ(e.code(), 530);
        EXPECT_EQ(std::string(e.what()), "Authentication failed.\r\n");
    }
    EXPECT_FALSE(ftp.connected());

    ftp.setPassword("s3cret pass");
    ftp.connect();
    test::writeFile(temp.file("a.zip"), "a");
    try {
        ftp.put(temp.file("a.zip"), "no/such/folder/a.zip");
        FAIL() << "uploaded";
    } catch (const FtpReplyError& e) {
        EXPECT_EQ(e.code(), 550);
    }
    ftp.put(temp.file("a.zip"), "a.zip");
    ftp.disconnect();
    EXPECT_EQ(test::readFile(home + "/a.zip"), "a");
}

} // namespace
} // namespace tervolen
