#include "http/pages.h"

#include "common/page_contract.h"
#include "common/text.h"

namespace quorax {

const std::vector<std::pair<std::string, std::string>>& StandardHeaders() {
  static const std::vector<std::pair<std::string, std::string>> headers = {
      {"X-Content-Type-Options", "nosniff"}, {"Content-Security-Policy", kContentSecurityPolicy},
      {"X-Frame-Options", "DENY"},           {"Referrer-Policy", "same-origin"},
      {"Cache-Control", "no-store"},
  };
  return headers;
}

Reply HostPage(unsigned status, const std::string& heading, const std::string& text,
               const std::string& start_link) {
  Reply reply;
  reply.status = status;
  reply.headers.emplace_back("Content-Type", kPageContentType);
  reply.headers.emplace_back(contract::kStatusHeader, contract::kServerRefused);
  reply.headers.emplace_back(contract::kReasonHeader, contract::ReasonHeaderValue(text));
  reply.body = "<!DOCTYPE html>\r\n<html><head><meta charset=\"windows-1252\"><title>" +
               HtmlEscape(heading) + "</title></head>\r\n<body>\r\n<h1>" + HtmlEscape(heading) +
               "</h1>\r\n<p>" + HtmlEscape(text) + "</p>\r\n<p><a href=\"" +
               HtmlEscape(start_link) + "\">Back to the start page</a></p>\r\n</body></html>\r\n";
  return reply;
}

}  // namespace quorax
