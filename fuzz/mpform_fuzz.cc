// Feeds arbitrary bytes to MPForm::ProcessSubmission. Only the system's own
// errors may escape; what is left of the body must be a suffix of it, and
// every part must be reachable under its name and hold text of the body.

#include <cstdint>
#include <cstdlib>
#include <string>

#include "common/errors.h"
#include "upload/mpform.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string original(reinterpret_cast<const char*>(data), size);
  std::string body = original;
  quorax::MPForm form;
  try {
    form.ProcessSubmission(body);
  } catch (const quorax::Error&) {
  }
  if (body.size() > original.size() ||
      original.compare(original.size() - body.size(), body.size(), body) != 0) {
    std::abort();
  }
  for (int32_t i = 1; i <= form.Parts.Count(); ++i) {
    const auto& part = form.Parts.Item(i);
    if (form.Parts.Item(part->Name) != part) std::abort();
    if (part->Content.size() > 32764) std::abort();
    if (original.find(part->Content) == std::string::npos) std::abort();
  }
  return 0;
}
