// A stand-in for the database client library, built as shared objects with fewer or more entry points:
// it records the Services API calls and answers them from FakeClientState.
#include "fake_fbclient.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

using tervolen::test::FakeClientState;
using ISC_STATUS = std::intptr_t;
using Handle = unsigned int;

namespace {

FakeClientState& state() {
    static FakeClientState state;
    return state;
}

} // namespace

extern "C" {

FakeClientState* fake_fbclient_state() {
    return &state();
}

std::int32_t isc_sqlcode(const ISC_STATUS*) {
    return state().sqlCode;
}

void isc_sql_interprete(short, char* buffer, short length) {
    std::string text = state().sqlMessage.substr(0, static_cast<size_t>(length) - 1);
    std::memcpy(buffer, text.c_str(), text.size() + 1);
}

std::int32_t isc_interprete(char* buffer, const ISC_STATUS** status) {
    if (state().serverMessages.empty()) {
        buffer[0] = '\0';
        return 0;
    }
    std::string text = state().serverMessages.front();
    state().serverMessages.pop_front();
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    *status += 2;
    return static_cast<std::int32_t>(text.size());
}

std::int32_t isc_vax_integer(const char* bytes, short length) {
    std::uint32_t value = 0;
    for (short i = 0; i < length; ++i)
        value |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i])) << (8 * i);
    return static_cast<std::int32_t>(value);
}

#ifndef FAKE_WITHOUT_SERVICES_API
constexpr ISC_STATUS kFailureCode = 335544344; // isc_io_error, any non-zero code will do

// Records the call; fills the status vector and returns its code when the call is scripted to fail.
static ISC_STATUS call(const char* name, ISC_STATUS* status) {
    state().calls.emplace_back(name);
    std::fill(status, status + 20, 0);
    status[0] = 1;
    if (state().failCalls.erase(name) == 0)
        return 0;
    status[1] = kFailureCode;
    return kFailureCode;
}

ISC_STATUS isc_rollback_retaining(ISC_STATUS* status, Handle*) {
    return call("rollback", status);
}

ISC_STATUS isc_service_attach(ISC_STATUS* status, unsigned short nameLength, const char* name, Handle* handle,
                              unsigned short spbLength, const char* spb) {
    state().serviceName.assign(name, nameLength);
    state().attachParams.assign(spb, spbLength);
    ISC_STATUS result = call("attach", status);
    if (result == 0)
        *handle = 7;
    return result;
}

ISC_STATUS isc_service_detach(ISC_STATUS* status, Handle* handle) {
    *handle = 0;
    return call("detach", status);
}

ISC_STATUS isc_service_start(ISC_STATUS* status, Handle*, Handle*, unsigned short length, const char* request) {
    state().startRequest.assign(request, length);
    return call("start", status);
}

#ifndef FAKE_WITHOUT_SERVICE_QUERY
ISC_STATUS isc_service_query(ISC_STATUS* status, Handle*, Handle*, unsigned short, const char*,
                             unsigned short itemsLength, const char* items, unsigned short bufferLength, char* buffer) {
    state().queryItems.assign(items, itemsLength);
    state().bufferLength = bufferLength;
    ISC_STATUS result = call("query", status);
    if (result == 0 && !state().answers.empty()) {
        std::string answer = state().answers.front();
        state().answers.pop_front();
        std::memcpy(buffer, answer.data(), std::min<size_t>(answer.size(), bufferLength));
    }
    return result;
}
#endif
#endif

} // extern "C"
