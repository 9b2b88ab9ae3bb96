#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "upload/spooled_form.h"
#include "web/import_fixture.h"

namespace quorax {
namespace {

// A multipart body whose file part holds bytes that nearly repeat the
// delimiter, with a field on each side of it.
std::string FormAroundFile(const std::string& file) {
  const std::string boundary = "------WebKitFormBoundaryQx";
  return boundary + "\r\nContent-Disposition: form-data; name=\"tester\"\r\n\r\n alice \r\n" +
         boundary + "\r\nContent-Disposition: form-data; name=\"csvfile\"; filename=\"big.csv\"" +
         "\r\nContent-Type: text/csv\r\n\r\n" + file + "\r\n" + boundary +
         "\r\nContent-Disposition: form-data; name=\"version\"\r\n\r\n2.1\r\n" + boundary +
         "--\r\n";
}

TEST(SpooledFormTest, TakesTheFileApartOrRefusesTheForm) {
  const std::string file = "a,b\r\n------WebKitFormBoundaryQ\r\n" + std::string(3'000'000, 'x');
  SpoolFile body;
  body.Append(FormAroundFile(file));
  SpooledForm form = ReadSpooledForm(body, "csvfile");
  EXPECT_EQ(form.file_name, "big.csv");
  EXPECT_EQ(form.file->size(), file.size());
  EXPECT_EQ(form.fields["tester"], " alice ");
  EXPECT_EQ(form.fields["version"], "2.1");

  const std::string boundary = "--b\r\n";
  const std::string part = "Content-Disposition: form-data; name=\"csvfile\"\r\n\r\n";
  for (const std::string& bad :
       {std::string("TCID,Date\r\n1,2\r\n"), boundary + part + "rows without an end",
        boundary + "Content-Disposition: form-data; name=\"other\"\r\n\r\nx\r\n--b--\r\n",
        boundary + "Content-Disposition: form-data; name=\"tester\"\r\n\r\n" +
            std::string(kLargestFormField + 1, 'x') + "\r\n--b--\r\n"}) {
    SpoolFile refused;
    refused.Append(bad);
    EXPECT_THROW(ReadSpooledForm(refused, "csvfile"), Error) << bad.substr(0, 60);
  }
}

// The run item refuses, with the upload's page and without touching the
// session's run, every request it cannot start; a good one starts the run.
class StartRunTest : public ImportFixture {
 protected:
  StartRunTest() : ImportFixture(testkit::kClosedPortDsn) {}
};

TEST_F(StartRunTest, RefusesWhatItCannotRunAndStartsTheRest) {
  struct Case {
    const char* name;
    const char* last;    // the session's previous page
    const char* body;    // spooled; nullptr for a body held in memory
    bool going;          // the session's earlier run is still going
    const char* answer;  // a sentence of the 400 page, or "" for a redirect
  } cases[] = {
      {"out of page order", "ImportDone_Respond", "", false, ""},
      {"no spooled body", "SubmitCSV_Respond", nullptr, false, "carries no file"},
      {"not a form", "SubmitCSV_Respond", "TCID,Date\r\n", false, "no multipart form"},
      {"no file part", "SubmitCSV_Respond",
       "--b\r\nContent-Disposition: form-data; name=\"x\"\r\n\r\n1\r\n--b--", false,
       "holds no file"},
      {"a run still going", "SubmitCSV_Respond", "", true, "still going"},
  };
  for (const Case& c : cases) {
    PrepareUpload("");
    host_.session().SetText("Last", c.last);
    if (c.body != nullptr) host_.SpooledBody(*c.body ? c.body : MultipartBody("TCID\r\n"));
    auto earlier = std::make_shared<HeldRun>(std::make_shared<FileRun>(RunOrder{}));
    if (c.going) host_.session().SetObject("FileRun", earlier);
    Dispatch(app_, host_, "StartRun");
    EXPECT_TRUE(host_.Ended()) << c.name;
    if (*c.answer == '\0') {
      EXPECT_EQ(host_.RedirectedTo().find("WCI=RunProgress"), std::string::npos) << c.name;
    } else {
      EXPECT_EQ(host_.Status(), 400u) << c.name;
      EXPECT_TRUE(Contains(c.answer)) << c.name << ": " << host_.Output();
    }
    const auto held = host_.session().GetObject<HeldRun>("FileRun");
    EXPECT_EQ(held, c.going ? earlier : nullptr) << c.name;
    host_.session().Clear();
  }

  PrepareUpload("");
  host_.Query("i", "1");
  host_.SpooledBody(FormAroundFile("TCID,TestDate,Version,Platform,Browser,Result,Tester,PR\r\n"));
  Dispatch(app_, host_, "StartRun");
  EXPECT_EQ(host_.RedirectedTo(), "/Quorax.asp?WCI=RunProgress&WCU=");
  const auto held = host_.session().GetObject<HeldRun>("FileRun");
  ASSERT_NE(held, nullptr);
  EXPECT_TRUE(held->run->order().import);
  EXPECT_EQ(held->run->order().tester, "alice");
  EXPECT_EQ(host_.SessionText("RunVersion"), "2.1");
}

// The plain upload hands a runner's report to a run, whatever the browser
// sends it with, and keeps CSV files to itself.
TEST_F(StartRunTest, UploadSendsReportsToARun) {
  Upload("<testsuite><testcase classname=\"shop\" name=\"login C1\"/></testsuite>");
  EXPECT_EQ(host_.RedirectedTo(), "/Quorax.asp?WCI=RunProgress&WCU=");
  const auto held = host_.session().GetObject<HeldRun>("FileRun");
  ASSERT_NE(held, nullptr);
  // It fails for want of the run's fields, naming the file as the browser did.
  for (int wait = 0; wait < 500 && !held->run->Finished(); ++wait) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  const std::string message = held->run->Snapshot().message;
  EXPECT_NE(message.find("run.csv is a test runner's report"), std::string::npos) << message;
  EXPECT_EQ(message.find(held->run->order().file->path()), std::string::npos) << message;
  host_.session().Clear();
  Upload("TCID,Date\r\n");
  EXPECT_EQ(host_.session().GetObject<HeldRun>("FileRun"), nullptr);
}

// Only a POST cancels, so that another site's link cannot: a GET gets 405
// with an Allow header and leaves the run going.
TEST_F(StartRunTest, CancelTakesOnlyAPost) {
  const auto run = std::make_shared<FileRun>(RunOrder{});
  host_.session().SetObject("FileRun", std::make_shared<HeldRun>(run));
  for (const std::string method : {"GET", "POST"}) {
    host_.NewRequest();
    host_.Variable("REQUEST_METHOD", method);
    Dispatch(app_, host_, "CancelRun");
    EXPECT_EQ(run->CancelAsked(), method == "POST") << method;
  }
  EXPECT_EQ(host_.RedirectedTo(), "/Quorax.asp?WCI=RunProgress&WCU=");
  host_.NewRequest();
  host_.Variable("REQUEST_METHOD", "GET");
  Dispatch(app_, host_, "CancelRun");
  EXPECT_EQ(host_.Status(), 405u);
  const ResponseHeaders::List allow = {{"Allow", "POST"}};
  EXPECT_EQ(host_.Headers(), allow);
}

}  // namespace
}  // namespace quorax
