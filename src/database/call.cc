#include <libpq-fe.h>

#include <charconv>
#include <memory>
#include <string>
#include <vector>

#include "common/windows1252.h"
#include "database/connection_impl.h"
#include "database/provider_error.h"

namespace quorax::db {
namespace {

// Type OIDs of the server's built-in types.
constexpr Oid kInt4Oid = 23;
constexpr Oid kBpcharOid = 1042;
constexpr Oid kVarcharOid = 1043;

Oid TypeOid(int type) {
  switch (type) {
    case kInteger:
      return kInt4Oid;
    case kChar:
      return kBpcharOid;
    default:
      return kVarcharOid;
  }
}

// `procedure` is written into the statement as it stands: it is the
// program's own procedure name, never a value from a user.
std::string CallStatement(const std::string& procedure, size_t count) {
  std::string sql = "CALL " + procedure + "(";
  for (size_t i = 1; i <= count; ++i) {
    if (i > 1) sql += ", ";
    sql += "$" + std::to_string(i);
  }
  return sql + ")";
}

// The value of an output column: NULL, an integer for an integer parameter
// whose text is one, otherwise the text.
Value ReadValue(const PGresult* result, int column, int type) {
  if (PQntuples(result) < 1 || PQgetisnull(result, 0, column)) return {};
  const char* text = PQgetvalue(result, 0, column);
  const std::string_view view(text, static_cast<size_t>(PQgetlength(result, 0, column)));
  if (type == kInteger) {
    int32_t number = 0;
    const auto [end, error] = std::from_chars(view.data(), view.data() + view.size(), number);
    if (error == std::errc() && end == view.data() + view.size()) return number;
  }
  return Windows1252FromUtf8(view);
}

}  // namespace

void ResultFree::operator()(pg_result* result) const { PQclear(result); }

// A failure the client library found without a SQLSTATE from the server is,
// on a connection now broken, the standard's "connection failure".
ProviderError ResultFailure(pg_conn* conn, const pg_result* result) {
  const char* sqlstate = result != nullptr ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
  if (sqlstate == nullptr) sqlstate = PQstatus(conn) == CONNECTION_BAD ? "08006" : "";
  if (result == nullptr) return MakeProviderError(sqlstate, PQerrorMessage(conn));
  const char* message = PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY);
  return MakeProviderError(sqlstate, message != nullptr ? message : PQresultErrorMessage(result));
}

bool Succeeded(const pg_result* result) {
  const ExecStatusType status = PQresultStatus(result);
  return result != nullptr && (status == PGRES_TUPLES_OK || status == PGRES_COMMAND_OK);
}

// Text goes in binary form, which for the server's text types is the bytes
// themselves with an explicit length: a NUL byte is then refused by the
// server instead of silently cutting the value short.
BoundValues::BoundValues(const ParameterList& parameters)
    : texts(parameters.size()),
      values(parameters.size(), nullptr),
      lengths(parameters.size(), 0),
      formats(parameters.size(), 0) {
  for (size_t i = 0; i < parameters.size(); ++i) {
    const Parameter& p = *parameters[i];
    if (p.Dir == kOutput) continue;
    if (const auto* number = std::get_if<int32_t>(&p.Val)) {
      texts[i] = std::to_string(*number);
    } else if (const auto* text = std::get_if<std::string>(&p.Val)) {
      texts[i] = Utf8FromWindows1252(*text);
    } else {
      continue;
    }
    values[i] = texts[i].c_str();
    lengths[i] = static_cast<int>(texts[i].size());
    formats[i] = p.Type == kInteger ? 0 : 1;
  }
}

void StoreOutputs(const pg_result* result, const ParameterList& parameters) {
  int column = 0;
  for (const auto& p : parameters) {
    if (p->Dir != kOutput) continue;
    if (column >= PQnfields(result)) break;
    p->Val = ReadValue(result, column++, p->Type);
  }
}

std::string Connection::Impl::Prepared(const std::string& procedure,
                                       const ParameterList& parameters) {
  const size_t count = parameters.size();
  const std::string sql = CallStatement(procedure, count);
  std::vector<Oid> types;
  std::string key = sql;
  for (const auto& p : parameters) {
    types.push_back(TypeOid(p->Type));
    key += " " + std::to_string(types.back());
  }
  auto found = prepared.find(key);
  if (found == prepared.end()) {
    const std::string name = "quorax_" + std::to_string(prepared.size() + 1);
    PgResult result(
        PQprepare(conn.get(), name.c_str(), sql.c_str(), static_cast<int>(count), types.data()));
    if (!Succeeded(result.get())) Fail(ResultFailure(conn.get(), result.get()));
    found = prepared.emplace(key, name).first;
  }
  return found->second;
}

void Connection::Impl::Call(const std::string& procedure, const ParameterList& parameters) {
  const std::string statement = Prepared(procedure, parameters);
  const BoundValues bound(parameters);
  PgResult result(PQexecPrepared(conn.get(), statement.c_str(), bound.Count(), bound.values.data(),
                                 bound.lengths.data(), bound.formats.data(), 0));
  if (!Succeeded(result.get())) Fail(ResultFailure(conn.get(), result.get()));
  StoreOutputs(result.get(), parameters);
}

}  // namespace quorax::db
