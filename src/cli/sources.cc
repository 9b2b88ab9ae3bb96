#include "cli/sources.h"

#include <fstream>

#include "cli/exit_status.h"

namespace quorax::cli {

std::vector<Source> OpenSources(const Options& options, std::ostream&) {
  std::vector<Source> sources;
  for (const std::string& file : options.files) {
    auto csv = std::make_unique<std::ifstream>(file, std::ios::binary);
    if (!csv->is_open()) throw CliFailure(kBadUsage, "the file \"" + file + "\" cannot be read");
    sources.push_back({file, std::move(csv), {}, false});
  }
  return sources;
}

int ConvertReports(const Options&, std::ostream&, std::ostream&) { return kBadUsage; }

}  // namespace quorax::cli
