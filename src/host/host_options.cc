#include "host/host_options.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <charconv>
#include <climits>
#include <string_view>
#include <utility>

#include "common/errors.h"
#include "http/forwarded.h"

namespace quorax {

namespace {

[[noreturn]] void Refuse(const std::string& program, const std::string& problem) {
  throw InvalidArgument(problem + "\n" + HostUsage(program));
}

// Parses a whole decimal number in min..max, or returns false.
bool ParseNumber(std::string_view text, long long min, long long max, long long& value) {
  if (text.empty()) return false;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size() && value >= min && value <= max;
}

// A value check that refuses anything but HOST:PORT (see SplitHostPort).
CLI::Validator AddressCheck() {
  return CLI::Validator(
      [](std::string& text) -> std::string {
        try {
          std::string host;
          uint16_t port = 0;
          SplitHostPort(text, host, port);
          return "";
        } catch (const InvalidArgument& error) {
          return error.what();
        }
      },
      "");
}

// A value check that refuses anything but a whole decimal number in
// min..max, and rewrites it without leading zeros (which CLI11 reads as octal).
CLI::Validator NumberCheck(long long min, long long max) {
  return CLI::Validator(
      [min, max](std::string& text) -> std::string {
        long long value = 0;
        if (!ParseNumber(text, min, max, value)) {
          return "needs a whole number from " + std::to_string(min) + " to " + std::to_string(max) +
                 ", not \"" + text + "\"";
        }
        text = std::to_string(value);
        return "";
      },
      "");
}

CLI::Validator PublicAddressCheck() {
  return CLI::Validator(
      [](std::string& text) -> std::string {
        if (!text.empty() && text.find_first_of(" \t\r\n/?#@") == std::string::npos) return "";
        return "needs HOST[:PORT], not \"" + text + "\"";
      },
      "");
}

void AddTrustedProxies(const std::string& program, const std::string& value, HostOptions& options) {
  size_t start = 0;
  while (start <= value.size()) {
    size_t comma = std::min(value.find(',', start), value.size());
    std::string address = CanonicalAddress(value.substr(start, comma - start));
    if (address.empty()) {
      Refuse(program,
             "--trusted-proxy needs IP addresses separated by commas, not \"" + value + "\"");
    }
    options.transport.trusted_proxies.push_back(address);
    start = comma + 1;
  }
}

// The one table of the server's options: each named with its value, help
// text, check and (from HostOptions' own initial values) default. Values
// land in `options`; --session-timeout and --trusted-proxy go through
// `seconds` (set here from `options`) and `proxies`, which ParseHostOptions
// converts.
void DescribeOptions(CLI::App& app, HostOptions& options, long long& seconds,
                     std::vector<std::string>& proxies) {
  seconds = std::chrono::duration_cast<std::chrono::seconds>(options.session_timeout).count();
  app.allow_extras();
  app.get_formatter()->label("Usage", "usage");
  app.get_formatter()->column_width(36);
  app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
  app.set_version_flag("--version", "quorax-server " QUORAX_VERSION);
  app.add_option("--listen", options.listen, "plain HTTP listener")
      ->type_name("HOST:PORT")
      ->check(AddressCheck())
      ->capture_default_str();
  app.add_option("--tls-listen", options.tls_listen,
                 "HTTPS listener, needs --tls-cert and --tls-key")
      ->type_name("HOST:PORT")
      ->check(AddressCheck());
  app.add_option("--tls-cert", options.tls_cert, "certificate chain (PEM)")->type_name("FILE");
  app.add_option("--tls-key", options.tls_key, "private key (PEM)")->type_name("FILE");
  app.add_option("--templates", options.templates_dir, "folder of the page templates")
      ->type_name("DIR");
  app.add_option("--public-address", options.transport.public_address,
                 "address the pages name instead of the local one")
      ->type_name("HOST[:PORT]")
      ->check(PublicAddressCheck());
  app.add_option("--threads", options.threads, "page handler threads")
      ->type_name("N")
      ->transform(NumberCheck(1, 256))
      ->capture_default_str();
  app.add_option("--session-timeout", seconds, "idle time before a session ends")
      ->type_name("SECONDS")
      ->transform(NumberCheck(1, 7 * 24 * 3600))
      ->capture_default_str();
  app.add_option("--max-body", options.transport.max_body, "largest request body")
      ->type_name("BYTES")
      ->transform(NumberCheck(0, INT32_MAX))
      ->capture_default_str();
  app.add_option("--max-run-bytes", options.max_run_bytes,
                 "largest file a browser may send as a run")
      ->type_name("BYTES")
      ->transform(NumberCheck(1, INT64_MAX))
      ->capture_default_str();
  app.add_option("--max-runs", options.max_runs,
                 "runs going at once, the others queued (0: twice the cores)")
      ->type_name("N")
      ->transform(NumberCheck(0, 1024))
      ->capture_default_str();
  app.add_option("--max-runs-per-user", options.max_runs_per_user,
                 "runs of one login going at once, the others queued")
      ->type_name("N")
      ->transform(NumberCheck(1, 1024))
      ->capture_default_str();
  app.add_option("--max-run-seconds", options.max_run_seconds,
                 "wall-clock time a run may take before it is stopped")
      ->type_name("SECONDS")
      ->transform(NumberCheck(1, 7 * 24 * 3600))
      ->capture_default_str();
  app.add_option("--spool-dir", options.spool_dir,
                 "folder of the server's spool files, those left by a killed server removed at "
                 "start (default: "
                 "quorax-spool in TMPDIR or /tmp)")
      ->type_name("DIR");
  app.add_option("--max-spool-bytes", options.max_spool_bytes,
                 "bytes all spool files may hold together")
      ->type_name("BYTES")
      ->transform(NumberCheck(1, INT64_MAX))
      ->capture_default_str();
  app.add_option("--db-idle-connections", options.db_idle_connections,
                 "database connections kept open between a session's requests (0: none)")
      ->type_name("N")
      ->transform(NumberCheck(0, 100000))
      ->capture_default_str();
  app.add_option("--db-connection-max-age", options.db_connection_max_age,
                 "seconds a kept connection serves before the credentials are checked again")
      ->type_name("SECONDS")
      ->transform(NumberCheck(0, 7 * 24 * 3600))
      ->capture_default_str();
  app.add_option("--metrics-listen", options.metrics_listen, "listener serving GET /metrics")
      ->type_name("HOST:PORT")
      ->check(AddressCheck());
  app.add_option("--trusted-proxy", proxies,
                 "proxies whose X-Forwarded-For/-Proto count (adds to those given before)")
      ->type_name("ADDR[,ADDR...]")
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
  const struct {
    const char* name;
    const char* help;
    size_t* limit;
  } limits[] = {
      {"--max-connections", "open connections in all", &options.transport.max_connections},
      {"--max-connections-per-address", "open connections of one address, IPv6 per /64",
       &options.transport.max_connections_per_address},
      {"--max-sessions-per-user", "signed-in sessions of one user name",
       &options.max_sessions_per_user},
      {"--max-guests-per-address", "sessions not signed in of one client",
       &options.max_guests_per_address}};
  for (const auto& limit : limits) {
    app.add_option(limit.name, *limit.limit, limit.help)
        ->type_name("N")
        ->transform(NumberCheck(1, 1000000))
        ->capture_default_str();
  }
}

}  // namespace

std::string HostUsage(const std::string& program) {
  CLI::App app("Quorax web server", program);
  HostOptions options;
  long long seconds = 0;
  std::vector<std::string> proxies;
  DescribeOptions(app, options, seconds, proxies);
  return app.help();
}

void SplitHostPort(const std::string& text, std::string& host, uint16_t& port) {
  size_t colon = text.rfind(':');
  if (colon == std::string::npos) throw InvalidArgument("\"" + text + "\" has no :PORT");
  std::string name = text.substr(0, colon);
  if (name.size() >= 2 && name.front() == '[' && name.back() == ']') {
    name = name.substr(1, name.size() - 2);
  } else if (name.find(':') != std::string::npos) {
    throw InvalidArgument("write an IPv6 address in brackets: \"" + text + "\"");
  }
  long long number = 0;
  if (name.empty() || !ParseNumber(std::string_view(text).substr(colon + 1), 0, 65535, number)) {
    throw InvalidArgument("\"" + text + "\" is not HOST:PORT with a port from 0 to 65535");
  }
  host = name;
  port = static_cast<uint16_t>(number);
}

HostOptions ParseHostOptions(int argc, char** argv, std::string* reply) {
  const std::string program = argc > 0 ? argv[0] : "quorax-server";
  CLI::App app("Quorax web server", program);
  HostOptions options;
  long long seconds = 0;
  std::vector<std::string> proxies;
  DescribeOptions(app, options, seconds, proxies);
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp&) {
    if (reply == nullptr) Refuse(program, "--help is not an option here");
    *reply = app.help();
    return HostOptions();
  } catch (const CLI::CallForVersion& version) {
    if (reply == nullptr) Refuse(program, "--version is not an option here");
    *reply = std::string(version.what()) + "\n";
    return HostOptions();
  } catch (const CLI::ParseError& error) {
    Refuse(program, error.what());
  }
  if (!app.remaining().empty()) Refuse(program, "unexpected \"" + app.remaining().front() + "\"");
  options.session_timeout = std::chrono::seconds(seconds);
  for (const std::string& value : proxies) AddTrustedProxies(program, value, options);
  if (!options.tls_listen.empty() && (options.tls_cert.empty() || options.tls_key.empty())) {
    Refuse(program, "--tls-listen needs --tls-cert and --tls-key");
  }
  return options;
}

}  // namespace quorax
