#ifndef QUORAX_TESTS_WEB_IMPORT_FIXTURE_H_
#define QUORAX_TESTS_WEB_IMPORT_FIXTURE_H_

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "host/web_application.h"
#include "outcomes/csv_row_errors.h"
#include "rows/csv.h"
#include "testing/closed_port.h"
#include "web/web_app_fixture.h"

namespace quorax {

inline constexpr char kStartAddress[] = "http://10.0.0.5/Quorax.asp";

// Returns a multipart body as a browser builds it, with the file `content`
// in a part named `part_name`.
inline std::string MultipartBody(const std::string& content,
                                 const std::string& part_name = "csvfile") {
  const std::string boundary = "------WebKitFormBoundary7MA4YWxkTrZu0gW";
  return boundary + "\r\nContent-Disposition: form-data; name=\"" + part_name +
         "\"; filename=\"run.csv\"\r\nContent-Type: text/csv\r\n\r\n" + content + "\r\n" +
         boundary + "--\r\n";
}

// A signed-in tester on the upload form, ready to post a file.
class ImportFixture : public WebAppFixture {
 protected:
  explicit ImportFixture(const std::string& dsn)
      : WebAppFixture({"BaseDir=/", "DSN=" + dsn, "BuildVer=3.0"}, "10.0.0.5") {}

  // Posts `content` as the upload, with query key "i" when `i` is not null.
  void Upload(const std::string& content, const char* i = nullptr,
              const std::string& pass = "demo") {
    PrepareUpload(MultipartBody(content), i, pass);
    Dispatch(app_, host_, "ImportCSV");
  }

  // Sets up the upload request without running it.
  void PrepareUpload(const std::string& body, const char* i = nullptr,
                     const std::string& pass = "demo") {
    host_.NewRequest();
    host_.session().SetText("Last", "SubmitCSV_Respond");
    host_.session().SetText("User", "demo");
    host_.session().SetText("Pass", pass);
    if (i != nullptr) host_.Query("i", i);
    host_.Body(body);
  }

  std::shared_ptr<CSVRowErrors> Outcomes() {
    return host_.session().GetObject<CSVRowErrors>("CSVErrors");
  }
  std::shared_ptr<CSV> Table() { return host_.session().GetObject<CSV>("CSVData"); }
};

}  // namespace quorax

#endif  // QUORAX_TESTS_WEB_IMPORT_FIXTURE_H_
