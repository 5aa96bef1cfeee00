#pragma once

#include "core/form_state.h"
#include "services/service_buffers.h"

#include <optional>
#include <string_view>

namespace tervolen {

class ServiceClient;

// The client library proposed for the Firebird server versions.
inline constexpr const char* kFirebirdClientLibrary = "libfbclient.so.2";
// The client library proposed for the InterBase and Yaffill versions.
inline constexpr const char* kInterBaseClientLibrary = "libgds.so";

// "LOCAL", "TCP/IP", "Novell IPX/SPX", "NetBEUI" (exact, letter case included); none for any other text.
std::optional<Protocol> protocolFromText(std::string_view text);

// Copies LibraryName, ServerName and the "user_name" and "password" values (an empty one removes its
// line) from the window into the service, in this order. Throws what the service's setters throw.
void applyConnectionSettings(const FormState& form, ServiceClient& service);

// Change handler of CB_ChooseSGDBVer: puts the library of the selected server version into
// ClientLibFilenameEdit; typed text (no item selected) leaves it unchanged.
void proposeClientLibrary(FormState& form);

// Change handler of CB_Protocol: "LOCALHOST" for "LOCAL", an empty server name for any other text.
void proposeServerName(FormState& form);

} // namespace tervolen
