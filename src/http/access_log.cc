#include "http/access_log.h"

namespace quorax {

namespace {

constexpr size_t kMaxField = 200;

std::string Printable(std::string_view text) {
  if (text.empty()) return "-";
  std::string out;
  for (char c : text.substr(0, kMaxField)) out += (c > ' ' && c < 127) ? c : '?';
  return out;
}

}  // namespace

std::string AccessLogLine(std::string_view client, std::string_view method, std::string_view target,
                          unsigned status, size_t bytes, long long milliseconds) {
  return Printable(client) + " " + Printable(method) + " " +
         Printable(target.substr(0, target.find('?'))) + " " + std::to_string(status) + " " +
         std::to_string(bytes) + " " + std::to_string(milliseconds) + "ms";
}

}  // namespace quorax
