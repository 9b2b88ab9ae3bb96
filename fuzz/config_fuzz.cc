// Feeds arbitrary bytes, written to a settings file, to Config::Load. Only
// the system's own errors may escape.

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "common/errors.h"
#include "support/config.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = "/tmp/quorax-config-fuzz-" + std::to_string(getpid()) + ".cfg";
  FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) std::abort();
  if (size > 0 && std::fwrite(data, 1, size, file) != size) std::abort();
  std::fclose(file);
  quorax::Config config;
  try {
    config.Load(path);
    for (const char* key : {"BaseDir", "Debug", "DSN", "BuildVer", "BuildDate", "Secure"}) {
      config.GetItem(key);
    }
  } catch (const quorax::Error&) {
  }
  std::remove(path.c_str());
  return 0;
}
