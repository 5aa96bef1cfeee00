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

template <class Option, std::size_t N> std::optional<Option> OptionOfRow(const Option (&rows)[N], int row) {
    if (row >= 0 && row < static_cast<int>(N))
        return rows[row];
    return std::nullopt;
}

} // namespace

ServerConnection ServerConnectionFromForm(const FormState& form) {
    return ServerConnection{form.text(controls::ClientLibFilenameEdit),
                            ProtocolFromText(form.text(controls::CB_Protocol)), form.text(controls::EdServerName),
                            form.text(controls::EdUserName), form.text(controls::EdPswd)};
}

RestoreRequest RestoreRequestFromForm(const FormState& form) {
    RestoreRequest request;
    request.option = RestoreOptionOfRow(form.itemIndex(controls::clListaRestore));
    request.connection = ServerConnectionFromForm(form);
    request.database = form.text(controls::EditRestore);
    request.backupFile = form.text(controls::EditGBK);
    request.pageSize = StrToInt(form.text(controls::LabeledEdPageSize));
    return request;
}

ValidationRequest ValidationRequestFromForm(const FormState& form) {
    ValidationRequest request;
    request.database = form.text(controls::DBValidateEdit);
    request.bufferSize = StrToInt(form.text(controls::ValidateBufferEdit));
    request.connection = ServerConnectionFromForm(form);
    request.option = ValidationOptionOfRow(form.itemIndex(controls::clListaValidation));
    return request;
}

std::optional<RestoreOption> RestoreOptionOfRow(int row) {
    return OptionOfRow(kRestoreOptionRows, row);
}

std::optional<ValidationOption> ValidationOptionOfRow(int row) {
    return OptionOfRow(kValidationOptionRows, row);
}

} // namespace tervolen
