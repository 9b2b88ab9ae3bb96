#ifndef QUORAX_TESTS_TCDB_TCDB_FIXTURE_H_
#define QUORAX_TESTS_TCDB_TCDB_FIXTURE_H_

#include "rows/result_columns.h"

namespace quorax::testdb {

// An uploaded row that verifies cleanly against the demo data. ResultRow holds
// its cells in the upload's column order, so a row is written as the cells of
// its line: TCID, date, version, platform, browser, result, tester, PR, notes.
inline ResultRow DemoRow() {
  return {"2", "2023-06-15", "2.1", "Windows 11", "Chrome", "P", "alice", "", ""};
}

}  // namespace quorax::testdb

#endif  // QUORAX_TESTS_TCDB_TCDB_FIXTURE_H_
