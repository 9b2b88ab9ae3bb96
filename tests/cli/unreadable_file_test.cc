#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "cli/exit_status.h"
#include "cli/run.h"
#include "testing/temp_dir.h"

namespace quorax::cli {
namespace {

constexpr char kHeader[] = "TCID,Date,Version,Platform,Browser,Result,Tester,PR,Notes\r\n";

std::string Row(int id, const std::string& notes = "n") {
  return std::to_string(id) + ",2023-06-15,2.1,Windows 11,Chrome,P,alice,," + notes + "\r\n";
}

// A file the server could not read to its end is refused before anything is
// sent (nothing listens at the address), naming the file's line and why.
TEST(UnreadableFileTest, RefusalNamesTheFilesLineAndTheCause) {
  std::string long_file = kHeader + Row(1, "\"two\r\nlines\"");
  for (int id = 2; id <= 1000; ++id) long_file += Row(id);
  long_file += Row(1001, "n,extra");
  const struct {
    std::string content;
    std::string message;
  } cases[] = {
      {kHeader + Row(1, "\"two\r\nlines\"") + Row(2, "\"open") + Row(3),
       "the file cannot be read past data row 1: the quote opened on line 4 is never closed"},
      {kHeader + Row(1) + "2,2023-06-15\r\n" + Row(3),
       "the file cannot be read past data row 1: line 3 has fewer fields than the header "
       "line's 9 columns"},
      {long_file,  // the fault lies in the second piece
       "the file cannot be read past data row 1000: line 1003 has more fields than the header "
       "line's 9 columns"},
  };
  testkit::TempDir dir;
  for (const auto& c : cases) {
    dir.Write("run.csv", c.content);
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(RunCommand({"verify", dir.Path("run.csv"), "--url", "http://127.0.0.1:9/Quorax.asp",
                          "--user", "demo"},
                         out, err, false),
              kBadUsage);
    EXPECT_EQ(err.str(), "quorax: " + c.message + "\n");
  }
}

}  // namespace
}  // namespace quorax::cli
