#include "services/service_client.h"

#include "core/text_conversion.h"
#include "services/client_library.h"
#include "services/service_errors.h"

#include <array>
#include <stdexcept>

namespace tervolen {

namespace {

constexpr size_t kSqlMessageSize = 512;
// isc_interprete takes no buffer size; the client library writes at most about 1 KB per message.
constexpr size_t kServerMessageSize = 4096;
constexpr size_t kLoginDatabaseWidth = 45;

std::string withPeriod(std::string text) {
    if (!text.empty() && text.back() != '.')
        text += '.';
    return text;
}

// The first line in which name stands at the start or right after an "isc_spb_" prefix.
int findLoginLine(const std::vector<std::string>& params, std::string_view name) {
    for (size_t i = 0; i < params.size(); ++i) {
        size_t at = params[i].find(name);
        if (at == 0 || at == 8)
            return static_cast<int>(i);
    }
    return -1;
}

std::string valueAfterEquals(const std::string& line) {
    size_t equals = line.find('=');
    return equals == std::string::npos ? std::string() : line.substr(equals + 1);
}

void writeLoginLine(std::vector<std::string>& params, std::string_view name, const std::string& value) {
    std::string line = std::string(name) + "=" + value;
    int index = findLoginLine(params, name);
    if (index >= 0)
        params[static_cast<size_t>(index)] = line;
    else
        params.push_back(line);
}

std::string shortenedDatabase(const std::string& serverName) {
    if (serverName.size() <= kLoginDatabaseWidth)
        return serverName;
    return serverName.substr(0, 10) + "..." + serverName.substr(serverName.size() - 33);
}

} // namespace

ServiceClient::ServiceClient(std::string name, std::string ownerName)
    : name_(std::move(name)), ownerName_(std::move(ownerName)) {}

ServiceClient::~ServiceClient() {
    if (!active())
        return;
    try {
        closeServiceManager();
    } catch (const std::exception&) {
        // The connection is gone either way; a destructor has nobody to tell.
    }
}

std::string ServiceClient::pathName() const {
    if (ownerName_.empty() || name_.empty())
        return ownerName_ + name_;
    return ownerName_ + "." + name_;
}

void ServiceClient::checkActive() const {
    if (!active())
        throw ClientError("Cannot perform operation -- service is not attached");
}

void ServiceClient::checkInactive() const {
    if (active())
        throw ClientError("Cannot perform operation -- service is attached");
}

void ServiceClient::setServerName(const std::string& serverName) {
    if (serverName == serverName_)
        return;
    checkInactive();
    serverName_ = serverName;
}

void ServiceClient::setProtocol(Protocol protocol) {
    if (protocol == protocol_)
        return;
    checkInactive();
    protocol_ = protocol;
    if (protocol == Protocol::Local)
        serverName_.clear();
}

void ServiceClient::setLibraryName(const std::string& libraryName) {
    checkInactive();
    if (libraryName == libraryName_)
        return;
    libraryName_ = libraryName;
    library_ = nullptr;
}

void ServiceClient::setParams(std::vector<std::string> params) {
    checkInactive();
    params_ = std::move(params);
    attachParamsChanged_ = true;
}

void ServiceClient::setParamValue(std::string_view name, const std::string& value) {
    auto found = params_.end();
    for (auto line = params_.begin(); line != params_.end(); ++line) {
        size_t equals = line->find('=');
        if (equals != std::string::npos && sameText(std::string_view(*line).substr(0, equals), name)) {
            found = line;
            break;
        }
    }
    if (value.empty() && found == params_.end())
        return;
    checkInactive();
    if (value.empty())
        params_.erase(found);
    else if (found != params_.end())
        *found = std::string(name) + "=" + value;
    else
        params_.push_back(std::string(name) + "=" + value);
    attachParamsChanged_ = true;
}

void ServiceClient::setActive(bool active) {
    if (active == this->active())
        return;
    if (active)
        openServiceManager();
    else
        closeServiceManager();
}

ClientLibrary& ServiceClient::library() {
    if (library_ == nullptr)
        library_ = &ClientLibraryCache::instance().library(libraryName_);
    return *library_;
}

void ServiceClient::openServiceManager() {
    checkInactive();
    if (serverName_.empty() && protocol_ != Protocol::Local)
        throw ClientError("Server Name Missing");
    if (loginPrompt_)
        runLoginStep();
    if (attachParamsChanged_) {
        attachParams_ = buildAttachParams(params_);
        attachParamsChanged_ = false;
    }
    std::string managerName = serviceManagerName(protocol_, serverName_);
    if (managerName.size() > kMaxServiceBufferLength)
        throw ClientError("The server name is longer than 65535 bytes");
    ClientLibrary& library = this->library();
    isc::StatusVector status{};
    if (library.isc_service_attach(status, static_cast<unsigned short>(managerName.size()), managerName.data(),
                                   &serviceHandle_, static_cast<unsigned short>(attachParams_.size()),
                                   attachParams_.data()) != 0) {
        serviceHandle_ = 0;
        raiseServerError(status);
    }
    if (OnAttach)
        OnAttach();
}

void ServiceClient::runLoginStep() {
    if (OnLogin) {
        std::vector<std::string> edited = params_;
        OnLogin(edited);
        setParams(std::move(edited));
        return;
    }
    runLoginDialog();
}

void ServiceClient::runLoginDialog() {
    if (!loginDialog)
        throw std::logic_error("A service that prompts for its login needs a login dialog");
    LoginFields fields;
    fields.database = shortenedDatabase(serverName_);
    if (int user = findLoginLine(params_, "user_name"); user >= 0)
        fields.userName = valueAfterEquals(params_[static_cast<size_t>(user)]);
    if (int role = findLoginLine(params_, "sql_role_name"); role >= 0)
        fields.role = valueAfterEquals(params_[static_cast<size_t>(role)]);
    if (!loginDialog(fields))
        throw ClientError("Operation cancelled at user's request.");
    std::vector<std::string> params = params_;
    writeLoginLine(params, "user_name", fields.userName);
    writeLoginLine(params, "password", fields.password);
    writeLoginLine(params, "sql_role_name", fields.role);
    setParams(std::move(params));
}

void ServiceClient::closeServiceManager() {
    checkActive();
    isc::StatusVector status{};
    isc::ISC_STATUS result = library().isc_service_detach(status, &serviceHandle_);
    serviceHandle_ = 0;
    if (result != 0)
        raiseServerError(status);
}

void ServiceClient::detachAndRaiseServerError(const isc::ISC_STATUS* status) {
    ServerError error = makeServerError(status);
    isc::StatusVector detachStatus{};
    library().isc_service_detach(detachStatus, &serviceHandle_);
    serviceHandle_ = 0;
    throw error;
}

void ServiceClient::raiseServerError(const isc::ISC_STATUS* status) {
    throw makeServerError(status);
}

ServerError ServiceClient::makeServerError(const isc::ISC_STATUS* status) {
    ClientLibrary& library = this->library();
    isc::ISC_LONG sqlCode = library.isc_sqlcode(status);
    std::array<char, kSqlMessageSize> sqlBuffer{};
    library.isc_sql_interprete(static_cast<short>(sqlCode), sqlBuffer.data(), static_cast<short>(sqlBuffer.size()));
    sqlBuffer.back() = '\0';
    std::string sqlMessage = withPeriod(sqlBuffer.data());

    std::string serverMessages;
    const isc::ISC_STATUS* cursor = status;
    std::array<char, kServerMessageSize> messageBuffer{};
    while (library.isc_interprete(messageBuffer.data(), &cursor) > 0) {
        messageBuffer.back() = '\0';
        std::string message = messageBuffer.data();
        if (!message.empty())
            serverMessages += withPeriod(message) + "\r\n";
        messageBuffer.fill('\0');
    }
    return ServerError(pathName(), sqlCode, sqlMessage, serverMessages);
}

void ControlService::startAction() {
    checkActive();
    buildStartRequest();
    if (startRequest_.empty())
        throw ClientError("Start Parameters missing or incorrect");
    std::string request = std::move(startRequest_);
    startRequest_.clear();
    if (request.size() > kMaxServiceBufferLength)
        throw ClientError("The start request is longer than 65535 bytes");
    isc::StatusVector status{};
    if (library().isc_service_start(status, serviceHandle(), nullptr, static_cast<unsigned short>(request.size()),
                                    request.data()) != 0) {
        detachAndRaiseServerError(status);
    }
}

void QueryService::setBufferSize(int bufferSize) {
    if (bufferSize < 1 || bufferSize > static_cast<int>(kMaxServiceBufferLength))
        throw ClientError("The output buffer size must be between 1 and 65535 bytes, not " +
                              std::to_string(bufferSize));
    bufferSize_ = bufferSize;
    if (!outputBuffer_.empty())
        outputBuffer_.resize(static_cast<size_t>(bufferSize_));
}

void QueryService::setPendingAction(int action) {
    pendingAction_ = action;
    outputEnded_ = false;
}

void QueryService::startAction() {
    ControlService::startAction();
    if (!OnTextNotify)
        return;
    for (std::string line = readOutputLine(); !outputEnded_; line = readOutputLine())
        OnTextNotify(line);
}

std::span<const char> QueryService::query(std::string_view items) {
    if (items.empty())
        throw ClientError("Query Parameters missing or incorrect");
    if (outputBuffer_.empty())
        outputBuffer_.resize(static_cast<size_t>(bufferSize_));
    isc::StatusVector status{};
    if (library().isc_service_query(status, serviceHandle(), nullptr, 0, nullptr,
                                    static_cast<unsigned short>(items.size()), items.data(),
                                    static_cast<unsigned short>(outputBuffer_.size()), outputBuffer_.data()) != 0) {
        detachAndRaiseServerError(status);
    }
    return outputBuffer_;
}

std::string QueryService::readOutputLine() {
    if (outputEnded_)
        return {};
    if (pendingAction_ == 0)
        throw ClientError("Query Parameters missing or incorrect");
    constexpr char kItems[] = {static_cast<char>(isc::isc_info_svc_line)};
    OutputLine line = parseOutputLine(query({kItems, 1}), libraryVaxInteger());
    outputEnded_ = line.ended;
    return line.text;
}

bool QueryService::queryRunning() {
    constexpr char kItems[] = {static_cast<char>(isc::isc_info_svc_running)};
    return parseRunning(query({kItems, 1}), libraryVaxInteger());
}

std::string QueryService::queryServerVersion() {
    constexpr char kItems[] = {static_cast<char>(isc::isc_info_svc_server_version)};
    return parseServerVersion(query({kItems, 1}), libraryVaxInteger());
}

VaxInteger QueryService::libraryVaxInteger() {
    ClientLibrary& library = this->library();
    return [&library](const char* bytes, short length) { return library.isc_vax_integer(bytes, length); };
}

} // namespace tervolen
