#include "http/access_log.h"

#include <charconv>

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

void AppendNumber(std::string& line, long long number) {
  char digits[24];
  line.append(digits, std::to_chars(digits, digits + sizeof digits, number).ptr);
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
  AppendNumber(line, status);
  line += ' ';
  AppendNumber(line, static_cast<long long>(bytes));
  line += ' ';
  AppendNumber(line, milliseconds);
  line += "ms";
}

}  // namespace quorax
