#include "services/service_requests.h"

#include "services/service_errors.h"

#include <gtest/gtest.h>

namespace tervolen {
namespace {

std::string bytes(std::initializer_list<int> bytes) {
    std::string result;
    for (int b : bytes)
        result.push_back(static_cast<char>(b));
    return result;
}

// Text item: tag, 2-byte little-endian length, text.
std::string text(int tag, const std::string& text) {
    return bytes({tag, static_cast<int>(text.size() & 0xFF), static_cast<int>(text.size() >> 8)}) + text;
}

// Number item: tag, 4-byte little-endian value.
std::string number(int tag, std::uint32_t value) {
    return bytes({tag, static_cast<int>(value & 0xFF), static_cast<int>((value >> 8) & 0xFF),
                  static_cast<int>((value >> 16) & 0xFF), static_cast<int>(value >> 24)});
}

std::string hex(const std::string& bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string hex;
    for (unsigned char c : bytes) {
        hex += digits[c >> 4];
        hex += digits[c & 15];
        hex += ' ';
    }
    return hex;
}

TEST(BackupRequest, TheExampleByteForByte) {
    BackupService backup;
    backup.databaseName = "C:\\DATA\\SALES.FDB";
    backup.backupFile = {"C:\\BKP\\SALES.fbk"};
    backup.options = {BackupOption::IgnoreLimbo};
    backup.verbose = true;
    backup.buildStartRequest();
    std::string expected = bytes({0x01, 0x6A, 0x11, 0x00}) + "C:\\DATA\\SALES.FDB" +
                           bytes({0x6C, 0x02, 0x00, 0x00, 0x00, 0x6B, 0x05, 0x10, 0x00}) + "C:\\BKP\\SALES.fbk";
    EXPECT_EQ(hex(backup.startRequest()), hex(expected));
    EXPECT_EQ(backup.pendingAction(), 1);
    EXPECT_FALSE(backup.outputEnded());
}

struct BackupCase {
    const char* what;
    BackupOptions options;
    bool verbose;
    int blockingFactor;
    std::vector<std::string> files;
    std::string expectedAfterDatabase;
};

TEST(BackupRequest, Table) {
    const BackupCase cases[] = {
        {"empty options still carry 0", {}, false, 0, {"/b/x.fbk"}, number(108, 0) + text(5, "/b/x.fbk")},
        {"every option bit",
         {BackupOption::IgnoreChecksums, BackupOption::IgnoreLimbo, BackupOption::MetadataOnly,
          BackupOption::NoGarbageCollection, BackupOption::OldMetadataDesc, BackupOption::NonTransportable,
          BackupOption::ConvertExtTables},
         false,
         0,
         {"/b/x.fbk"},
         number(108, 0x7F) + text(5, "/b/x.fbk")},
        {"blocking factor and verbose",
         {BackupOption::MetadataOnly},
         true,
         20,
         {"/b/x.fbk"},
         number(108, 4) + bytes({107}) + number(6, 20) + text(5, "/b/x.fbk")},
        {"negative blocking factor is left out", {}, false, -5, {}, number(108, 0)},
        {"file lines with sizes, blank lines skipped",
         {},
         false,
         0,
         {"/b/x.fbk=1000", "  ", "", "/b/y.fbk", "/b/z=-7"},
         number(108, 0) + text(5, "/b/x.fbk") + number(7, 1000) + text(5, "/b/y.fbk") + text(5, "/b/z") +
             number(7, 0xFFFFFFFF - 6)},
    };
    for (const BackupCase& c : cases) {
        BackupService backup;
        backup.databaseName = "/d/db.fdb";
        backup.options = c.options;
        backup.verbose = c.verbose;
        backup.blockingFactor = c.blockingFactor;
        backup.backupFile = c.files;
        backup.buildStartRequest();
        EXPECT_EQ(hex(backup.startRequest()), hex(bytes({1}) + text(106, "/d/db.fdb") + c.expectedAfterDatabase))
            << c.what;
    }
}

TEST(BackupRequest, EmptyDatabaseNameIsRefusedBeforeTheActionIsSet) {
    BackupService backup;
    backup.backupFile = {"/b/x.fbk"};
    try {
        backup.buildStartRequest();
        FAIL() << "no error";
    } catch (const ClientError& error) {
        EXPECT_EQ(error.text(), "Start Parameters missing or incorrect");
    }
    EXPECT_EQ(backup.pendingAction(), 0);
    EXPECT_TRUE(backup.startRequest().empty());
}

TEST(BackupRequest, SizeThatIsNoIntegerNamesTheText) {
    BackupService backup;
    backup.databaseName = "/d/db.fdb";
    backup.backupFile = {"/b/x=1.fbk=100"};
    try {
        backup.buildStartRequest();
        FAIL() << "no error";
    } catch (const Error& error) {
        EXPECT_EQ(error.text(), "'1.fbk=100' is not a valid integer value");
    }
    EXPECT_TRUE(backup.startRequest().empty());
}

TEST(RestoreRequest, EveryItemInOrder) {
    RestoreService restore;
    restore.options = {RestoreOption::CreateNewDB, RestoreOption::DeactivateIndexes};
    restore.verbose = true;
    restore.pageSize = 8192;
    restore.pageBuffers = 2048;
    restore.backupFile = {"/b/x.fbk", "/b/x2.fbk=5000"};
    restore.databaseName = {"/d/new.fdb=100", "", "/d/new2.fdb"};
    restore.buildStartRequest();
    std::string expected = bytes({2}) + number(108, 0x2100) + bytes({107}) + number(10, 8192) + number(9, 2048) +
                           text(5, "/b/x.fbk") + text(5, "/b/x2.fbk") + number(7, 5000) + text(106, "/d/new.fdb") +
                           number(11, 100) + text(106, "/d/new2.fdb");
    EXPECT_EQ(hex(restore.startRequest()), hex(expected));
    EXPECT_EQ(restore.pendingAction(), 2);
}

TEST(RestoreRequest, OptionBitsAndEmptyLists) {
    RestoreService restore;
    restore.options = {RestoreOption::DeactivateIndexes,  RestoreOption::NoShadow, RestoreOption::NoValidityCheck,
                       RestoreOption::OneRelationAtATime, RestoreOption::Replace,  RestoreOption::CreateNewDB,
                       RestoreOption::UseAllSpace};
    restore.buildStartRequest();
    EXPECT_EQ(hex(restore.startRequest()), hex(bytes({2}) + number(108, 0x7F00)));
    restore.options.clear();
    restore.buildStartRequest();
    EXPECT_EQ(hex(restore.startRequest()), hex(bytes({2}) + number(108, 0)));
}

TEST(RestoreRequest, DatabaseSizeThatIsNoInteger) {
    RestoreService restore;
    restore.backupFile = {"/b/x.fbk"};
    restore.databaseName = {"/d/new.fdb=12x"};
    try {
        restore.buildStartRequest();
        FAIL() << "no error";
    } catch (const Error& error) {
        EXPECT_EQ(error.text(), "'12x' is not a valid integer value");
    }
}

struct RepairCase {
    const char* what;
    ValidationOptions options;
    std::string expectedOptions;
};

TEST(RepairRequest, Table) {
    using O = ValidationOption;
    const RepairCase cases[] = {
        {"no options: action and database only", {}, ""},
        {"sweep alone: first word only", {O::SweepDB}, number(108, 0x02)},
        {"validate alone: first word only", {O::ValidateDB}, number(108, 0x01)},
        {"sweep and validate", {O::SweepDB, O::ValidateDB}, number(108, 0x03)},
        {"full validation alone", {O::ValidateFull}, number(108, 0x81)},
        {"full validation with mend", {O::ValidateFull, O::MendDB}, number(108, 0x84)},
        {"mend alone", {O::MendDB}, number(108, 0x04)},
        {"second word bits",
         {O::LimboTransactions, O::CheckDB, O::IgnoreChecksum, O::KillShadows},
         number(108, 0x08 | 0x10 | 0x20 | 0x40)},
        {"both words", {O::ValidateDB, O::CheckDB}, number(108, 0x01) + number(108, 0x10)},
        {"both words with full validation", {O::SweepDB, O::ValidateFull}, number(108, 0x02) + number(108, 0x81)},
    };
    for (const RepairCase& c : cases) {
        ValidationService validation;
        validation.databaseName = "/d/db.fdb";
        validation.options = c.options;
        validation.buildStartRequest();
        EXPECT_EQ(hex(validation.startRequest()), hex(bytes({3}) + text(106, "/d/db.fdb") + c.expectedOptions))
            << c.what;
        EXPECT_EQ(validation.pendingAction(), 3);
    }
}

TEST(RepairRequest, EmptyDatabaseNameIsRefusedAfterTheActionIsSet) {
    ValidationService validation;
    try {
        validation.buildStartRequest();
        FAIL() << "no error";
    } catch (const ClientError& error) {
        EXPECT_EQ(error.text(), "Start Parameters missing or incorrect");
    }
    EXPECT_EQ(validation.pendingAction(), 3);
    EXPECT_TRUE(validation.startRequest().empty());
}

TEST(RepairRequest, GlobalActionIsNeverSent) {
    ValidationService validation;
    EXPECT_EQ(validation.globalAction, GlobalTransactionAction::CommitGlobal);
    validation.databaseName = "/d/db.fdb";
    validation.globalAction = GlobalTransactionAction::RollbackGlobal;
    validation.buildStartRequest();
    EXPECT_EQ(validation.startRequest(), bytes({3}) + text(106, "/d/db.fdb"));
}

TEST(ControlService, WritesNoRequest) {
    ControlService service;
    service.buildStartRequest();
    EXPECT_TRUE(service.startRequest().empty());
}

} // namespace
} // namespace tervolen
