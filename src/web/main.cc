#include "web/main.h"

#include "common/text.h"
#include "web/export_results.h"

namespace quorax {

namespace {

// True when the first character of `value`, upper-cased, is "Y".
bool FirstCharacterIsYes(const std::string& value) {
  return !value.empty() && (value.front() == 'Y' || value.front() == 'y');
}

}  // namespace

main::main(std::string settings_file) { WebClass_Initialize(settings_file); }

std::string main::DefaultSettingsFile() { return QUORAX_SETTINGS_FILE; }

// A missing settings file is not an error: the build texts show "{Error}" and
// every address stays empty, so that the start page still answers.
void main::WebClass_Initialize(const std::string& settings_file) {
  Settings = std::make_unique<Config>();
  if (Settings->Load(settings_file) < 0) {
    BuildVersion = "{Error}";
    BuildDateText = "{Error}";
    return;
  }
  BaseDirectory = Settings->GetItem("BaseDir");
  DebugMode = FirstCharacterIsYes(Settings->GetItem("Debug"));
  DataSourceName = Settings->GetItem("DSN");
  BuildVersion = Settings->GetItem("BuildVer");
  BuildDateText = Settings->GetItem("BuildDate");

  if (BaseDirectory.empty() || BaseDirectory.back() != '/') BaseDirectory += '/';
  if (DebugMode) {
    UrlScheme = "http://";
  } else {
    UrlScheme = FirstCharacterIsYes(Settings->GetItem("Secure")) ? "https://" : "http://";
  }
  HostPageAddress = BaseDirectory + "Quorax.asp";
  SubmitCSVAddress = HostPageAddress + "?WCI=SubmitCSV&amp;WCU=&amp;";
  ImportDoneAddress = HostPageAddress + "?WCI=ImportDone&amp;WCU=&amp;";
  ExportCSVAddress = HostPageAddress + "?WCI=ExportCSV&amp;WCU=&amp;";
}

bool main::Respond(const std::string& item, WebHost& host) {
  if (EqualsIgnoreCase(item, "ExportCSV")) {
    ExportCSV_Respond(host);
  } else if (EqualsIgnoreCase(item, "ExportResults")) {
    WriteExportResults(host);
  } else if (EqualsIgnoreCase(item, "ImportCSV")) {
    ImportCSV_Respond(host);
  } else if (EqualsIgnoreCase(item, "ImportDone")) {
    ImportDone_Respond(host);
  } else if (EqualsIgnoreCase(item, "Login")) {
    Login_Respond(host);
  } else if (EqualsIgnoreCase(item, "SubmitCSV")) {
    SubmitCSV_Respond(host);
  } else {
    return false;
  }
  return true;
}

}  // namespace quorax
