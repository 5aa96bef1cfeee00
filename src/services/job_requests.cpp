#include "services/job_requests.h"

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
    return ServerConnection{form.text("ClientLibFilenameEdit"), ProtocolFromText(form.text("CB_Protocol")),
                            form.text("EdServerName"), form.text("EdUserName"), form.text("EdPswd")};
}

RestoreRequest RestoreRequestFromForm(const FormState& form) {
    RestoreRequest request;
    request.option = RestoreOptionOfRow(form.itemIndex("clListaRestore"));
    request.connection = ServerConnectionFromForm(form);
    request.database = form.text("EditRestore");
    request.backupFile = form.text("EditGBK");
    request.pageSize = StrToInt(form.text("LabeledEdPageSize"));
    return request;
}

ValidationRequest ValidationRequestFromForm(const FormState& form) {
    ValidationRequest request;
    request.database = form.text("DBValidateEdit");
    request.bufferSize = StrToInt(form.text("ValidateBufferEdit"));
    request.connection = ServerConnectionFromForm(form);
    request.option = ValidationOptionOfRow(form.itemIndex("clListaValidation"));
    return request;
}

std::optional<RestoreOption> RestoreOptionOfRow(int row) {
    return OptionOfRow(kRestoreOptionRows, row);
}

std::optional<ValidationOption> ValidationOptionOfRow(int row) {
    return OptionOfRow(kValidationOptionRows, row);
}

} // namespace tervolen
