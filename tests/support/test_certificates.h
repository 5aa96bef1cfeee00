#pragma once

#include <string>

namespace tervolen::test {

struct CertificateFiles {
    std::string certificate; // PEM
    std::string key;         // PEM, unencrypted
};

// Certificates made with the openssl command into folder: a test CA, a server certificate that it signed for
// localhost and 127.0.0.1, a self-signed one for the same names, and one the CA signed for another name only.
// Throws std::runtime_error when openssl fails.
class TestCertificates {
public:
    explicit TestCertificates(const std::string& folder);

    const std::string& caFile() const { return ca_.certificate; }
    const CertificateFiles& trusted() const { return trusted_; }
    const CertificateFiles& selfSigned() const { return selfSigned_; }
    const CertificateFiles& otherName() const { return otherName_; }

private:
    CertificateFiles ca_;
    CertificateFiles trusted_;
    CertificateFiles selfSigned_;
    CertificateFiles otherName_;
};

} // namespace tervolen::test
