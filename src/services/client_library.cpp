#include "services/client_library.h"

#include "core/folder_safety.h"
#include "services/service_errors.h"

#include <dlfcn.h>

namespace tervolen {

namespace {

// The loader's code for a missing entry point: the system's "procedure not found" error.
constexpr int kMissingProcedureCode = 127;

struct LibraryCloser {
    void operator()(void* handle) const { ::dlclose(handle); }
};

std::string loaderText() {
    const char* text = ::dlerror();
    return text != nullptr ? text : "";
}

} // namespace

template <class Function> Function* ClientLibrary::bind(const char* procedure) const {
    ::dlerror();
    // POSIX guarantees that an object pointer from dlsym converts to a function pointer.
    return reinterpret_cast<Function*>(::dlsym(handle_, procedure));
}

template <class Function> Function* ClientLibrary::required(Function* entry, const char* procedure) const {
    if (entry == nullptr)
        throw ClientError("Can't find procedure " + std::string(procedure) + " in " + name_);
    return entry;
}

ClientLibrary::ClientLibrary(const std::string& name) : name_(name) {
    checkLibraryTrustedByRoot(name);
    // dlopen("") gives the program itself, which lacks the client's entry points.
    std::unique_ptr<void, LibraryCloser> library(name.empty() ? nullptr
                                                              : ::dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL));
    if (!library)
        throw ClientError("Can't load library " + name + " ");
    handle_ = library.get();

    auto mandatory = [this]<class Function>(Function*& entry, const char* procedure) {
        entry = bind<Function>(procedure);
        if (entry == nullptr)
            throw ClientError("System Error.  Code: " + std::to_string(kMissingProcedureCode) + ".\r\n" +
                                  loaderText());
    };
    mandatory(sqlCode_, "isc_sqlcode");
    mandatory(sqlInterprete_, "isc_sql_interprete");
    mandatory(interprete_, "isc_interprete");
    mandatory(vaxInteger_, "isc_vax_integer");
    if (bind<void()>("isc_rollback_retaining") != nullptr) {
        mandatory(serviceAttach_, "isc_service_attach");
        mandatory(serviceDetach_, "isc_service_detach");
        mandatory(serviceQuery_, "isc_service_query");
        mandatory(serviceStart_, "isc_service_start");
    }
    library.release();
}

isc::ISC_STATUS ClientLibrary::isc_service_attach(isc::ISC_STATUS* status, unsigned short nameLength,
                                                     const char* name, isc::isc_svc_handle* handle,
                                                     unsigned short spbLength, const char* spb) const {
    return required(serviceAttach_, "isc_service_attach")(status, nameLength, name, handle, spbLength, spb);
}

isc::ISC_STATUS ClientLibrary::isc_service_detach(isc::ISC_STATUS* status, isc::isc_svc_handle* handle) const {
    return required(serviceDetach_, "isc_service_detach")(status, handle);
}

isc::ISC_STATUS ClientLibrary::isc_service_query(isc::ISC_STATUS* status, isc::isc_svc_handle* handle,
                                                    isc::isc_resv_handle* reserved, unsigned short sendLength,
                                                    const char* send, unsigned short requestLength, const char* request,
                                                    unsigned short bufferLength, char* buffer) const {
    return required(serviceQuery_, "isc_service_query")(status, handle, reserved, sendLength, send, requestLength,
                                                        request, bufferLength, buffer);
}

isc::ISC_STATUS ClientLibrary::isc_service_start(isc::ISC_STATUS* status, isc::isc_svc_handle* handle,
                                                    isc::isc_resv_handle* reserved, unsigned short length,
                                                    const char* request) const {
    return required(serviceStart_, "isc_service_start")(status, handle, reserved, length, request);
}

isc::ISC_LONG ClientLibrary::isc_vax_integer(const char* bytes, short length) const {
    return vaxInteger_(bytes, length);
}

isc::ISC_LONG ClientLibrary::isc_sqlcode(const isc::ISC_STATUS* status) const {
    return sqlCode_(status);
}

void ClientLibrary::isc_sql_interprete(short sqlcode, char* buffer, short length) const {
    sqlInterprete_(sqlcode, buffer, length);
}

isc::ISC_LONG ClientLibrary::isc_interprete(char* buffer, const isc::ISC_STATUS** status) const {
    return interprete_(buffer, status);
}

ClientLibraryCache& ClientLibraryCache::instance() {
    static ClientLibraryCache cache;
    return cache;
}

ClientLibrary& ClientLibraryCache::library(const std::string& name) {
    auto found = libraries_.find(name);
    if (found != libraries_.end())
        return *found->second;
    auto library = std::make_unique<ClientLibrary>(name);
    return *libraries_.emplace(name, std::move(library)).first->second;
}

} // namespace tervolen
