#include "host/host_options.h"

#include <algorithm>
#include <cassert>
#include <charconv>
#include <climits>
#include <string_view>

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

long long NumberOption(const std::string& program, const std::string& name, const std::string& text,
                       long long min, long long max) {
  long long value = 0;
  if (!ParseNumber(text, min, max, value)) {
    Refuse(program, "--" + name + " needs a whole number from " + std::to_string(min) + " to " +
                        std::to_string(max) + ", not \"" + text + "\"");
  }
  return value;
}

void AddressOption(const std::string& program, const std::string& name, const std::string& text) {
  try {
    std::string host;
    uint16_t port = 0;
    SplitHostPort(text, host, port);
  } catch (const InvalidArgument& error) {
    Refuse(program, "--" + name + ": " + error.what());
  }
}

constexpr std::string_view kOptionNames[] = {"listen",
                                             "tls-listen",
                                             "tls-cert",
                                             "tls-key",
                                             "templates",
                                             "public-address",
                                             "threads",
                                             "session-timeout",
                                             "max-body",
                                             "metrics-listen",
                                             "trusted-proxy",
                                             "max-connections",
                                             "max-connections-per-address",
                                             "max-sessions-per-user",
                                             "max-guests-per-address"};

bool IsOptionName(std::string_view name) {
  for (std::string_view known : kOptionNames) {
    if (name == known) return true;
  }
  return false;
}

void TrustedProxyOption(const std::string& program, const std::string& value,
                        HostOptions& options) {
  size_t start = 0;
  while (start <= value.size()) {
    size_t comma = std::min(value.find(',', start), value.size());
    std::string address = CanonicalAddress(value.substr(start, comma - start));
    if (address.empty()) {
      Refuse(program,
             "--trusted-proxy needs IP addresses separated by commas, not \"" + value + "\"");
    }
    options.trusted_proxies.push_back(address);
    start = comma + 1;
  }
}

// REQUIRES: name is "max-connections", "max-connections-per-address",
// "max-sessions-per-user" or "max-guests-per-address".
void ApplyLimit(const std::string& program, const std::string& name, const std::string& value,
                HostOptions& options) {
  auto limit = static_cast<size_t>(NumberOption(program, name, value, 1, 1000000));
  if (name == "max-connections") {
    options.max_connections = limit;
  } else if (name == "max-connections-per-address") {
    options.max_connections_per_address = limit;
  } else if (name == "max-sessions-per-user") {
    options.max_sessions_per_user = limit;
  } else {
    assert(name == "max-guests-per-address");
    options.max_guests_per_address = limit;
  }
}

// REQUIRES: IsOptionName(name).
void Apply(const std::string& program, const std::string& name, const std::string& value,
           HostOptions& options) {
  if (name == "listen") {
    AddressOption(program, name, value);
    options.listen = value;
  } else if (name == "tls-listen") {
    AddressOption(program, name, value);
    options.tls_listen = value;
  } else if (name == "tls-cert") {
    options.tls_cert = value;
  } else if (name == "tls-key") {
    options.tls_key = value;
  } else if (name == "templates") {
    options.templates_dir = value;
  } else if (name == "public-address") {
    if (value.empty() || value.find_first_of(" \t\r\n/?#@") != std::string::npos) {
      Refuse(program, "--public-address needs HOST[:PORT], not \"" + value + "\"");
    }
    options.public_address = value;
  } else if (name == "threads") {
    options.threads = static_cast<int>(NumberOption(program, name, value, 1, 256));
  } else if (name == "session-timeout") {
    options.session_timeout =
        std::chrono::seconds(NumberOption(program, name, value, 1, 7 * 24 * 3600));
  } else if (name == "metrics-listen") {
    AddressOption(program, name, value);
    options.metrics_listen = value;
  } else if (name == "trusted-proxy") {
    TrustedProxyOption(program, value, options);
  } else if (name == "max-body") {
    options.max_body = static_cast<size_t>(NumberOption(program, name, value, 0, INT32_MAX));
  } else {
    ApplyLimit(program, name, value, options);
  }
}

}  // namespace

std::string HostUsage(const std::string& program) {
  return "usage: " + program +
         " [options]\n"
         "  --listen HOST:PORT          plain HTTP listener (default 127.0.0.1:8080)\n"
         "  --tls-listen HOST:PORT      HTTPS listener, needs --tls-cert and --tls-key\n"
         "  --tls-cert FILE             certificate chain (PEM)\n"
         "  --tls-key FILE              private key (PEM)\n"
         "  --templates DIR             folder of the page templates\n"
         "  --public-address HOST[:PORT] address the pages name instead of the local one\n"
         "  --threads N                 page handler threads (default 4)\n"
         "  --session-timeout SECONDS   idle time before a session ends (default 1200)\n"
         "  --max-body BYTES            largest request body (default 65536)\n"
         "  --metrics-listen HOST:PORT  listener serving GET /metrics (default none)\n"
         "  --trusted-proxy ADDR[,ADDR] proxies whose X-Forwarded-For/-Proto count\n"
         "  --max-connections N         open connections in all (default 1000)\n"
         "  --max-connections-per-address N  of one address, IPv6 per /64 (default 600)\n"
         "  --max-sessions-per-user N   signed-in sessions of one user name (default 20)\n"
         "  --max-guests-per-address N  sessions not signed in of one client (default 100)\n";
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

HostOptions ParseHostOptions(int argc, char** argv) {
  const std::string program = argc > 0 ? argv[0] : "quorax-server";
  HostOptions options;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg.rfind("--", 0) != 0) Refuse(program, "unexpected \"" + arg + "\"");
    size_t equals = arg.find('=');
    std::string name = arg.substr(2, equals == std::string::npos ? std::string::npos : equals - 2);
    if (!IsOptionName(name)) Refuse(program, "unknown option " + arg.substr(0, equals));
    std::string value;
    if (equals != std::string::npos) {
      value = arg.substr(equals + 1);
    } else if (i + 1 < argc) {
      value = argv[++i];
    } else {
      Refuse(program, "--" + name + " needs a value");
    }
    Apply(program, name, value, options);
  }
  if (!options.tls_listen.empty() && (options.tls_cert.empty() || options.tls_key.empty())) {
    Refuse(program, "--tls-listen needs --tls-cert and --tls-key");
  }
  return options;
}

}  // namespace quorax
