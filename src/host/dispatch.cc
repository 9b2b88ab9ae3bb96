#include "host/web_application.h"

namespace quorax {

bool Dispatch(WebApplication& app, WebHost& host, const std::string& item) {
  if (item.empty()) {
    app.WebClass_Start(host);
  } else if (!app.Respond(item, host)) {
    return false;
  }
  for (std::string next = host.TakeNextItem(); !next.empty(); next = host.TakeNextItem()) {
    if (!app.Respond(next, host)) return false;
  }
  return true;
}

}  // namespace quorax
