#include "http/access_log.h"

#include "common/text.h"

namespace quorax {

namespace {

constexpr size_t kMaxField = 200;

void AppendPrintable(std::string& line, std::string_view text) {
  if (text.empty()) {
    line += '-';
    return;
  }
  for (char c : text.substr(0, kMaxField)) line += (c > ' ' && c < 127) ? c : '?';
}

}  // namespace

void FormatAccessLogLine(std::string& line, std::string_view client, std::string_view method,
                         std::string_view target, unsigned status, size_t bytes,
                         long long milliseconds) {
  line.clear();
  AppendPrintable(line, client);
  line += ' ';
  AppendPrintable(line, method);
  line += ' ';
  AppendPrintable(line, target.substr(0, target.find('?')));
  line += ' ';
  AppendDecimal(line, status);
  line += ' ';
  AppendDecimal(line, static_cast<long long>(bytes));
  line += ' ';
  AppendDecimal(line, milliseconds);
  line += "ms";
}

}  // namespace quorax
