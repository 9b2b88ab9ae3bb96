#ifndef QUORAX_TESTS_TCDB_TCDB_FIXTURE_H_
#define QUORAX_TESTS_TCDB_TCDB_FIXTURE_H_

#include "rows/result_columns.h"

namespace quorax::testdb {

// An uploaded row that verifies cleanly against the demo data.
inline ResultRow DemoRow() {
  ResultRow row;
  row.TestCaseID = "2";
  row.TestDate = "2023-06-15";
  row.Version = "2.1";
  row.Platform = "Windows 11";
  row.Browser = "Chrome";
  row.Result = "P";
  row.Tester = "alice";
  return row;
}

}  // namespace quorax::testdb

#endif  // QUORAX_TESTS_TCDB_TCDB_FIXTURE_H_
