#pragma once

#include "services/service_client.h"

#include <set>
#include <string>
#include <vector>

namespace tervolen {

// The elements are in the order in which the jobs' option lists show them.
enum class TBackupOption {
    IgnoreChecksums,
    IgnoreLimbo,
    MetadataOnly,
    NoGarbageCollection,
    OldMetadataDesc,
    NonTransportable,
    ConvertExtTables,
};
enum class TRestoreOption {
    DeactivateIndexes,
    NoShadow,
    NoValidityCheck,
    OneRelationAtATime,
    Replace,
    CreateNewDB,
    UseAllSpace,
};
enum class TValidateOption {
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
enum class TTransactionGlobalAction { CommitGlobal, RollbackGlobal, RecoverTwoPhaseGlobal, NoGlobalAction };

using TBackupOptions = std::set<TBackupOption>;
using TRestoreOptions = std::set<TRestoreOption>;
using TValidateOptions = std::set<TValidateOption>;

class TpFIBBackupRestoreService : public TpFIBControlAndQueryService {
public:
    using TpFIBControlAndQueryService::TpFIBControlAndQueryService;

    bool verbose = false;
};

// Backup request (action 1). BuildStartRequest throws EFIBClientError "Start Parameters missing or
// incorrect" for an empty database name and Error "'%s' is not a valid integer value" for a bad size.
class TpFIBBackupService : public TpFIBBackupRestoreService {
public:
    using TpFIBBackupRestoreService::TpFIBBackupRestoreService;
    void BuildStartRequest() override;

    std::string databaseName;
    // Backup files, each "path" or "path=size limit".
    std::vector<std::string> backupFile;
    int blockingFactor = 0;
    TBackupOptions options;
};

// Restore request (action 2). BuildStartRequest throws Error "'%s' is not a valid integer value" for a
// bad size; empty lists are the server's to refuse.
class TpFIBRestoreService : public TpFIBBackupRestoreService {
public:
    using TpFIBBackupRestoreService::TpFIBBackupRestoreService;
    void BuildStartRequest() override;

    // Database files, each "path" or "path=size in pages".
    std::vector<std::string> databaseName;
    std::vector<std::string> backupFile;
    int pageSize = 0;
    int pageBuffers = 0;
    TRestoreOptions options;
};

// Repair request (action 3), with zero, one or two options items. BuildStartRequest throws
// EFIBClientError "Start Parameters missing or incorrect" for an empty database name.
class TpFIBValidationService : public TpFIBControlAndQueryService {
public:
    using TpFIBControlAndQueryService::TpFIBControlAndQueryService;
    void BuildStartRequest() override;

    std::string databaseName;
    TValidateOptions options;
    TTransactionGlobalAction globalAction = TTransactionGlobalAction::CommitGlobal;
};

} // namespace tervolen
