#ifndef QUORAX_TESTS_WEB_WEB_APP_FIXTURE_H_
#define QUORAX_TESTS_WEB_WEB_APP_FIXTURE_H_

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "host/web_application.h"
#include "testing/fake_host.h"
#include "testing/settings_file.h"
#include "web/main.h"

namespace quorax {

// Sets the server variables of a request that reaches `local_addr` over
// https from 10.0.0.9; they stay for the host's later requests.
inline void ServeOverHttps(FakeHost& host, const std::string& local_addr) {
  host.Variable("LOCAL_ADDR", local_addr);
  host.Variable("REMOTE_ADDR", "10.0.0.9");
  host.Variable("HTTPS", "on");
}

// The application reading a settings file of the test's lines, and a fake
// host holding one session whose requests are served over https at
// `local_addr`. Arguments after `local_addr` go to the application's
// constructor after the settings file.
class WebAppFixture : public ::testing::Test {
 protected:
  using Query = std::vector<std::pair<std::string, std::string>>;

  template <typename... MainArgs>
  WebAppFixture(std::initializer_list<std::string> settings_lines, const std::string& local_addr,
                MainArgs&&... main_args)
      : settings_(settings_lines), app_(settings_.path(), std::forward<MainArgs>(main_args)...) {
    ServeOverHttps(host_, local_addr);
  }

  // Starts a new request in the session for page item `item` ("" is the
  // start page) with the keys of `query` whose values are not empty, and
  // runs it.
  void Request(const std::string& item, const Query& query = {}) {
    host_.NewRequest();
    for (const auto& [key, value] : query) {
      if (!value.empty()) host_.Query(key, value);
    }
    ASSERT_TRUE(Dispatch(app_, host_, item));
  }

  bool Contains(const std::string& text) const {
    return host_.Output().find(text) != std::string::npos;
  }

  SettingsFile settings_;
  quorax::main app_;
  FakeHost host_;
};

}  // namespace quorax

#endif  // QUORAX_TESTS_WEB_WEB_APP_FIXTURE_H_
