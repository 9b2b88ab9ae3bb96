#include "host/host_pages.h"

#include "common/errors.h"
#include "common/text.h"

namespace quorax {

const std::vector<std::pair<std::string, std::string>>& StandardHeaders() {
  static const std::vector<std::pair<std::string, std::string>> headers = {
      {"X-Content-Type-Options", "nosniff"}, {"Content-Security-Policy", "frame-ancestors 'none'"},
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
  reply.body = "<!DOCTYPE html>\r\n<html><head><meta charset=\"windows-1252\"><title>" +
               HtmlEscape(heading) + "</title></head>\r\n<body>\r\n<h1>" + HtmlEscape(heading) +
               "</h1>\r\n<p>" + HtmlEscape(text) + "</p>\r\n<p><a href=\"" +
               HtmlEscape(start_link) + "\">Back to the start page</a></p>\r\n</body></html>\r\n";
  return reply;
}

Reply ErrorPage(const std::exception_ptr& error, const std::string& start_link) {
  const std::string heading = "The request could not be completed";
  try {
    std::rethrow_exception(error);
  } catch (const Overflow& e) {
    return HostPage(400, heading, e.what(), start_link);
  } catch (const SubscriptOutOfRange& e) {
    return HostPage(400, heading, e.what(), start_link);
  } catch (const InvalidArgument& e) {
    return HostPage(400, heading, e.what(), start_link);
  } catch (const MissingKey& e) {
    return HostPage(400, heading, e.what(), start_link);
  } catch (const DuplicateKey& e) {
    return HostPage(400, heading, e.what(), start_link);
  } catch (const Error& e) {
    return HostPage(500, heading, e.what(), start_link);
  } catch (...) {
    return HostPage(500, heading, "The server met an internal error.", start_link);
  }
}

std::string WithoutLineBreaks(std::string_view value) {
  std::string out;
  for (char c : value) {
    if (c != '\r' && c != '\n') out += c;
  }
  return out;
}

std::string StartLinkFor(std::string_view path) {
  size_t first = path.find_first_not_of("/\\");
  return "/" + std::string(first == std::string_view::npos ? "" : path.substr(first));
}

}  // namespace quorax
