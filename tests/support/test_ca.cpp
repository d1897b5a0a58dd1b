// A throw-away certificate authority for HTTPS tests, made with the OpenSSL library.
#include "support/test_ca.h"

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <cstdio>
#include <memory>

namespace test {

namespace {

using Key = std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)>;
using Cert = std::unique_ptr<X509, decltype(&X509_free)>;

Key NewKey() { return Key(EVP_EC_gen("P-256"), EVP_PKEY_free); }

bool AddExtension(X509* cert, X509* issuer, int nid, const char* value) {
  X509V3_CTX ctx;
  X509V3_set_ctx_nodb(&ctx);
  X509V3_set_ctx(&ctx, issuer, cert, nullptr, nullptr, 0);
  X509_EXTENSION* ext = X509V3_EXT_conf_nid(nullptr, &ctx, nid, value);
  if (ext == nullptr) return false;
  bool ok = X509_add_ext(cert, ext, -1) == 1;
  X509_EXTENSION_free(ext);
  return ok;
}

// A certificate for `key`, signed by the issuer (itself when issuer is null), valid from
// `from_days` to `to_days` relative to now.
Cert MakeCert(EVP_PKEY* key, const char* common_name, X509* issuer, EVP_PKEY* issuer_key,
              long from_days, long to_days, const char* alt_names, long serial) {
  Cert cert(X509_new(), X509_free);
  if (!cert) return cert;
  X509_set_version(cert.get(), 2);
  ASN1_INTEGER_set(X509_get_serialNumber(cert.get()), serial);
  X509_gmtime_adj(X509_getm_notBefore(cert.get()), from_days * 86400);
  X509_gmtime_adj(X509_getm_notAfter(cert.get()), to_days * 86400);
  X509_set_pubkey(cert.get(), key);
  X509_NAME* name = X509_get_subject_name(cert.get());
  X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                             reinterpret_cast<const unsigned char*>(common_name), -1, -1, 0);
  X509* signer = issuer ? issuer : cert.get();
  X509_set_issuer_name(cert.get(), X509_get_subject_name(signer));
  bool ok = true;
  if (issuer == nullptr) {
    ok = AddExtension(cert.get(), signer, NID_basic_constraints, "critical,CA:TRUE") &&
         AddExtension(cert.get(), signer, NID_key_usage, "critical,keyCertSign,cRLSign") &&
         AddExtension(cert.get(), signer, NID_subject_key_identifier, "hash");
  } else {
    ok = AddExtension(cert.get(), signer, NID_basic_constraints, "CA:FALSE") &&
         AddExtension(cert.get(), signer, NID_ext_key_usage, "serverAuth") &&
         AddExtension(cert.get(), signer, NID_subject_alt_name, alt_names) &&
         AddExtension(cert.get(), signer, NID_authority_key_identifier, "keyid");
  }
  if (!ok || X509_sign(cert.get(), issuer_key ? issuer_key : key, EVP_sha256()) == 0) cert.reset();
  return cert;
}

bool WritePem(const std::string& path, X509* cert, EVP_PKEY* key) {
  FILE* f = std::fopen(path.c_str(), "w");
  if (f == nullptr) return false;
  bool ok = cert ? PEM_write_X509(f, cert) == 1
                 : PEM_write_PrivateKey(f, key, nullptr, nullptr, 0, nullptr, nullptr) == 1;
  return std::fclose(f) == 0 && ok;
}

}  // namespace

TestCa::TestCa() {
  Key ca_key = NewKey();
  if (!ca_key) return;
  Cert ca = MakeCert(ca_key.get(), "Signup Test CA", nullptr, nullptr, -1, 3650, nullptr, 1);
  if (!ca || !WritePem(ca_cert(), ca.get(), nullptr)) return;

  struct Server {
    std::string cert, key;
    const char* common_name;
    const char* alt_names;
    long from_days, to_days;
  };
  const Server servers[] = {
      {good_cert(), good_key(), "localhost", "IP:127.0.0.1,DNS:localhost", -1, 365},
      {expired_cert(), expired_key(), "localhost", "IP:127.0.0.1,DNS:localhost", -30, -1},
      {wrong_host_cert(), wrong_host_key(), "wrong.example", "DNS:wrong.example", -1, 365},
  };
  long serial = 2;
  for (const Server& s : servers) {
    Key key = NewKey();
    if (!key) return;
    Cert cert = MakeCert(key.get(), s.common_name, ca.get(), ca_key.get(), s.from_days, s.to_days,
                         s.alt_names, serial++);
    if (!cert || !WritePem(s.cert, cert.get(), nullptr) || !WritePem(s.key, nullptr, key.get()))
      return;
  }
  ok_ = true;
}

}  // namespace test
