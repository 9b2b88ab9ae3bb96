#include "http/pages.h"

#include "common/text.h"
#include "contract/page_contract.h"

namespace quorax {

namespace {

struct StandardHeader {
  const char* name;
  const char* value;
};

constexpr StandardHeader kStandardHeaders[] = {
    {"X-Content-Type-Options", "nosniff"}, {"Content-Security-Policy", kContentSecurityPolicy},
    {"X-Frame-Options", "DENY"},           {"Referrer-Policy", "same-origin"},
    {"Cache-Control", "no-store"},
};

}  // namespace

std::string_view StandardHeaderLines() {
  static const std::string lines = [] {
    std::string text;
    for (const StandardHeader& header : kStandardHeaders) {
      text.append(header.name).append(": ").append(header.value).append("\r\n");
    }
    return text;
  }();
  return lines;
}

bool IsStandardHeader(std::string_view name) {
  for (const StandardHeader& header : kStandardHeaders) {
    if (EqualsIgnoreCase(name, header.name)) return true;
  }
  return false;
}

std::string RefusalPageHtml(const std::string& heading, const std::string& text,
                            const std::string& link, const std::string& link_text,
                            std::string_view form_html) {
  // The same frame and colours as the page templates, so a refusal looks
  // like a page of the site rather than an error of the browser.
  static constexpr char kStyle[] =
      "body{font-family:Arial,Helvetica,sans-serif;margin:0;color:#1a1a1a;background:#f4f5f7}"
      "header,main{max-width:40rem;margin:0 auto;padding:1rem}"
      "h1{font-size:1.5rem;margin:0}h2{margin-top:0;color:#8a1111}"
      "main{background:#fff;border:1px solid #c8ccd2;border-radius:4px;overflow-wrap:anywhere}"
      "a{color:#0b4f9c}:focus{outline:3px solid #f2a900}";
  return "<!DOCTYPE html>\r\n<html lang=\"en\"><head><meta charset=\"windows-1252\">"
         "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">"
         "<title>Quorax - " +
         HtmlEscape(heading) + "</title><style>" + kStyle +
         "</style></head>\r\n<body>\r\n<header><h1>Quorax</h1></header>\r\n<main>\r\n<h2>" +
         HtmlEscape(heading) + "</h2>\r\n<p>" + HtmlEscape(text) + "</p>\r\n" +
         std::string(form_html) + "<p><a href=\"" + HtmlEscape(link) + "\">" +
         HtmlEscape(link_text) + "</a></p>\r\n</main>\r\n</body></html>\r\n";
}

Reply RefusalPage(unsigned status, const std::string& heading, const std::string& text,
                  const std::string& start_link, const std::string& link_text,
                  std::string_view form_html) {
  Reply reply;
  reply.status = status;
  reply.headers.emplace_back("Content-Type", kPageContentType);
  reply.headers.emplace_back(contract::kStatusHeader, contract::kServerRefused);
  reply.headers.emplace_back(contract::kReasonHeader, contract::ReasonHeaderValue(text));
  reply.body = RefusalPageHtml(heading, text, start_link,
                               link_text.empty() ? "Back to the start page" : link_text, form_html);
  return reply;
}

}  // namespace quorax
