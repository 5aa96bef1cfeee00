#pragma once

#include "core/dialogs.h"
#include "services/service_buffers.h"
#include "services/service_errors.h"
#include "services/services_api.h"

#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tervolen {

class ClientLibrary;

// A connection to a database server's service manager through a client library loaded at run time.
// Every failure is an ClientError (the client's own checks) or an ServerError (the server's).
class ServiceClient {
public:
    // name and ownerName make the path name that server errors begin with ("FrmPrincipal.Backup").
    explicit ServiceClient(std::string name = {}, std::string ownerName = {});
    ServiceClient(const ServiceClient&) = delete;
    ServiceClient& operator=(const ServiceClient&) = delete;
    // Detaches a service that is still attached; errors of that last call are dropped.
    virtual ~ServiceClient();

    const std::string& name() const { return name_; }
    // The names of the owner and of the service that are not empty, joined by ".".
    std::string pathName() const;

    // The setters below throw ClientError "Cannot perform operation -- service is attached" where
    // the change is refused while attached.
    const std::string& serverName() const { return serverName_; }
    void setServerName(const std::string& serverName);
    Protocol protocol() const { return protocol_; }
    // Local also clears the server name.
    void setProtocol(Protocol protocol);
    const std::string& libraryName() const { return libraryName_; }
    // Refused while attached even when unchanged; a new name binds its library at the next call.
    void setLibraryName(const std::string& libraryName);
    bool loginPrompt() const { return loginPrompt_; }
    void setLoginPrompt(bool loginPrompt) { loginPrompt_ = loginPrompt; }

    // Attach parameters, one "name=value" line each ("user_name", "password", "sql_role_name").
    const std::vector<std::string>& params() const { return params_; }
    void setParams(std::vector<std::string> params);
    // A non-empty value replaces the line of that name (letter case ignored) or is appended; an empty
    // value removes the line.
    void setParamValue(std::string_view name, const std::string& value);

    bool active() const { return serviceHandle_ != 0; }
    void setActive(bool active);

    // Attaches: checks the state and the server name, runs the login step when LoginPrompt is set,
    // builds the attach buffer, binds the library and calls isc_service_attach.
    void openServiceManager();
    void closeServiceManager();

    // Called after a successful attach.
    std::function<void()> OnAttach;
    // Edits a copy of Params in place of the login dialog; its result replaces Params.
    std::function<void(std::vector<std::string>& params)> OnLogin;
    // The login dialog ("Database login"); returns false when cancelled. Needed when LoginPrompt is
    // set and OnLogin is not.
    std::function<bool(LoginFields& fields)> loginDialog;

protected:
    void checkActive() const;
    void checkInactive() const;
    // The bound library; binds LibraryName through the ClientLibraryCache at the first need.
    ClientLibrary& library();
    isc::isc_svc_handle* serviceHandle() { return &serviceHandle_; }
    // Throws the ServerError for the status vector of a failed call.
    [[noreturn]] void raiseServerError(const isc::ISC_STATUS* status);
    // After a failed start or query: detaches (the connection would otherwise stay open on both sides
    // until the program ends), ignoring that call's own result, then throws the failed call's error.
    [[noreturn]] void detachAndRaiseServerError(const isc::ISC_STATUS* status);

private:
    ServerError makeServerError(const isc::ISC_STATUS* status);
    void runLoginStep();
    void runLoginDialog();

    std::string name_;
    std::string ownerName_;
    std::string serverName_;
    Protocol protocol_ = Protocol::Local;
    std::vector<std::string> params_;
    bool loginPrompt_ = true;
    std::string libraryName_ = "libfbclient.so.2";
    isc::isc_svc_handle serviceHandle_ = 0;
    std::string attachParams_;
    bool attachParamsChanged_ = true;
    ClientLibrary* library_ = nullptr;
};

// A service that sends one start request.
class ControlService : public ServiceClient {
public:
    using ServiceClient::ServiceClient;

    // Writes the start request of the concrete service; this class writes none.
    virtual void buildStartRequest() {}
    // Builds and sends the start request. Throws ClientError "Cannot perform operation -- service is
    // not attached", "Start Parameters missing or incorrect" for an empty request, and for a request
    // longer than 65535 bytes.
    virtual void startAction();

    const std::string& startRequest() const { return startRequest_; }

protected:
    void setStartRequest(std::string request) { startRequest_ = std::move(request); }

private:
    std::string startRequest_;
};

// A service whose output is read back one line at a time.
class QueryService : public ControlService {
public:
    using ControlService::ControlService;

    int bufferSize() const { return bufferSize_; }
    // Throws ClientError for a size outside 1..65535.
    void setBufferSize(int bufferSize);
    bool outputEnded() const { return outputEnded_; }
    // 0 none, 1 backup, 2 restore, 3 repair.
    int pendingAction() const { return pendingAction_; }

    // After sending, reads the whole output into this handler when it is set.
    void startAction() override;
    // The next line of the output, or an empty text once the output has ended (then without a call).
    // Throws ClientError "Query Parameters missing or incorrect" before any request and
    // "Unexpected Output buffer value" for a malformed answer.
    std::string readOutputLine();
    // Whether the server still runs the service.
    bool queryRunning();
    // The server's version text ("LI-V3.0.12.33787 Firebird 3.0"); needs an attached service but no request.
    std::string queryServerVersion();

    std::function<void(const std::string& line)> OnTextNotify;

protected:
    // A builder names its action; the output of the new request has not ended yet.
    void setPendingAction(int action);
    void endOutput() { outputEnded_ = true; }
    // Sends the query items; returns the answer buffer.
    std::span<const char> query(std::string_view items);
    // The library's isc_vax_integer, which reads the lengths and values of the answers.
    VaxInteger libraryVaxInteger();

private:

    int bufferSize_ = 32000;
    std::vector<char> outputBuffer_;
    bool outputEnded_ = false;
    int pendingAction_ = 0;
};

} // namespace tervolen
