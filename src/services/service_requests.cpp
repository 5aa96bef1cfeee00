#include "services/service_requests.h"

#include "services/service_errors.h"

#include <utility>

namespace tervolen {

namespace {

template <class Option>
std::uint32_t optionBits(const std::set<Option>& options,
                         std::initializer_list<std::pair<Option, std::uint32_t>> bits) {
    std::uint32_t sum = 0;
    for (const auto& [option, bit] : bits)
        if (options.contains(option))
            sum |= bit;
    return sum;
}

[[noreturn]] void startParametersMissing() {
    throw ClientError("Start Parameters missing or incorrect");
}

} // namespace

void BackupService::buildStartRequest() {
    if (databaseName.empty())
        startParametersMissing();
    setPendingAction(1);
    ServiceRequest request;
    request.addByte(isc::isc_action_svc_backup);
    request.addText(isc::isc_spb_dbname, databaseName);
    request.addNumber(isc::isc_spb_options,
                      optionBits(options, {
                                              {BackupOption::IgnoreChecksums, isc::isc_spb_bkp_ignore_checksums},
                                              {BackupOption::IgnoreLimbo, isc::isc_spb_bkp_ignore_limbo},
                                              {BackupOption::MetadataOnly, isc::isc_spb_bkp_metadata_only},
                                              {BackupOption::NoGarbageCollection, isc::isc_spb_bkp_no_garbage_collect},
                                              {BackupOption::OldMetadataDesc, isc::isc_spb_bkp_old_descriptions},
                                              {BackupOption::NonTransportable, isc::isc_spb_bkp_non_transportable},
                                              {BackupOption::ConvertExtTables, isc::isc_spb_bkp_convert},
                                          }));
    if (verbose)
        request.addFlag(isc::isc_spb_verbose);
    if (blockingFactor > 0)
        request.addNumber(isc::isc_spb_bkp_factor, static_cast<std::uint32_t>(blockingFactor));
    request.addFileLines(backupFile, isc::isc_spb_bkp_file, isc::isc_spb_bkp_length);
    setStartRequest(request.bytes());
}

void RestoreService::buildStartRequest() {
    setPendingAction(2);
    ServiceRequest request;
    request.addByte(isc::isc_action_svc_restore);
    request.addNumber(isc::isc_spb_options,
                      optionBits(options, {
                                              {RestoreOption::DeactivateIndexes, isc::isc_spb_res_deactivate_idx},
                                              {RestoreOption::NoShadow, isc::isc_spb_res_no_shadow},
                                              {RestoreOption::NoValidityCheck, isc::isc_spb_res_no_validity},
                                              {RestoreOption::OneRelationAtATime, isc::isc_spb_res_one_at_a_time},
                                              {RestoreOption::Replace, isc::isc_spb_res_replace},
                                              {RestoreOption::CreateNewDB, isc::isc_spb_res_create},
                                              {RestoreOption::UseAllSpace, isc::isc_spb_res_use_all_space},
                                          }));
    if (verbose)
        request.addFlag(isc::isc_spb_verbose);
    if (pageSize > 0)
        request.addNumber(isc::isc_spb_res_page_size, static_cast<std::uint32_t>(pageSize));
    if (pageBuffers > 0)
        request.addNumber(isc::isc_spb_res_buffers, static_cast<std::uint32_t>(pageBuffers));
    request.addFileLines(backupFile, isc::isc_spb_bkp_file, isc::isc_spb_bkp_length);
    request.addFileLines(databaseName, isc::isc_spb_dbname, isc::isc_spb_res_length);
    setStartRequest(request.bytes());
}

void ValidationService::buildStartRequest() {
    setPendingAction(3);
    limboList_ = {};
    ServiceRequest request;
    request.addByte(isc::isc_action_svc_repair);
    if (databaseName.empty())
        startParametersMissing();
    request.addText(isc::isc_spb_dbname, databaseName);
    std::uint32_t first = optionBits(options, {
                                                  {ValidationOption::SweepDB, isc::isc_spb_rpr_sweep_db},
                                                  {ValidationOption::ValidateDB, isc::isc_spb_rpr_validate_db},
                                              });
    if (first != 0)
        request.addNumber(isc::isc_spb_options, first);
    std::uint32_t second =
        optionBits(options, {
                                {ValidationOption::LimboTransactions, isc::isc_spb_rpr_list_limbo_trans},
                                {ValidationOption::CheckDB, isc::isc_spb_rpr_check_db},
                                {ValidationOption::IgnoreChecksum, isc::isc_spb_rpr_ignore_checksum},
                                {ValidationOption::KillShadows, isc::isc_spb_rpr_kill_shadows},
                                {ValidationOption::MendDB, isc::isc_spb_rpr_mend_db},
                                {ValidationOption::ValidateFull, isc::isc_spb_rpr_full},
                            });
    if (options.contains(ValidationOption::ValidateFull) && !options.contains(ValidationOption::MendDB))
        second |= isc::isc_spb_rpr_validate_db;
    if (second != 0)
        request.addNumber(isc::isc_spb_options, second);
    setStartRequest(request.bytes());
}

std::vector<std::string> ValidationService::readLimboLines() {
    if (outputEnded())
        return {};
    if (pendingAction() == 0)
        throw ClientError("Query Parameters missing or incorrect");
    constexpr char kItems[] = {static_cast<char>(isc::isc_info_svc_limbo_trans)};
    const OutputLine answer = parseLimboAnswer(query({kItems, 1}), libraryVaxInteger());
    if (answer.ended) {
        endOutput();
        limboList_.finish();
        return {std::string()};
    }
    std::vector<std::string> lines;
    for (std::uint64_t transaction : limboList_.add(answer.text))
        lines.push_back(limboLine(transaction));
    return lines;
}

} // namespace tervolen
