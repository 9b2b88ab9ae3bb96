#ifndef QUORAX_TESTS_TCDB_TCDB_FIXTURE_H_
#define QUORAX_TESTS_TCDB_TCDB_FIXTURE_H_

#include <cstdint>
#include <string>

#include "tcdb/tcdb.h"

namespace quorax::testdb {

// One uploaded row; the defaults verify cleanly against the demo data.
struct Row {
  std::string TestCaseID = "2";
  std::string TestDate = "2023-06-15";
  std::string Version = "2.1";
  std::string Platform = "Windows 11";
  std::string Browser = "Chrome";
  std::string Result = "P";
  std::string Tester = "alice";
  std::string PR;
  std::string Notes;
};

inline int16_t Verify(TCDB& db, Row& row) {
  return db.VerifyResult(row.TestCaseID, row.TestDate, row.Version, row.Platform, row.Browser,
                         row.Result, row.Tester, row.PR, row.Notes);
}

inline int16_t Insert(TCDB& db, Row& row) {
  return db.InsertResult(row.TestCaseID, row.TestDate, row.Version, row.Platform, row.Browser,
                         row.Result, row.Tester, row.PR, row.Notes);
}

}  // namespace quorax::testdb

#endif  // QUORAX_TESTS_TCDB_TCDB_FIXTURE_H_
