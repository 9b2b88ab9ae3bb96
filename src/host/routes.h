#ifndef QUORAX_HOST_ROUTES_H_
#define QUORAX_HOST_ROUTES_H_

#include <string>
#include <string_view>
#include <vector>

namespace quorax {

// What the router does with a request to a path.
enum class RouteKind {
  kRedirect,     // 302 to the route's location
  kHealth,       // the health check (GET or HEAD), without a session
  kApplication,  // the application, in the request's session
};

// One entry of the route table. A kApplication path is a file name that
// matches in any directory ("/" + name at the path's end, any case); other
// paths match exactly.
struct Route {
  RouteKind kind;
  std::string path;
  std::string location;  // of a kRedirect
};

// The addresses an application serves, as it fills them in.
struct Routes {
  std::vector<Route> table;
  // Where pages and refusals link back to; also the start of any path that
  // is not in the table.
  std::string start_page;
  // The page item that takes uploads: a GET naming it goes back to the start
  // page without running it. "" for none.
  std::string upload_item;
  // The address of the upload form, which a refused upload links back to;
  // the start page when the application names no form.
  std::string upload_form;
  // The page item that takes a file of any size as a run: its POST bodies
  // are spooled to disk, up to the host's run limit; a GET naming it goes
  // back to the start page like one naming the upload item. "" for none.
  std::string run_item;

  // The first route matching `path`, or nullptr.
  const Route* Find(std::string_view path) const;
  // True when `path` reaches the application.
  bool IsPagePath(std::string_view path) const;
  // The health route when `method` and `path` make a health probe: GET, or
  // HEAD as load balancers send it; else nullptr.
  const Route* HealthProbe(std::string_view method, std::string_view path) const;
};

// The table of an application served at host page `page_name`: "/"
// redirects to "/" + `page_name`, GET or HEAD /healthz is the health check, and the
// page in any directory is the application.
// `form_item`, when not empty, is the page item of the upload form.
Routes PageRoutes(const std::string& page_name, const std::string& upload_item,
                  const std::string& form_item = "");

}  // namespace quorax

#endif  // QUORAX_HOST_ROUTES_H_
