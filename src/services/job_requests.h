#pragma once

#include "core/form_state.h"
#include "services/service_buffers.h"
#include "services/service_requests.h"

#include <optional>
#include <string>

namespace tervolen {

// How a job reaches the server: the fields of the Config page.
struct ServerConnection {
    std::string libraryName;
    std::optional<Protocol> protocol; // none keeps the service's protocol
    std::string serverName;
    std::string userName;
    std::string password;
};

// What a restore is asked to do: the fields of the Restore page.
struct RestoreRequest {
    ServerConnection connection;
    std::string backupFile;
    std::string database;
    int pageSize = 0;                     // 0 leaves it to the server
    std::optional<RestoreOption> option; // none keeps the service's options
};

// What a validation is asked to do: the fields of the Validation page.
struct ValidationRequest {
    ServerConnection connection;
    std::string database;
    int bufferSize = 0;
    std::optional<ValidationOption> option; // none keeps the service's options
};

ServerConnection serverConnectionFromForm(const FormState& form);
// Throws Error when the page size is no integer.
RestoreRequest restoreRequestFromForm(const FormState& form);
// Throws Error when the buffer size is no integer.
ValidationRequest validationRequestFromForm(const FormState& form);

// The option of a row of clListaRestore / clListaValidation; none for a row outside the list.
std::optional<RestoreOption> restoreOptionOfRow(int row);
std::optional<ValidationOption> validationOptionOfRow(int row);

} // namespace tervolen
