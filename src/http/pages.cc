#include "http/pages.h"

#include "common/page_contract.h"
#include "common/text.h"

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

Reply HostPage(unsigned status, const std::string& heading, const std::string& text,
               const std::string& start_link, std::string_view form_html) {
  Reply reply;
  reply.status = status;
  reply.headers.emplace_back("Content-Type", kPageContentType);
  reply.headers.emplace_back(contract::kStatusHeader, contract::kServerRefused);
  reply.headers.emplace_back(contract::kReasonHeader, contract::ReasonHeaderValue(text));
  reply.body = "<!DOCTYPE html>\r\n<html><head><meta charset=\"windows-1252\"><title>" +
               HtmlEscape(heading) + "</title></head>\r\n<body>\r\n<h1>" + HtmlEscape(heading) +
               "</h1>\r\n<p>" + HtmlEscape(text) + "</p>\r\n" + std::string(form_html) +
               "<p><a href=\"" + HtmlEscape(start_link) +
               "\">Back to the start page</a></p>\r\n</body></html>\r\n";
  return reply;
}

}  // namespace quorax
