#include "common/text.h"
#include "contract/page_contract.h"
#include "web/answer_status.h"
#include "web/main.h"

namespace quorax {

namespace {

// The run pages' look, the same as the templates' pages.
constexpr char kRunPageStyle[] =
    "<style>\r\n"
    "body { font-family: Arial, Helvetica, sans-serif; margin: 0; color: #1a1a1a; "
    "background: #f4f5f7; }\r\n"
    "header, main, footer { max-width: 60rem; margin: 0 auto; padding: 1rem; }\r\n"
    "header { display: flex; justify-content: space-between; align-items: baseline; }\r\n"
    "h1 { font-size: 1.5rem; margin: 0; }\r\n"
    "main { background: #fff; border: 1px solid #c8ccd2; border-radius: 4px; }\r\n"
    ".progress { border: 1px solid #4a4f57; height: 1.5rem; background: #eef0f3; }\r\n"
    ".progress span { display: block; height: 100%; background: #1f6f3a; }\r\n"
    "table { border-collapse: collapse; }\r\n"
    ".scroll { overflow-x: auto; }\r\n"
    "th, td { border: 1px solid #c8ccd2; padding: 0.2rem 0.4rem; text-align: left; "
    "vertical-align: top; }\r\n"
    ".bar { display: flex; height: 0.8rem; margin-bottom: 1rem; }\r\n"
    ".bar .passed { background: #1f6f3a; } .bar .rejected { background: #b3261e; }\r\n"
    ".bar .failure { background: #6b1d8a; } .bar .skipped { background: #8a8f98; }\r\n"
    ".pages a, .pages form { margin-right: 1rem; display: inline-block; }\r\n"
    "button, input { font-size: 1rem; padding: 0.3rem 0.8rem; }\r\n"
    "a { color: #0b4f9c; }\r\n"
    ":focus { outline: 3px solid #f2a900; }\r\n"
    "footer { font-size: 0.85rem; color: #4a4f57; }\r\n"
    "</style>\r\n";

}  // namespace

std::string main::RunItemAddress(const char* item) const {
  return Addresses.HostPageAddress + "?" + contract::kItemKey + "=" + item + "&WCU=";
}

std::shared_ptr<FileRun> main::SessionRun(WebHost& host) const {
  const auto held = host.session().GetObject<HeldRun>("FileRun");
  if (held != nullptr) return held->run;
  RedirectToStart(host, contract::kNoStatus);
  return nullptr;
}

void main::WriteRunPage(WebHost& host, const std::string& title, const std::string& content,
                        bool refresh, const std::string& script) const {
  std::string page =
      "<!DOCTYPE html>\r\n<html lang=\"en\">\r\n<head>\r\n<meta charset=\"windows-1252\">\r\n"
      "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\r\n";
  if (refresh) page += "<noscript><meta http-equiv=\"refresh\" content=\"1\"></noscript>\r\n";
  page += "<title>Quorax - " + HtmlEscape(title) + "</title>\r\n" + kRunPageStyle +
          "</head>\r\n<body>\r\n<header>\r\n<h1>Quorax</h1>\r\n<a href=\"" +
          StartAddress(host, contract::kLoggedOut) + "\">Log out</a>\r\n</header>\r\n<main>\r\n" +
          "<h2>" + HtmlEscape(title) + "</h2>\r\n" + content +
          "</main>\r\n<footer>\r\n<p>Version v" + HtmlEscape(BuildVersion) + ", built " +
          HtmlEscape(BuildDateText) + "</p>\r\n</footer>\r\n" + script + "</body>\r\n</html>\r\n";
  host.Write(page);
  host.End();
}

}  // namespace quorax
