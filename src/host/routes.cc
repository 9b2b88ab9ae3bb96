#include "host/routes.h"

#include "common/text.h"

namespace quorax {

namespace {

bool Matches(const Route& route, std::string_view path) {
  if (route.kind != RouteKind::kApplication) return path == route.path;
  const std::string page = "/" + route.path;
  return path.size() >= page.size() &&
         EqualsIgnoreCase(path.substr(path.size() - page.size()), page);
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

Routes PageRoutes(const std::string& page_name, const std::string& upload_item) {
  Routes routes;
  routes.start_page = "/" + page_name;
  routes.upload_item = upload_item;
  routes.table = {{RouteKind::kRedirect, "/", routes.start_page},
                  {RouteKind::kHealth, "/healthz", ""},
                  {RouteKind::kApplication, page_name, ""}};
  return routes;
}

}  // namespace quorax
