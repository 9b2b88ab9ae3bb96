#include "host/routes.h"

#include <algorithm>

#include "common/text.h"

namespace quorax {

namespace {

bool Matches(const Route& route, std::string_view path) {
  if (route.kind != RouteKind::kApplication) return path == route.path;
  // The path ends in "/" and the page's name.
  const size_t name_at = path.size() - std::min(path.size(), route.path.size());
  return name_at > 0 && path[name_at - 1] == '/' &&
         EqualsIgnoreCase(path.substr(name_at), route.path);
}

}  // namespace

const Route* Routes::Find(std::string_view path) const {
  for (const Route& route : table) {
    if (Matches(route, path)) return &route;
  }
  return nullptr;
}

bool Routes::IsPagePath(std::string_view path) const {
  const Route* route = Find(path);
  return route != nullptr && route->kind == RouteKind::kApplication;
}

const Route* Routes::HealthProbe(std::string_view method, std::string_view path) const {
  if (method != "GET" && method != "HEAD") return nullptr;
  const Route* route = Find(path);
  return route != nullptr && route->kind == RouteKind::kHealth ? route : nullptr;
}

Routes PageRoutes(const std::string& page_name, const std::string& upload_item,
                  const std::string& form_item) {
  Routes routes;
  routes.start_page = "/" + page_name;
  routes.upload_item = upload_item;
  routes.upload_form =
      form_item.empty() ? routes.start_page : routes.start_page + "?WCI=" + form_item + "&WCU=";
  routes.table = {{RouteKind::kRedirect, "/", routes.start_page},
                  {RouteKind::kHealth, "/healthz", ""},
                  {RouteKind::kApplication, page_name, ""}};
  return routes;
}

}  // namespace quorax
