#include "cli/options.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <span>
#include <string_view>
#include <utility>

#include "cli/exit_status.h"
#include "runners/runner_report.h"

namespace quorax::cli {
namespace {

[[noreturn]] void BadUsage(const std::string& problem) {
  throw CliFailure(kBadUsage, problem + " (run \"quorax --help\" for the usage)");
}

// The help of --format, from the readers' table: "auto (by content, the
// default), csv, junit, ..., tap, catch2-xml or doctest-xml".
std::string FormatHelp() {
  const std::vector<std::string_view> names = runners::FormatNames();
  std::string help;
  for (size_t i = 0; i < names.size(); ++i) {
    if (i > 0) help += i + 1 < names.size() ? ", " : " or ";
    help += names[i];
    if (names[i] == runners::NameOf(runners::Format::Auto)) help += " (by content, the default)";
  }
  return help;
}

// An option whose value is one text, landing in `value`; `env`, when not
// null, names the environment variable that gives it too.
struct TextOption {
  const char* name;
  std::string Options::*value;
  const char* help;
  const char* type;
  const char* env = nullptr;
};

void AddTextOptions(CLI::App& app, Options& options, std::span<const TextOption> table) {
  for (const TextOption& option : table) {
    CLI::Option* added =
        app.add_option(option.name, options.*option.value, option.help)->type_name(option.type);
    if (option.env != nullptr) added->envname(option.env);
  }
}

// The options that say how a runner report becomes rows: the values every
// row gets, each also from its environment variable, and how tests map to
// cases.
void DescribeRunnerOptions(CLI::App& app, Options& options, std::string& unmapped) {
  app.add_option("--format", options.format, FormatHelp())->type_name("FORMAT");
  static constexpr TextOption kRowOptions[] = {
      {"--product-version", &Options::version, "the product version the tests ran on", "V",
       "QUORAX_PRODUCT_VERSION"},
      {"--platform", &Options::platform, "the platform", "P", "QUORAX_PLATFORM"},
      {"--browser", &Options::browser, "the browser", "B", "QUORAX_BROWSER"},
      {"--tester", &Options::tester, "the tester the rows name", "T", "QUORAX_TESTER"},
      {"--date", &Options::date, "the rows' date (default: the report's start, else today)",
       "YYYY-MM-DD"},
      {"--case-pattern", &Options::case_pattern,
       "how a name or tag holds a case id (default: C and digits)", "REGEX"},
      {"--case-map", &Options::case_map, "CSV of columns \"test\" and \"case\"", "FILE"},
  };
  AddTextOptions(app, options, kRowOptions);
  app.add_option("--unmapped", unmapped, "tests without a case id: report (default) or reject")
      ->type_name("report|reject")
      ->check(CLI::IsMember({"report", "reject"}).description(""));
}

// The one table of the command's arguments and options, each named with its
// help text; values land in `options`, the command in `command`.
void DescribeOptions(CLI::App& app, Options& options, std::string& command, std::string& unmapped) {
  app.allow_extras();
  app.get_formatter()->label("Usage", "usage");
  app.get_formatter()->column_width(24);
  app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
  app.set_version_flag("--version", "quorax " QUORAX_VERSION);
  app.add_option("command", command,
                 "verify only checks the rows; import records them; convert writes them as CSV")
      ->type_name("verify|import|convert")
      ->required()
      ->check(CLI::IsMember({"verify", "import", "convert"}).description(""));
  app.add_option("file", options.files, "CSV files of test results or test runners' reports")
      ->type_name("FILE")
      ->required();
  static constexpr TextOption kTextOptions[] = {
      {"--url", &Options::url, "the host page address, e.g. https://qa.example.com/Quorax.asp",
       "URL"},
      {"--user", &Options::user, "the database user name (password: $QUORAX_PASSWORD or asked)",
       "NAME"},
      {"--errors", &Options::errors_path,
       "write the header line and the rows that did not pass as CSV", "PATH"},
      {"--report", &Options::report_path, "write every row with its outcome as CSV", "PATH"},
      {"--junit", &Options::junit_path, "write a JUnit XML report", "PATH"},
      {"--json", &Options::json_path, "write every row with its outcome as JSON Lines", "PATH"},
      {"--out", &Options::out_path, "convert: the CSV file to write", "PATH"},
      {"--ca-file", &Options::ca_file, "trust this certificate (self-signed servers)", "PATH"},
  };
  AddTextOptions(app, options, kTextOptions);
  app.add_option("--timeout", options.timeout,
                 "give up on a request not answered in full within this time (default " +
                     std::to_string(options.timeout) + ")")
      ->type_name("SECONDS")
      ->check(CLI::Range(1, 86400).description(""));
  app.add_flag("--quiet", options.quiet, "print only the summary line")->disable_flag_override();
  DescribeRunnerOptions(app, options, unmapped);
  app.footer(
      "-- COMMAND ARGS...      run the tests first and read only the files they wrote; when\n"
      "                        they fail, exit with their status unless 3 or 4 applies\n"
      "exit status: 0 all passed, 1 rows rejected, 2 bad usage or file, 3 sign-in refused,\n"
      "             4 server, database or network failure");
}

// Parses `args` into `app`; CLI11 reads its arguments last first.
void Parse(CLI::App& app, const std::vector<std::string>& args) {
  std::vector<std::string> reversed(args.rbegin(), args.rend());
  app.parse(std::move(reversed));
}

// `args` before the first "--"; what follows it goes to `wrapped`.
std::vector<std::string> OwnArgs(const std::vector<std::string>& args,
                                 std::vector<std::string>* wrapped = nullptr) {
  const auto dashes = std::find(args.begin(), args.end(), "--");
  if (wrapped != nullptr && dashes != args.end()) wrapped->assign(dashes + 1, args.end());
  return {args.begin(), dashes};
}

}  // namespace

std::string HelpOrVersion(const std::vector<std::string>& args) {
  CLI::App app(
      "Verifies or imports test results (CSV files or test runners' reports) on a Quorax "
      "server.",
      "quorax");
  Options options;
  std::string command;
  std::string unmapped;
  DescribeOptions(app, options, command, unmapped);
  try {
    Parse(app, OwnArgs(args));
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
  std::string unmapped;
  DescribeOptions(app, options, command, unmapped);
  try {
    Parse(app, OwnArgs(args, &options.wrapped));
  } catch (const CLI::ParseError& error) {
    BadUsage(error.what());
  }
  if (!app.remaining().empty()) BadUsage("unexpected \"" + app.remaining().front() + "\"");
  if (args.size() > 0 && args.back() == "--" && options.wrapped.empty()) {
    BadUsage("\"--\" is not followed by a command");
  }
  options.import = command == "import";
  options.command = command == "convert" ? Command::Convert
                    : options.import     ? Command::Import
                                         : Command::Verify;
  options.reject_unmapped = unmapped == "reject";
  if (options.command == Command::Convert) {
    if (options.out_path.empty()) BadUsage("convert needs --out");
  } else {
    if (options.url.empty()) BadUsage("--url is required");
    if (options.user.empty()) BadUsage("--user is required");
  }
  return options;
}

}  // namespace quorax::cli
