#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "common/errors.h"
#include "web/import_fixture.h"

namespace quorax {
namespace {

constexpr char kEightColumns[] = "TCID,Date,Ver,Plat,Brow,Res,Tester,PR\r\n";

// Requests that fail or stop before any row reaches the database. The
// database behind the settings is unreachable, so a request that gets as far
// as connecting ends with the "?s=4" redirect.
class ImportCSVRequestTest : public ImportFixture {
 protected:
  ImportCSVRequestTest() : ImportFixture(testkit::kClosedPortDsn) {}

  // A finished earlier run: its results must survive a refused upload.
  void StoreEarlierRun() {
    earlier_table_ = std::make_shared<CSV>();
    earlier_outcomes_ = std::make_shared<CSVRowErrors>();
    earlier_outcomes_->Add(1, -2);
    Session& session = host_.session();
    session.SetObject("CSVData", earlier_table_);
    session.SetObject("CSVErrors", earlier_outcomes_);
    session.SetBool("NoErrors", false);
    session.SetText("Mode", "Verify");
    session.SetText("ParseNote", "earlier note");
  }

  void ExpectEarlierRunKept() {
    EXPECT_EQ(Table(), earlier_table_);
    EXPECT_EQ(Outcomes(), earlier_outcomes_);
    EXPECT_EQ(Outcomes()->Count(), 1);
    EXPECT_FALSE(host_.session().GetBool("NoErrors"));
    EXPECT_EQ(host_.SessionText("Mode"), "Verify");
    EXPECT_EQ(host_.SessionText("ParseNote"), "earlier note");
  }

  // Runs the upload of `body` in Import mode, expecting the refusal page
  // (status 400, a link back to the upload form), and returns that page.
  std::string RefusedUpload(const std::string& body) {
    PrepareUpload(body, "1");
    EXPECT_NO_THROW(Dispatch(app_, host_, "ImportCSV"));
    EXPECT_EQ(host_.Status(), 400u);
    EXPECT_TRUE(host_.Ended());
    EXPECT_NE(host_.Output().find("<a href=\"/Quorax.asp?WCI=SubmitCSV&amp;WCU=&amp;\">Back to "
                                  "the upload form</a>"),
              std::string::npos)
        << host_.Output();
    EXPECT_EQ(host_.SessionText("Last"), "ImportCSV_Respond");
    return host_.Output();
  }

