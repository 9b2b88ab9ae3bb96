#include "cli/options.h"

#include <CLI/CLI.hpp>

#include <utility>

#include "cli/exit_status.h"

namespace quorax::cli {
namespace {

[[noreturn]] void BadUsage(const std::string& problem) {
  throw CliFailure(kBadUsage, problem + " (run \"quorax --help\" for the usage)");
}

// The one table of the command's arguments and options, each named with its
// help text; values land in `options`, the command in `command`.
void DescribeOptions(CLI::App& app, Options& options, std::string& command) {
  app.allow_extras();
  app.get_formatter()->label("Usage", "usage");
  app.get_formatter()->column_width(24);
  app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
  app.set_version_flag("--version", "quorax " QUORAX_VERSION);
  app.add_option("command", command, "verify only checks the rows; import records them")
      ->type_name("verify|import")
      ->required()
      ->check(CLI::IsMember({"verify", "import"}).description(""));
  app.add_option("file", options.file, "the CSV file of test results")
      ->type_name("FILE")
      ->required();
  app.add_option("--url", options.url,
                 "the host page address, e.g. https://qa.example.com/Quorax.asp")
      ->type_name("URL")
      ->required();
  app.add_option("--user", options.user,
                 "the database user name (password: $QUORAX_PASSWORD or asked)")
      ->type_name("NAME")
      ->required();
  app.add_option("--errors", options.errors_path,
                 "write the header line and the rows that did not pass as CSV")
      ->type_name("PATH");
  app.add_option("--report", options.report_path, "write every row with its outcome as CSV")
      ->type_name("PATH");
  app.add_option("--junit", options.junit_path, "write a JUnit XML report")->type_name("PATH");
  app.add_option("--ca-file", options.ca_file, "trust this certificate (self-signed servers)")
      ->type_name("PATH");
  app.add_flag("--quiet", options.quiet, "print only the summary line")->disable_flag_override();
  app.footer(
      "exit status: 0 all passed, 1 rows rejected, 2 bad usage or file, 3 sign-in refused,\n"
      "             4 server, database or network failure");
}

// Parses `args` into `app`; CLI11 reads its arguments last first.
void Parse(CLI::App& app, const std::vector<std::string>& args) {
  std::vector<std::string> reversed(args.rbegin(), args.rend());
  app.parse(std::move(reversed));
}

}  // namespace

std::string HelpOrVersion(const std::vector<std::string>& args) {
  CLI::App app("Verifies or imports a CSV file of test results on a Quorax server.", "quorax");
  Options options;
  std::string command;
  DescribeOptions(app, options, command);
  try {
    Parse(app, args);
  } catch (const CLI::CallForHelp&) {
    return app.help();
  } catch (const CLI::CallForVersion& version) {
    return std::string(version.what()) + "\n";
  } catch (const CLI::ParseError&) {
  }
  return "";
}

Options ParseOptions(const std::vector<std::string>& args) {
  CLI::App app("", "quorax");
  Options options;
  std::string command;
  DescribeOptions(app, options, command);
  try {
    Parse(app, args);
  } catch (const CLI::ParseError& error) {
    BadUsage(error.what());
  }
  if (!app.remaining().empty()) BadUsage("unexpected \"" + app.remaining().front() + "\"");
  options.import = command == "import";
  return options;
}

}  // namespace quorax::cli
