#pragma once

#include "services/services_api.h"

#include <map>
#include <memory>
#include <string>

namespace tervolen {

// One loaded database client library, known by the exact name it was loaded under. It is never unloaded:
// the client library runs threads and exit handlers of its own that must outlive every call.
class ClientLibrary {
public:
    // Loads the library and binds its entry points. Throws ClientError "Can't load library %s " when it
    // cannot be loaded, and "System Error.  Code: 127." CR LF and the loader's text when isc_sqlcode,
    // isc_sql_interprete, isc_interprete or isc_vax_integer is missing, or when the library has the Services
    // API level (isc_rollback_retaining) but lacks one of its four entry points. Run as root, a name that another
    // user could have changed throws UntrustedFileError before anything is loaded (CheckLibraryTrustedByRoot).
    explicit ClientLibrary(const std::string& name);
    ClientLibrary(const ClientLibrary&) = delete;
    ClientLibrary& operator=(const ClientLibrary&) = delete;

    const std::string& name() const { return name_; }

    // The Services API calls throw ClientError "Can't find procedure %s in %s" when the library
    // has no Services API; the others are always bound.
    isc::ISC_STATUS isc_service_attach(isc::ISC_STATUS* status, unsigned short nameLength, const char* name,
                                       isc::isc_svc_handle* handle, unsigned short spbLength, const char* spb) const;
    isc::ISC_STATUS isc_service_detach(isc::ISC_STATUS* status, isc::isc_svc_handle* handle) const;
    isc::ISC_STATUS isc_service_query(isc::ISC_STATUS* status, isc::isc_svc_handle* handle,
                                      isc::isc_resv_handle* reserved, unsigned short sendLength, const char* send,
                                      unsigned short requestLength, const char* request, unsigned short bufferLength,
                                      char* buffer) const;
    isc::ISC_STATUS isc_service_start(isc::ISC_STATUS* status, isc::isc_svc_handle* handle,
                                      isc::isc_resv_handle* reserved, unsigned short length, const char* request) const;
    isc::ISC_LONG isc_vax_integer(const char* bytes, short length) const;
    isc::ISC_LONG isc_sqlcode(const isc::ISC_STATUS* status) const;
    void isc_sql_interprete(short sqlcode, char* buffer, short length) const;
    isc::ISC_LONG isc_interprete(char* buffer, const isc::ISC_STATUS** status) const;

private:
    using ServiceAttach = isc::ISC_STATUS(isc::ISC_STATUS*, unsigned short, const char*, isc::isc_svc_handle*,
                                          unsigned short, const char*);
    using ServiceDetach = isc::ISC_STATUS(isc::ISC_STATUS*, isc::isc_svc_handle*);
    using ServiceQuery = isc::ISC_STATUS(isc::ISC_STATUS*, isc::isc_svc_handle*, isc::isc_resv_handle*, unsigned short,
                                         const char*, unsigned short, const char*, unsigned short, char*);
    using ServiceStart = isc::ISC_STATUS(isc::ISC_STATUS*, isc::isc_svc_handle*, isc::isc_resv_handle*, unsigned short,
                                         const char*);
    using VaxInteger = isc::ISC_LONG(const char*, short);
    using SqlCode = isc::ISC_LONG(const isc::ISC_STATUS*);
    using SqlInterprete = void(short, char*, short);
    using Interprete = isc::ISC_LONG(char*, const isc::ISC_STATUS**);

    template <class Function> Function* bind(const char* procedure) const;
    template <class Function> Function* required(Function* entry, const char* procedure) const;

    std::string name_;
    void* handle_ = nullptr;
    VaxInteger* vaxInteger_ = nullptr;
    SqlCode* sqlCode_ = nullptr;
    SqlInterprete* sqlInterprete_ = nullptr;
    Interprete* interprete_ = nullptr;
    ServiceAttach* serviceAttach_ = nullptr;
    ServiceDetach* serviceDetach_ = nullptr;
    ServiceQuery* serviceQuery_ = nullptr;
    ServiceStart* serviceStart_ = nullptr;
};

// Every client library loaded so far, by exact name; several services naming the same library share it.
class ClientLibraryCache {
public:
    static ClientLibraryCache& instance();

    // The library loaded under exactly this name (letter case counts), loaded at its first request.
    // Throws what loading throws; a failed load is not remembered.
    ClientLibrary& library(const std::string& name);

private:
    ClientLibraryCache() = default;
    std::map<std::string, std::unique_ptr<ClientLibrary>> libraries_;
};

} // namespace tervolen
