#include "testing/self_signed.h"

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <cstdio>
#include <memory>
#include <stdexcept>

namespace quorax::testkit {
namespace {

struct SslFree {
  void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
  void operator()(X509* cert) const { X509_free(cert); }
  void operator()(std::FILE* file) const { std::fclose(file); }
};

void WritePem(const std::filesystem::path& path, EVP_PKEY* key, X509* cert) {
  std::unique_ptr<std::FILE, SslFree> file(std::fopen(path.c_str(), "w"));
  const bool written = file != nullptr &&
                       (key == nullptr || PEM_write_PrivateKey(file.get(), key, nullptr, nullptr, 0,
                                                               nullptr, nullptr)) &&
                       (cert == nullptr || PEM_write_X509(file.get(), cert));
  if (!written) throw std::runtime_error("cannot write " + path.string());
}

}  // namespace

void MakeSelfSigned(const std::filesystem::path& cert_file, const std::filesystem::path& key_file,
                    const std::string& host_name) {
  std::unique_ptr<EVP_PKEY, SslFree> key(EVP_EC_gen("P-256"));
  std::unique_ptr<X509, SslFree> cert(X509_new());
  if (key == nullptr || cert == nullptr) throw std::runtime_error("no key for a certificate");
  X509_set_version(cert.get(), 2);
  ASN1_INTEGER_set(X509_get_serialNumber(cert.get()), 1);
  X509_gmtime_adj(X509_getm_notBefore(cert.get()), 0);
  X509_gmtime_adj(X509_getm_notAfter(cert.get()), 3600);
  X509_NAME* name = X509_get_subject_name(cert.get());
  X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                             reinterpret_cast<const unsigned char*>(host_name.c_str()), -1, -1, 0);
  X509_set_issuer_name(cert.get(), name);
  const bool address = host_name.find_first_not_of("0123456789.") == std::string::npos;
  const std::string alt_name = (address ? "IP:" : "DNS:") + host_name;
  X509_EXTENSION* extension =
      X509V3_EXT_conf_nid(nullptr, nullptr, NID_subject_alt_name, alt_name.c_str());
  if (extension == nullptr || X509_add_ext(cert.get(), extension, -1) != 1) {
    X509_EXTENSION_free(extension);
    throw std::runtime_error("cannot name " + host_name + " in a certificate");
  }
  X509_EXTENSION_free(extension);
  X509_set_pubkey(cert.get(), key.get());
  if (X509_sign(cert.get(), key.get(), EVP_sha256()) <= 0) {
    throw std::runtime_error("cannot sign a certificate");
  }
  WritePem(cert_file, nullptr, cert.get());
  WritePem(key_file, key.get(), nullptr);
}

}  // namespace quorax::testkit
