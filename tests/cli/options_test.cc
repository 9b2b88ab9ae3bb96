#include "cli/options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/exit_status.h"

namespace quorax::cli {
namespace {

TEST(ParseOptionsTest, ReadsEveryOptionInEitherForm) {
  const Options options = ParseOptions({"import",     "--url=https://h/Quorax.asp",
                                        "f.csv",      "--user",
                                        "ann",        "--errors",
                                        "e.csv",      "--report=r.csv",
                                        "--junit",    "j.xml",
                                        "--ca-file",  "ca.pem",
                                        "--quiet",    "g.xml",
                                        "--unmapped", "reject",
                                        "--",         "make",
                                        "--url",      "x"});
  EXPECT_TRUE(options.import);
  EXPECT_EQ(options.files, (std::vector<std::string>{"f.csv", "g.xml"}));
  EXPECT_EQ(options.wrapped, (std::vector<std::string>{"make", "--url", "x"}));
  EXPECT_TRUE(options.reject_unmapped);
  EXPECT_EQ(options.url, "https://h/Quorax.asp");
  EXPECT_EQ(options.user, "ann");
  EXPECT_EQ(options.errors_path, "e.csv");
  EXPECT_EQ(options.report_path, "r.csv");
  EXPECT_EQ(options.junit_path, "j.xml");
  EXPECT_EQ(options.ca_file, "ca.pem");
  EXPECT_TRUE(options.quiet);
  EXPECT_FALSE(ParseOptions({"verify", "f", "--url", "u", "--user", "x"}).import);
}

TEST(ParseOptionsTest, BadCommandLinesAreUsageErrors) {
  const std::vector<std::vector<std::string>> bad = {
      {},
      {"check", "f", "--url", "u", "--user", "x"},
      {"verify", "--url", "u", "--user", "x"},
      {"convert", "f", "--url", "u"},
      {"verify", "f", "--url", "u", "--user", "x", "--"},
      {"verify", "f", "--url", "u", "--user", "x", "--unmapped", "drop"},
      {"verify", "f", "--user", "x"},
      {"verify", "f", "--url", "u"},
      {"verify", "f", "--url", "u", "--user"},
      {"verify", "f", "--url", "u", "--user", "x", "--password", "p"},
      {"verify", "f", "--url", "u", "--user", "x", "--quiet=yes"},
  };
  for (const auto& args : bad) {
    EXPECT_EQ(HelpOrVersion(args), "");
    try {
      ParseOptions(args);
      ADD_FAILURE() << testing::PrintToString(args);
    } catch (const CliFailure& e) {
      EXPECT_EQ(e.status(), kBadUsage) << testing::PrintToString(args);
    }
  }
}

TEST(ParseOptionsTest, HelpAndVersionAnywhereOnlyReply) {
  EXPECT_NE(HelpOrVersion({"verify", "f", "--help"}).find("--ca-file PATH"), std::string::npos);
  EXPECT_NE(HelpOrVersion({"-h"}).find("exit status:"), std::string::npos);
  EXPECT_EQ(HelpOrVersion({"--version"}).rfind("quorax ", 0), 0u);
}

}  // namespace
}  // namespace quorax::cli
