#pragma once

#include "services/limbo_list.h"
#include "services/service_client.h"

#include <set>
#include <string>
#include <vector>

namespace tervolen {

// The elements are in the order in which the jobs' option lists show them.
enum class BackupOption {
    IgnoreChecksums,
    IgnoreLimbo,
    MetadataOnly,
    NoGarbageCollection,
    OldMetadataDesc,
    NonTransportable,
    ConvertExtTables,
};
enum class RestoreOption {
    DeactivateIndexes,
    NoShadow,
    NoValidityCheck,
    OneRelationAtATime,
    Replace,
    CreateNewDB,
    UseAllSpace,
};
enum class ValidationOption {
    LimboTransactions,
    CheckDB,
    IgnoreChecksum,
    KillShadows,
    MendDB,
    SweepDB,
    ValidateDB,
    ValidateFull,
};
// Stored, never sent.
enum class GlobalTransactionAction { CommitGlobal, RollbackGlobal, RecoverTwoPhaseGlobal, NoGlobalAction };

using BackupOptions = std::set<BackupOption>;
using RestoreOptions = std::set<RestoreOption>;
using ValidationOptions = std::set<ValidationOption>;

class BackupRestoreService : public QueryService {
public:
    using QueryService::QueryService;

    bool verbose = false;
};

// Backup request (action 1). BuildStartRequest throws ClientError "Start Parameters missing or
// incorrect" for an empty database name and Error "'%s' is not a valid integer value" for a bad size.
class BackupService : public BackupRestoreService {
public:
    using BackupRestoreService::BackupRestoreService;
    void buildStartRequest() override;

    std::string databaseName;
    // Backup files, each "path" or "path=size limit".
    std::vector<std::string> backupFile;
    int blockingFactor = 0;
    BackupOptions options;
};

// Restore request (action 2). BuildStartRequest throws Error "'%s' is not a valid integer value" for a
// bad size; empty lists are the server's to refuse.
class RestoreService : public BackupRestoreService {
public:
    using BackupRestoreService::BackupRestoreService;
    void buildStartRequest() override;

    // Database files, each "path" or "path=size in pages".
    std::vector<std::string> databaseName;
    std::vector<std::string> backupFile;
    int pageSize = 0;
    int pageBuffers = 0;
    RestoreOptions options;
};

// Repair request (action 3), with zero, one or two options items. BuildStartRequest throws
// ClientError "Start Parameters missing or incorrect" for an empty database name.
class ValidationService : public QueryService {
public:
    using QueryService::QueryService;
    void buildStartRequest() override;
    // Whether the output is the limbo list, read by readLimboLines() instead of readOutputLine().
    bool listsLimbo() const { return options.contains(ValidationOption::LimboTransactions); }
    // The next lines of the limbo list ("Transaction 123 is in limbo."), possibly none; at its end the empty line
    // that also ends the text output, then none. Throws as readOutputLine() does.
    std::vector<std::string> readLimboLines();

    std::string databaseName;
    ValidationOptions options;
    GlobalTransactionAction globalAction = GlobalTransactionAction::CommitGlobal;

private:
    LimboList limboList_;
};

} // namespace tervolen
