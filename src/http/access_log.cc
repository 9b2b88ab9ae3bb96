#include "http/access_log.h"

#include "common/text.h"
#include "http/exchange.h"

namespace quorax {

namespace {

constexpr size_t kMaxField = 200;
constexpr size_t kMaxMessage = 1000;

void AppendPrintable(std::string& line, std::string_view text) {
  if (text.empty()) {
    line += '-';
    return;
  }
  for (char c : text.substr(0, kMaxField)) line += (c > ' ' && c < 127) ? c : '?';
}

// The message of `error`, or "unknown exception" when it is no std::exception.
std::string MessageOf(const std::exception_ptr& error) {
  try {
    std::rethrow_exception(error);
  } catch (const std::exception& e) {
    return e.what();
  } catch (...) {
    return "unknown exception";
  }
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
  AppendPrintable(line, TargetPath(target));
  line += ' ';
  AppendDecimal(line, status);
  line += ' ';
  AppendDecimal(line, static_cast<long long>(bytes));
  line += ' ';
  AppendDecimal(line, milliseconds);
  line += "ms";
}

std::string ErrorLogLine(std::string_view context, const std::exception_ptr& error) {
  std::string line = "error in ";
  line.append(context).append(": ");
  const std::string message = MessageOf(error);
  for (char c : std::string_view(message).substr(0, kMaxMessage)) {
    line += (c >= ' ' && c < 127) ? c : '?';
  }
  return line;
}

}  // namespace quorax
