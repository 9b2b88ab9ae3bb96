#ifndef QUORAX_WEB_MAIN_H_
#define QUORAX_WEB_MAIN_H_

#include <initializer_list>
#include <memory>
#include <string>

#include "host/web_application.h"
#include "host/web_host.h"
#include "support/config.h"

namespace quorax {

// The application object. Its fields are set once, when it is created, from
// the settings file, and only read afterwards; everything that carries from
// one request to the next lives in the session. Handlers may run at the same
// time for different sessions.
class main : public WebApplication {
 public:
  // Reads `settings_file` (by default the path fixed at build time).
  explicit main(std::string settings_file = DefaultSettingsFile());

  static std::string DefaultSettingsFile();

  // WebApplication. Respond routes "ExportCSV", "ImportCSV", "ImportDone",
  // "Login" and "SubmitCSV" (any case) to their handlers.
  void WebClass_Start(WebHost& host) override;
  bool Respond(const std::string& item, WebHost& host) override;

  void Login_Respond(WebHost& host);
  void Login_ProcessTag(WebHost& host, const std::string& TagName, std::string& TagContents,
                        bool& SendTags);
  void SubmitCSV_Respond(WebHost& host);
  void SubmitCSV_ProcessTag(WebHost& host, const std::string& TagName, std::string& TagContents,
                            bool& SendTags);
  void ImportCSV_Respond(WebHost& host);
  void ImportDone_Respond(WebHost& host);
  void ImportDone_ProcessTag(WebHost& host, const std::string& TagName, std::string& TagContents,
                             bool& SendTags);
  void ExportCSV_Respond(WebHost& host);

  // Replaces the tags every template may hold. Returns true when it did.
  bool ProcessCommonTags(WebHost& host, const std::string& TagName, std::string& TagContents,
                         bool& SendTags);

  std::string BaseDirectory;
  bool DebugMode = false;
  std::string DataSourceName;
  std::string BuildDateText;
  std::string BuildVersion;
  std::string UrlScheme;
  std::string HostPageAddress;
  std::string SubmitCSVAddress;
  std::string ImportDoneAddress;
  std::string ExportCSVAddress;
  std::unique_ptr<Config> Settings;

 private:
  void WebClass_Initialize(const std::string& settings_file);

  // The start address of this request, with "?s=" and `status` appended
  // when `status` is not empty.
  std::string StartAddress(WebHost& host, const std::string& status = "") const;

  // The page-order rule: true when session "Last" equals one of `accepted`
  // (without regard to case); otherwise redirects to the start address, ends
  // the response and returns false.
  bool InPageOrder(WebHost& host, std::initializer_list<const char*> accepted) const;

  // Redirects to `address` and ends the response.
  static void RedirectAndEnd(WebHost& host, const std::string& address);

  // Results page views (one run's table and outcomes, read from the session).
  std::string DrawTableHeader() const;
  std::string DrawNavigation(WebHost& host) const;
  std::string DrawCompleteSuccess(WebHost& host) const;
  std::string DrawBadRowsTable(WebHost& host) const;
  std::string DrawAllRowsTable(WebHost& host) const;
  std::string DrawSuccessRowsTable(WebHost& host) const;
};

}  // namespace quorax

#endif  // QUORAX_WEB_MAIN_H_
