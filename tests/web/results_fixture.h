#ifndef QUORAX_TESTS_WEB_RESULTS_FIXTURE_H_
#define QUORAX_TESTS_WEB_RESULTS_FIXTURE_H_

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "outcomes/csv_row_errors.h"
#include "rows/csv.h"
#include "web/web_app_fixture.h"

namespace quorax {

// One outcome to put into the session: its code and ExtraInfo.
struct Outcome {
  int16_t code;
  std::string extra;
};

// A signed-in session after a run: the test puts the table and outcomes
// straight into the session, as the import leaves them, then asks for a page.
class ResultsFixture : public WebAppFixture {
 protected:
  ResultsFixture() : WebAppFixture({"BaseDir=/results", "BuildVer=3.0"}, "10.0.0.5") {}

  // Stores the table parsed from `csv_text` and one outcome per entry of
  // `outcomes` (row r gets entry r), with "NoErrors" as the import sets it.
  void StoreRun(const std::string& csv_text, const std::vector<Outcome>& outcomes,
                const std::string& mode = "Verify") {
    auto table = std::make_shared<CSV>();
    table->ProcessCSV(csv_text);
    auto errors = std::make_shared<CSVRowErrors>();
    bool no_errors = true;
    int16_t row = 0;
    for (const Outcome& outcome : outcomes) {
      errors->Add(++row, outcome.code);
      errors->Item(row)->ExtraInfo = outcome.extra;
      if (outcome.code < 0) no_errors = false;
    }
    Session& session = host_.session();
    session.SetObject("CSVData", table);
    session.SetObject("CSVErrors", errors);
    session.SetBool("NoErrors", no_errors);
    session.SetText("Mode", mode);
  }

  // Shows the results page as the import hands over to it, with a template
  // that holds nothing but the results tag, so the output is the view alone.
  std::string View(const std::string& d) {
    host_.SetTemplate("importdone.htm", "<WC@RESULTS>template text</WC@RESULTS>");
    host_.session().SetText("Last", "ImportCSV_Respond");
    Request("ImportDone", {{"d", d}});
    return host_.Output();
  }
};

}  // namespace quorax

#endif  // QUORAX_TESTS_WEB_RESULTS_FIXTURE_H_
