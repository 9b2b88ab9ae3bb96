#include "database/provider_error.h"

#include <array>
#include <string>

#include "common/windows1252.h"

namespace quorax::db {
namespace {

// SQLSTATEs of a kind other than kGeneral: a whole SQLSTATE, or a class
// (its first two characters). The first entry that matches decides, so a
// whole SQLSTATE comes before its class.
struct SqlStateEntry {
  std::string_view Code;
  ErrorKind Kind;
};

constexpr std::array<SqlStateEntry, 5> kSqlStates = {{
    {"08", ErrorKind::kConnection},           // connection exception
    {"28", ErrorKind::kCredentials},          // the server refused the credentials
    {"53300", ErrorKind::kOutOfConnections},  // too many connections
    {"53", ErrorKind::kUnavailable},          // insufficient resources
    {"57", ErrorKind::kUnavailable},          // operator intervention: shutdown, cannot connect now
}};

// What a client-library failure without a server's SQLSTATE is reported as:
// the standard's "unable to establish a connection".
constexpr std::string_view kNoConnectionMade = "08001";

bool IsSqlStateChar(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z'); }

// Joins the lines of `text` with single spaces and trims white space at both ends.
std::string OneLine(std::string_view text) {
  std::string out;
  bool pending_space = false;
  for (char c : text) {
    if (c == '\n' || c == '\r' || c == '\t' || c == ' ') {
      pending_space = !out.empty();
      continue;
    }
    if (pending_space) out += ' ';
    pending_space = false;
    out += c;
  }
  return out;
}

// Where the server's message starts after "SEVERITY:  SQLSTATE: " at `colon`
// (the colon after the severity), or npos when no such prefix is there.
size_t MessageStartAfter(std::string_view text, size_t colon) {
  if (colon == 0 || text[colon - 1] < 'A' || text[colon - 1] > 'Z') return std::string_view::npos;
  const size_t code = colon + 3;
  if (text.substr(colon, 3) != ":  " || code + 7 > text.size()) return std::string_view::npos;
  for (size_t i = code; i < code + 5; ++i) {
    if (!IsSqlStateChar(text[i])) return std::string_view::npos;
  }
  if (text.substr(code + 5, 2) != ": ") return std::string_view::npos;
  return code + 7;
}

}  // namespace

ErrorKind KindOf(std::string_view sqlstate) {
  if (sqlstate.size() != 5) return ErrorKind::kGeneral;
  for (const SqlStateEntry& entry : kSqlStates) {
    if (sqlstate.starts_with(entry.Code)) return entry.Kind;
  }
  return ErrorKind::kGeneral;
}

bool OutOfConnections(const ProviderError& error) {
  return error.Kind == ErrorKind::kOutOfConnections;
}

void RaiseProviderError(const ProviderError& error) {
  switch (error.Kind) {
    case ErrorKind::kConnection:
      throw ConnectionFailed(error);
    case ErrorKind::kCredentials:
      throw CredentialsRefused(error);
    case ErrorKind::kUnavailable:
    case ErrorKind::kOutOfConnections:
      throw ServerUnavailable(error);
    case ErrorKind::kGeneral:
      break;
  }
  throw DatabaseError(error);
}

ProviderError MakeProviderError(std::string_view sqlstate, std::string_view message) {
  std::string description = "[PostgreSQL]";
  if (!sqlstate.empty()) description += "[" + std::string(sqlstate) + "]";
  description += Windows1252FromUtf8(OneLine(message));
  return ProviderError{KindOf(sqlstate), description};
}

ProviderError ConnectionFailure(std::string_view verbose_message) {
  size_t found = std::string_view::npos;
  for (size_t colon = verbose_message.find(':'); colon != std::string_view::npos;
       colon = verbose_message.find(':', colon + 1)) {
    if (MessageStartAfter(verbose_message, colon) != std::string_view::npos) found = colon;
  }
  if (found == std::string_view::npos) return MakeProviderError(kNoConnectionMade, verbose_message);
  const size_t start = MessageStartAfter(verbose_message, found);
  const std::string_view sqlstate = verbose_message.substr(found + 3, 5);
  const size_t end = verbose_message.find('\n', start);
  return MakeProviderError(sqlstate, verbose_message.substr(start, end - start));
}

}  // namespace quorax::db
