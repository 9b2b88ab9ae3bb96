#include <memory>
#include <string>

#include "common/errors.h"
#include "common/text.h"
#include "contract/page_contract.h"
#include "upload/spooled_form.h"
#include "web/main.h"
#include "web/read_upload.h"

namespace quorax {

namespace {

// The pages a run's file may be sent from.
constexpr std::initializer_list<const char*> kRunFollows = {"SubmitCSV_Respond",
                                                            "StartRun_Respond"};

// The form's field `name`, without leading and trailing spaces.
std::string Field(const SpooledForm& form, const char* name) {
  const auto field = form.fields.find(name);
  return field == form.fields.end() ? "" : std::string(TrimSpaces(field->second));
}

// Keeps the run's fields in the session, for the form of its next run.
void KeepFields(Session& session, const RunOrder& order) {
  session.SetText("RunVersion", order.version);
  session.SetText("RunPlatform", order.platform);
  session.SetText("RunBrowser", order.browser);
  session.SetText("RunTester", order.tester);
  session.SetText("RunCasePattern", order.case_pattern);
}

// The run that the form in `form` asks for, in the session's sign-in.
RunOrder OrderOf(SpooledForm form, const Session& session, const std::string& dsn, bool import) {
  RunOrder order;
  order.import = import;
  order.file_name = form.file_name;
  order.file = std::move(form.file);
  order.version = Field(form, "version");
  order.platform = Field(form, "platform");
  order.browser = Field(form, "browser");
  order.tester = Field(form, "tester");
  order.date = Field(form, "date");
  order.case_pattern = Field(form, "casepattern");
  order.user = session.GetText("User");
  order.password = session.GetText("Pass");
  order.dsn = dsn;
  return order;
}

}  // namespace

// Any other session would only be sent back to the start page, so the host
// never reads its body.
bool main::TakesRunBody(const Session& session) const { return Follows(session, kRunFollows); }

// The upload form's page-order rule applies, and the host has already held
// the request to the Origin rule and the run's size limit.
void main::StartRun_Respond(WebHost& host) {
  if (!InPageOrder(host, kRunFollows)) return;
  const std::shared_ptr<SpoolFile> body = host.BodyFile();
  if (body == nullptr) {
    WriteRefusal(host, "the request carries no file", Addresses.SubmitCSVAddress);
    return;
  }
  BeginRun(host, *body);
}

// A session runs one file at a time: a second one while the first goes is
// refused, the first untouched. A form that cannot be taken apart changes
// nothing either.
void main::BeginRun(WebHost& host, const SpoolFile& body) {
  Session& session = host.session();
  const std::string progress = RunItemAddress(contract::kRunProgress);
  const auto held = session.GetObject<HeldRun>("FileRun");
  if (held != nullptr && !held->run->Finished()) {
    WriteRefusal(host,
                 "a run of this session is still going: wait for it to end, or cancel it, "
                 "before sending another file",
                 HtmlEscape(progress));
    return;
  }
  SpooledForm form;
  try {
    form = ReadSpooledForm(body, "csvfile");
  } catch (const PlatformFailure&) {
    throw;
  } catch (const Error& refusal) {
    WriteRefusal(host, refusal.what(), Addresses.SubmitCSVAddress);
    return;
  }
  RunOrder order = OrderOf(std::move(form), session, DataSourceName, host.QueryValue("i") == "1");
  KeepFields(session, order);
  auto run = std::make_shared<FileRun>(std::move(order));
  session.SetObject("FileRun", std::make_shared<HeldRun>(run));
  session.SetText("Last", "StartRun_Respond");
  Runs.Submit(std::move(run));
  RedirectAndEnd(host, progress);
}

}  // namespace quorax
