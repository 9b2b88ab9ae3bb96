#ifndef QUORAX_TESTS_TESTING_SELF_SIGNED_H_
#define QUORAX_TESTS_TESTING_SELF_SIGNED_H_

#include <filesystem>
#include <string>

namespace quorax::testkit {

// Writes a self-signed P-256 certificate for `host_name` (a DNS name or an
// IPv4 address, in the subject and the alternative names), valid for an
// hour, and its key, as PEM files. Raises std::runtime_error when one cannot
// be made.
void MakeSelfSigned(const std::filesystem::path& cert_file, const std::filesystem::path& key_file,
                    const std::string& host_name = "127.0.0.1");

}  // namespace quorax::testkit

#endif  // QUORAX_TESTS_TESTING_SELF_SIGNED_H_