  std::shared_ptr<CSV> earlier_table_;
  std::shared_ptr<CSVRowErrors> earlier_outcomes_;
};

TEST_F(ImportCSVRequestTest, OutOfOrderUploadIsSentToTheStartPageAndChangesNothing) {
  StoreEarlierRun();
  PrepareUpload(MultipartBody(kEightColumns), "1");
  host_.session().SetText("Last", "Login_Respond");
  ASSERT_TRUE(Dispatch(app_, host_, "ImportCSV"));
  EXPECT_EQ(host_.RedirectedTo(), kStartAddress);
  EXPECT_TRUE(host_.Ended());
  EXPECT_EQ(host_.SessionText("Last"), "Login_Respond");
  ExpectEarlierRunKept();
}

// A refused connection never pairs a table with another run's outcomes:
// the earlier run stays whole, and without one the download has nothing.
TEST_F(ImportCSVRequestTest, RefusedConnectionRedirectsWithStatus4AndKeepsTheRunWhole) {
  StoreEarlierRun();
  const std::string file =
      std::string(kEightColumns) + "1,2024-01-01,2.0,Windows 11,Chrome,P,alice,\r\n";
  Upload(file, "1");
  EXPECT_EQ(host_.RedirectedTo(), std::string(kStartAddress) + "?s=4");
  EXPECT_TRUE(host_.Ended());
  EXPECT_EQ(host_.Output(), "");
  EXPECT_EQ(host_.SessionText("Last"), "ImportCSV_Respond");
  ExpectEarlierRunKept();

  host_.session().Clear();
  Upload(file, "1");
  host_.NewRequest();
  ASSERT_NO_THROW(Dispatch(app_, host_, "ExportCSV"));
  EXPECT_NE(host_.Output().find("There are no bad rows to download"), std::string::npos);
}

TEST_F(ImportCSVRequestTest, BodyOf32768BytesOverflowsAndKeepsTheEarlierRun) {
  StoreEarlierRun();
  std::string body = MultipartBody(kEightColumns);
  body.append(32768 - body.size(), ' ');
  const std::string message = RefusedUpload(body);
  EXPECT_NE(message.find("larger than 32,767 bytes"), std::string::npos) << message;
  ExpectEarlierRunKept();
}

TEST_F(ImportCSVRequestTest, BodyOf32767BytesIsAccepted) {
  const std::string empty_body = MultipartBody(kEightColumns);
  const std::string padding(32767 - empty_body.size(), ' ');
  PrepareUpload(MultipartBody(kEightColumns + padding));
  ASSERT_EQ(host_.TotalBytes(), 32767);
  ASSERT_NO_THROW(Dispatch(app_, host_, "ImportCSV"));
  EXPECT_EQ(host_.RedirectedTo(), std::string(kStartAddress) + "?s=4");
}

TEST_F(ImportCSVRequestTest, UploadWithoutAFilePartIsRefusedClearly) {
  StoreEarlierRun();
  const std::string message = RefusedUpload(MultipartBody(kEightColumns, "other"));
  EXPECT_NE(message.find("&quot;csvfile&quot;"), std::string::npos) << message;
  ExpectEarlierRunKept();

  RefusedUpload("not a multipart body at all");
  RefusedUpload("");
  ExpectEarlierRunKept();
}

TEST_F(ImportCSVRequestTest, MalformedPartHeadersAreRefused) {
  StoreEarlierRun();
  RefusedUpload("--b\r\nContent-Disposition: form-data; name=\r\n\r\nx\r\n--b--\r\n");
  ExpectEarlierRunKept();
}

TEST_F(ImportCSVRequestTest, FileWithSevenColumnsIsRefusedNamingItsColumnCount) {
  StoreEarlierRun();
  const std::string message = RefusedUpload(MultipartBody("A,B,C,D,E,F,G\r\n1,2,3,4,5,6,7\r\n"));
  EXPECT_NE(message.find("7 columns"), std::string::npos) << message;
  EXPECT_NE(message.find("8 or 9 are needed (TCID, Test Date,"), std::string::npos) << message;
  ExpectEarlierRunKept();
}

TEST_F(ImportCSVRequestTest, FilesInEncodingsTheDatabaseCannotTakeAreRefused) {
  StoreEarlierRun();
  const std::string row = "1,2024-01-01,2.0,Windows 11,Chrome,P,alice,";
  const std::string refused[][2] = {
      {std::string(kEightColumns) + row + "\xC5\x82\r\n", "data row 1, column 8"},
      {"\xFF\xFE" + std::string(kEightColumns), "UTF-16"},
  };
  for (const auto& [file, reason] : refused) {
    EXPECT_NE(RefusedUpload(MultipartBody(file)).find(reason), std::string::npos) << reason;
    ExpectEarlierRunKept();
  }
}

TEST_F(ImportCSVRequestTest, RefusedUploadLeadsBackToTheUploadFormWithoutSigningIn) {
  StoreEarlierRun();
  RefusedUpload(MultipartBody("A,B,C\r\n1,2,3\r\n"));
  host_.NewRequest();
  ASSERT_TRUE(Dispatch(app_, host_, "SubmitCSV"));
  EXPECT_EQ(host_.RedirectedTo(), "");
  EXPECT_NE(host_.Output().find("csvfile"), std::string::npos);
  EXPECT_EQ(host_.SessionText("Last"), "SubmitCSV_Respond");
  ExpectEarlierRunKept();
}

TEST_F(ImportCSVRequestTest, NarrowFileWithoutDataRowsIsNotRefused) {
  Upload("A,B\r\n");
  EXPECT_EQ(host_.RedirectedTo(), std::string(kStartAddress) + "?s=4");
}

}  // namespace
}  // namespace quorax
