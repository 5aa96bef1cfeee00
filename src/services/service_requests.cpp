#include "services/service_requests.h"

#include "services/service_errors.h"

#include <utility>

namespace tervolen {

namespace {

template <class Option>
std::uint32_t OptionBits(const std::set<Option>& options,
                         std::initializer_list<std::pair<Option, std::uint32_t>> bits) {
    std::uint32_t sum = 0;
    for (const auto& [option, bit] : bits)
        if (options.contains(option))
            sum |= bit;
    return sum;
}

[[noreturn]] void StartParametersMissing() {
    throw EFIBClientError("Start Parameters missing or incorrect");
}

} // namespace

void TpFIBBackupService::BuildStartRequest() {
    if (databaseName.empty())
        StartParametersMissing();
    SetPendingAction(1);
    ServiceRequest request;
    request.AddByte(isc::isc_action_svc_backup);
    request.AddText(isc::isc_spb_dbname, databaseName);
    request.AddNumber(isc::isc_spb_options,
                      OptionBits(options, {
                                              {TBackupOption::IgnoreChecksums, isc::isc_spb_bkp_ignore_checksums},
                                              {TBackupOption::IgnoreLimbo, isc::isc_spb_bkp_ignore_limbo},
                                              {TBackupOption::MetadataOnly, isc::isc_spb_bkp_metadata_only},
                                              {TBackupOption::NoGarbageCollection, isc::isc_spb_bkp_no_garbage_collect},
                                              {TBackupOption::OldMetadataDesc, isc::isc_spb_bkp_old_descriptions},
                                              {TBackupOption::NonTransportable, isc::isc_spb_bkp_non_transportable},
                                              {TBackupOption::ConvertExtTables, isc::isc_spb_bkp_convert},
                                          }));
    if (verbose)
        request.AddFlag(isc::isc_spb_verbose);
    if (blockingFactor > 0)
        request.AddNumber(isc::isc_spb_bkp_factor, static_cast<std::uint32_t>(blockingFactor));
    request.AddFileLines(backupFile, isc::isc_spb_bkp_file, isc::isc_spb_bkp_length);
    setStartRequest(request.bytes());
}

void TpFIBRestoreService::BuildStartRequest() {
    SetPendingAction(2);
    ServiceRequest request;
    request.AddByte(isc::isc_action_svc_restore);
    request.AddNumber(isc::isc_spb_options,
                      OptionBits(options, {
                                              {TRestoreOption::DeactivateIndexes, isc::isc_spb_res_deactivate_idx},
                                              {TRestoreOption::NoShadow, isc::isc_spb_res_no_shadow},
                                              {TRestoreOption::NoValidityCheck, isc::isc_spb_res_no_validity},
                                              {TRestoreOption::OneRelationAtATime, isc::isc_spb_res_one_at_a_time},
                                              {TRestoreOption::Replace, isc::isc_spb_res_replace},
                                              {TRestoreOption::CreateNewDB, isc::isc_spb_res_create},
                                              {TRestoreOption::UseAllSpace, isc::isc_spb_res_use_all_space},
                                          }));
    if (verbose)
        request.AddFlag(isc::isc_spb_verbose);
    if (pageSize > 0)
        request.AddNumber(isc::isc_spb_res_page_size, static_cast<std::uint32_t>(pageSize));
    if (pageBuffers > 0)
        request.AddNumber(isc::isc_spb_res_buffers, static_cast<std::uint32_t>(pageBuffers));
    request.AddFileLines(backupFile, isc::isc_spb_bkp_file, isc::isc_spb_bkp_length);
    request.AddFileLines(databaseName, isc::isc_spb_dbname, isc::isc_spb_res_length);
    setStartRequest(request.bytes());
}

void TpFIBValidationService::BuildStartRequest() {
    SetPendingAction(3);
    ServiceRequest request;
    request.AddByte(isc::isc_action_svc_repair);
    if (databaseName.empty())
        StartParametersMissing();
    request.AddText(isc::isc_spb_dbname, databaseName);
    std::uint32_t first = OptionBits(options, {
                                                  {TValidateOption::SweepDB, isc::isc_spb_rpr_sweep_db},
                                                  {TValidateOption::ValidateDB, isc::isc_spb_rpr_validate_db},
                                              });
    if (first != 0)
        request.AddNumber(isc::isc_spb_options, first);
    std::uint32_t second =
        OptionBits(options, {
                                {TValidateOption::LimboTransactions, isc::isc_spb_rpr_list_limbo_trans},
                                {TValidateOption::CheckDB, isc::isc_spb_rpr_check_db},
                                {TValidateOption::IgnoreChecksum, isc::isc_spb_rpr_ignore_checksum},
                                {TValidateOption::KillShadows, isc::isc_spb_rpr_kill_shadows},
                                {TValidateOption::MendDB, isc::isc_spb_rpr_mend_db},
                                {TValidateOption::ValidateFull, isc::isc_spb_rpr_full},
                            });
    if (options.contains(TValidateOption::ValidateFull) && !options.contains(TValidateOption::MendDB))
        second |= isc::isc_spb_rpr_validate_db;
    if (second != 0)
        request.AddNumber(isc::isc_spb_options, second);
    setStartRequest(request.bytes());
}

} // namespace tervolen
