#include "test_certificates.h"

#include "temp_dir.h"

#include <stdexcept>

namespace tervolen::test {

namespace {

constexpr const char* kLoopbackNames = "subjectAltName=DNS:localhost,IP:127.0.0.1";
// P-256 keys: made in milliseconds, unlike RSA keys.
constexpr const char* kNewKey = " -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes";

void openssl(const std::string& arguments) {
    std::string output;
    if (runCommand("openssl " + arguments + " 2>&1", &output) != 0)
        throw std::runtime_error("openssl " + arguments + " failed: " + output);
}

CertificateFiles filesFor(const std::string& folder, const std::string& name) {
    return {folder + "/" + name + ".pem", folder + "/" + name + ".key"};
}

CertificateFiles makeSelfSigned(const std::string& folder, const std::string& name, const std::string& commonName,
                                const std::string& extensions) {
    CertificateFiles files = filesFor(folder, name);
    openssl("req -x509" + std::string(kNewKey) + " -days 2 -subj '/CN=" + commonName + "' -keyout '" + files.key +
            "' -out '" + files.certificate + "' -addext '" + extensions + "'");
    return files;
}

CertificateFiles makeSigned(const std::string& folder, const std::string& name, const CertificateFiles& ca,
                            const std::string& commonName, const std::string& subjectAltName) {
    CertificateFiles files = filesFor(folder, name);
    const std::string request = folder + "/" + name + ".csr";
    const std::string extensions = folder + "/" + name + ".ext";
    writeFile(extensions, subjectAltName + "\nbasicConstraints=CA:FALSE\nextendedKeyUsage=serverAuth\n");
    openssl("req -new" + std::string(kNewKey) + " -subj '/CN=" + commonName + "' -keyout '" + files.key + "' -out '" +
            request + "'");
    openssl("x509 -req -days 2 -in '" + request + "' -CA '" + ca.certificate + "' -CAkey '" + ca.key + "' -extfile '" +
            extensions + "' -out '" + files.certificate + "'");
    return files;
}

} // namespace

TestCertificates::TestCertificates(const std::string& folder)
    : ca_(makeSelfSigned(folder, "ca", "Tervolen Test CA", "basicConstraints=critical,CA:TRUE")),
      trusted_(makeSigned(folder, "trusted", ca_, "localhost", kLoopbackNames)),
      selfSigned_(makeSelfSigned(folder, "self-signed", "localhost", kLoopbackNames)),
      otherName_(makeSigned(folder, "other-name", ca_, "other.test", "subjectAltName=DNS:other.test")) {}

} // namespace tervolen::test
