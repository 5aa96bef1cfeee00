#include "services/service_errors.h"

namespace tervolen {

ServerError::ServerError(const std::string& pathName, int sqlCode, const std::string& sqlMessage,
                                       const std::string& serverMessages)
    : Error(pathName + ":\r\n" + sqlMessage + serverMessages), sqlCode_(sqlCode), sqlMessage_(sqlMessage),
      serverMessages_(serverMessages) {}

} // namespace tervolen
