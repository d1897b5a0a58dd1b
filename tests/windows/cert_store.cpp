// cert_store: adds a PEM certificate to the user's trusted root store, or removes it again, so
// that the Wine tests can make Windows trust the test CA of the provider stand-in.
// Usage: cert_store add|remove CA.pem; exit 0 when done.
// wincrypt.h needs windows.h before it.
// clang-format off
#include <windows.h>
#include <wincrypt.h>
// clang-format on

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

int main(int argc, char** argv) {
  const std::string action = argc == 3 ? argv[1] : "";
  if (action != "add" && action != "remove") {
    std::fprintf(stderr, "usage: cert_store add|remove CA.pem\n");
    return 2;
  }
  std::ifstream in(argv[2], std::ios::binary);
  std::ostringstream pem;
  pem << in.rdbuf();
  const std::string text = pem.str();
  DWORD size = 0;
  if (!CryptStringToBinaryA(text.c_str(), static_cast<DWORD>(text.size()),
                            CRYPT_STRING_BASE64HEADER, nullptr, &size, nullptr, nullptr)) {
    std::fprintf(stderr, "cert_store: %s is not a PEM certificate\n", argv[2]);
    return 1;
  }
  std::vector<BYTE> der(size);
  CryptStringToBinaryA(text.c_str(), static_cast<DWORD>(text.size()), CRYPT_STRING_BASE64HEADER,
                       der.data(), &size, nullptr, nullptr);
  HCERTSTORE store =
      CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, L"Root");
  if (!store) {
    std::fprintf(stderr, "cert_store: the root store cannot be opened (%lu)\n", GetLastError());
    return 1;
  }
  PCCERT_CONTEXT added = nullptr;
  BOOL ok = CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING, der.data(), size,
                                             CERT_STORE_ADD_REPLACE_EXISTING, &added);
  if (ok && action == "remove") {
    ok = CertDeleteCertificateFromStore(added);
    added = nullptr;
  }
  if (!ok) std::fprintf(stderr, "cert_store: %s failed (%lu)\n", argv[1], GetLastError());
  if (added) CertFreeCertificateContext(added);
  CertCloseStore(store, 0);
  return ok ? 0 : 1;
}
