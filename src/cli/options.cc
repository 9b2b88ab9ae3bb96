#include "cli/options.h"

#include <array>

#include "cli/exit_status.h"

namespace quorax::cli {
namespace {

// One option: its name and the field its value goes to (nullptr for a flag).
struct OptionEntry {
  const char* name;
  std::string Options::*value;
  bool Options::*flag;
};

constexpr std::array<OptionEntry, 7> kOptions = {{
    {"--url", &Options::url, nullptr},
    {"--user", &Options::user, nullptr},
    {"--errors", &Options::errors_path, nullptr},
    {"--report", &Options::report_path, nullptr},
    {"--junit", &Options::junit_path, nullptr},
    {"--ca-file", &Options::ca_file, nullptr},
    {"--quiet", nullptr, &Options::quiet},
}};

[[noreturn]] void BadUsage(const std::string& problem) {
  throw CliFailure(kBadUsage, problem + " (run \"quorax --help\" for the usage)");
}

const OptionEntry& FindOption(const std::string& name) {
  for (const OptionEntry& entry : kOptions) {
    if (name == entry.name) return entry;
  }
  BadUsage("unknown option \"" + name + "\"");
}

}  // namespace

std::string Usage() {
  return "usage: quorax verify|import FILE --url URL --user NAME [options]\n"
         "  --url URL        the host page address, e.g. https://qa.example.com/Quorax.asp\n"
         "  --user NAME      the database user name (password: $QUORAX_PASSWORD or asked)\n"
         "  --errors PATH    write the header line and the rows that did not pass as CSV\n"
         "  --report PATH    write every row with its outcome as CSV\n"
         "  --junit PATH     write a JUnit XML report\n"
         "  --ca-file PATH   trust this certificate (self-signed servers)\n"
         "  --quiet          print only the summary line\n"
         "exit status: 0 all passed, 1 rows rejected, 2 bad usage or file, 3 sign-in refused,\n"
         "             4 server, database or network failure\n";
}

Options ParseOptions(const std::vector<std::string>& args) {
  Options options;
  if (args.empty()) BadUsage("no command given");
  if (args[0] != "verify" && args[0] != "import") BadUsage("unknown command \"" + args[0] + "\"");
  options.import = args[0] == "import";
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg.rfind("--", 0) != 0) {
      if (!options.file.empty()) BadUsage("more than one file given");
      options.file = arg;
      continue;
    }
    const size_t equals = arg.find('=');
    const OptionEntry& entry = FindOption(arg.substr(0, equals));
    if (entry.flag != nullptr) {
      if (equals != std::string::npos) BadUsage(std::string(entry.name) + " takes no value");
      options.*entry.flag = true;
    } else if (equals != std::string::npos) {
      options.*entry.value = arg.substr(equals + 1);
    } else if (i + 1 < args.size()) {
      options.*entry.value = args[++i];
    } else {
      BadUsage(std::string(entry.name) + " needs a value");
    }
  }
  if (options.file.empty()) BadUsage("no file given");
  if (options.url.empty()) BadUsage("--url is required");
  if (options.user.empty()) BadUsage("--user is required");
  return options;
}

}  // namespace quorax::cli
