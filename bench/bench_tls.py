"""Certificates for the TLS benchmarks, made with the openssl command: a CA and a server certificate it signed for
localhost and 127.0.0.1 (P-256 keys, as the tests make them)."""
import os
import subprocess


def _openssl(*arguments):
    subprocess.run(["openssl", *arguments], check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def make_certificates(folder):
    """Returns (CA certificate, server certificate, server key), PEM files in folder."""
    new_key = ["-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:P-256", "-nodes"]
    ca, ca_key = os.path.join(folder, "ca.pem"), os.path.join(folder, "ca.key")
    _openssl("req", "-x509", *new_key, "-days", "2", "-subj", "/CN=Tervolen Bench CA", "-keyout", ca_key,
             "-out", ca, "-addext", "basicConstraints=critical,CA:TRUE")
    server, key = os.path.join(folder, "server.pem"), os.path.join(folder, "server.key")
    request, extensions = os.path.join(folder, "server.csr"), os.path.join(folder, "server.ext")
    with open(extensions, "w") as out:
        out.write("subjectAltName=DNS:localhost,IP:127.0.0.1\nbasicConstraints=CA:FALSE\n"
                  "extendedKeyUsage=serverAuth\n")
    _openssl("req", "-new", *new_key, "-subj", "/CN=localhost", "-keyout", key, "-out", request)
    _openssl("x509", "-req", "-days", "2", "-in", request, "-CA", ca, "-CAkey", ca_key, "-CAcreateserial",
             "-extfile", extensions, "-out", server)
    return ca, server, key
