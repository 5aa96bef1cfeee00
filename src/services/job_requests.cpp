#include "services/job_requests.h"

#include "core/control_names.h"
#include "core/text_conversion.h"
#include "services/connection_settings.h"

#include <iterator>

namespace tervolen {

namespace {

const RestoreOption kRestoreOptionRows[] = {
    RestoreOption::DeactivateIndexes,  RestoreOption::NoShadow, RestoreOption::NoValidityCheck,
    RestoreOption::OneRelationAtATime, RestoreOption::Replace,  RestoreOption::CreateNewDB,
    RestoreOption::UseAllSpace,
};

const ValidationOption kValidationOptionRows[] = {
    ValidationOption::LimboTransactions, ValidationOption::CheckDB,      ValidationOption::IgnoreChecksum,
    ValidationOption::KillShadows,       ValidationOption::MendDB,       ValidationOption::SweepDB,
    ValidationOption::ValidateDB,        ValidationOption::ValidateFull,
};

template <class Option, std::size_t N> std::optional<Option> optionOfRow(const Option (&rows)[N], int row) {
    if (row >= 0 && row < static_cast<int>(N))
        return rows[row];
    return std::nullopt;
}

} // namespace

ServerConnection serverConnectionFromForm(const FormState& form) {
    return ServerConnection{form.text(controls::ClientLibFilenameEdit),
                            protocolFromText(form.text(controls::CB_Protocol)), form.text(controls::EdServerName),
                            form.text(controls::EdUserName), form.text(controls::EdPswd)};
}

RestoreRequest restoreRequestFromForm(const FormState& form) {
    RestoreRequest request;
    request.option = restoreOptionOfRow(form.itemIndex(controls::clListaRestore));
    request.connection = serverConnectionFromForm(form);
    request.database = form.text(controls::EditRestore);
    request.backupFile = form.text(controls::EditGBK);
    request.pageSize = strToInt(form.text(controls::LabeledEdPageSize));
    return request;
}

ValidationRequest validationRequestFromForm(const FormState& form) {
    ValidationRequest request;
    request.database = form.text(controls::DBValidateEdit);
    request.bufferSize = strToInt(form.text(controls::ValidateBufferEdit));
    request.connection = serverConnectionFromForm(form);
    request.option = validationOptionOfRow(form.itemIndex(controls::clListaValidation));
    return request;
}

std::optional<RestoreOption> restoreOptionOfRow(int row) {
    return optionOfRow(kRestoreOptionRows, row);
}

std::optional<ValidationOption> validationOptionOfRow(int row) {
    return optionOfRow(kValidationOptionRows, row);
}

} // namespace tervolen
