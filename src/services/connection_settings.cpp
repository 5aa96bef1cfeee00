#include "services/connection_settings.h"

#include "core/control_names.h"
#include "services/service_client.h"

#include <array>

namespace tervolen {

namespace {

struct ProtocolText {
    std::string_view text;
    Protocol protocol;
};

constexpr std::array kProtocolTexts{
    ProtocolText{"LOCAL", Protocol::Local},
    ProtocolText{"TCP/IP", Protocol::TCP},
    ProtocolText{"Novell IPX/SPX", Protocol::SPX},
    ProtocolText{"NetBEUI", Protocol::NamedPipe},
};

// The libraries of the server version items "InterBase 4.x.x" to "Yaffill 1.0", in list order.
constexpr std::array<const char*, 13> kProposedLibraries{
    kInterBaseClientLibrary, kInterBaseClientLibrary, kInterBaseClientLibrary, kInterBaseClientLibrary,
    kInterBaseClientLibrary, kInterBaseClientLibrary, kFirebirdClientLibrary,  kFirebirdClientLibrary,
    kFirebirdClientLibrary,  kFirebirdClientLibrary,  kFirebirdClientLibrary,  kFirebirdClientLibrary,
    kInterBaseClientLibrary,
};

} // namespace

std::optional<Protocol> protocolFromText(std::string_view text) {
    for (const ProtocolText& entry : kProtocolTexts)
        if (entry.text == text)
            return entry.protocol;
    return std::nullopt;
}

void applyConnectionSettings(const FormState& form, ServiceClient& service) {
    service.setLibraryName(form.text(controls::ClientLibFilenameEdit));
    service.setServerName(form.text(controls::EdServerName));
    service.setParamValue("user_name", form.text(controls::EdUserName));
    service.setParamValue("password", form.text(controls::EdPswd));
}

void proposeClientLibrary(FormState& form) {
    int index = form.itemIndex(controls::CB_ChooseSGDBVer);
    if (index < 0 || index >= static_cast<int>(kProposedLibraries.size()))
        return;
    form.setText(controls::ClientLibFilenameEdit, kProposedLibraries[static_cast<size_t>(index)]);
}

void proposeServerName(FormState& form) {
    form.setText(controls::EdServerName, form.text(controls::CB_Protocol) == "LOCAL" ? "LOCALHOST" : "");
}

} // namespace tervolen
