#include "host/test_server.h"

#include <chrono>
#include <filesystem>
#include <stdexcept>
#include <thread>

#include "common/errors.h"
#include "common/spool_file.h"
#include "common/text.h"

namespace quorax {

Routes TestApp::SiteRoutes() const {
  Routes routes = PageRoutes("Quorax.asp", "ImportCSV", "SubmitCSV");
  routes.run_item = "Run";
  return routes;
}

bool TestApp::TakesRunBody(const Session& session) const {
  return session.GetText("Last") == "Form";
}

void TestApp::WebClass_Start(WebHost& host) {
  ++calls;
  host.session().SetText("Started", "yes");
  host.SetNextItem("Login");
}

bool TestApp::Respond(const std::string& item, WebHost& host) {
  ++calls;
  Session& session = host.session();
  if (EqualsIgnoreCase(item, "Login")) {
    host.Write("login s=" + host.QueryValue("s"));
  } else if (EqualsIgnoreCase(item, "Echo")) {
    host.Write("q=" + host.QueryValue("q") + "|uid=" + host.FormValue("uid") +
               "|pwd=" + host.FormValue("pwd") + "|https=" + host.ServerVariable("HTTPS") +
               "|local=" + host.ServerVariable("local_addr") +
               "|total=" + std::to_string(host.TotalBytes()) + "|body=" + host.BinaryRead(4));
  } else if (EqualsIgnoreCase(item, "Count")) {
    std::string count = std::to_string(std::stoi("0" + session.GetText("Count")) + 1);
    session.SetText("Count", count);
    host.Write("count=" + count + "|started=" + session.GetText("Started") +
               "|kept=" + session.GetText("Kept"));
  } else if (EqualsIgnoreCase(item, "Slow")) {
    int now = ++running;
    for (int seen = max_running; now > seen && !max_running.compare_exchange_weak(seen, now);) {
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    --running;
    host.Write("slow done");
  } else if (EqualsIgnoreCase(item, "Go")) {
    host.Write("dropped");
    host.Redirect("http://127.0.0.1/next\r\nSet-Cookie: evil=1");
    host.End();
    host.Write("after end");
  } else if (EqualsIgnoreCase(item, "Fail400")) {
    session.SetText("Kept", "before failure");
    host.Write("partial");
    throw InvalidArgument("\"<x>\" is not a number");
  } else if (EqualsIgnoreCase(item, "Fail500")) {
    throw PlatformFailure("the database is not reachable");
  } else if (EqualsIgnoreCase(item, "Crash")) {
    throw std::runtime_error("internal detail 0xdeadbeef");
  } else if (EqualsIgnoreCase(item, "Headers")) {
    host.SetContentType("text/csv");
    host.AddHeader("Content-Disposition", "filename=errors.csv\r\nX-Injected: 1");
    host.AddHeader("Content-Length", "999");
    host.Write("a,b\r\n");
  } else if (EqualsIgnoreCase(item, "Large")) {
    std::string text(std::stoul("0" + host.QueryValue("n")), ' ');
    for (size_t i = 0; i < text.size(); ++i) text[i] = static_cast<char>('a' + i * 7 % 26);
    host.Write(text);
  } else if (EqualsIgnoreCase(item, "Page")) {
    host.WriteTemplate(host.QueryValue("t"), [](const std::string&, std::string& text, bool&) {
      text = "[" + text + "]";
    });
  } else if (EqualsIgnoreCase(item, "Abandon")) {
    host.AbandonSession();
    host.Write("bye");
  } else if (EqualsIgnoreCase(item, "Form")) {
    session.SetText("Last", "Form");
    host.Write("form");
  } else if (EqualsIgnoreCase(item, "Run")) {
    if (host.BodyFile() == nullptr || !TakesRunBody(session)) {
      host.Redirect("/Quorax.asp");
      host.End();
    } else {
      host.Write("run=" + std::to_string(host.BodyFile()->size()));
    }
  } else if (EqualsIgnoreCase(item, "SignIn")) {
    host.SignedIn("tester");
    host.Write("signed in from " + host.ServerVariable("REMOTE_ADDR"));
  } else {
    --calls;
    return false;
  }
  return true;
}

HostOptions TestServer::DefaultOptions() {
  dir_.Write("page.htm", "<p><WC@NAME>x</WC@NAME></p>");
  // A template that exists but cannot be read: this process's memory at address 0.
  std::filesystem::create_symlink("/proc/self/mem", dir_.Path("unreadable.htm"));
  HostOptions options;
  options.listen = "127.0.0.1:0";
  options.templates_dir = dir_.root().string();
  options.threads = 4;
  options.io_threads = 2;
  options.transport.read_timeout = std::chrono::milliseconds(500);
  options.transport.idle_timeout = std::chrono::milliseconds(500);
  options.transport.write_timeout = std::chrono::milliseconds(2000);
  options.transport.max_body = 1000;
  options.transport.header_limit = 2048;
  options.transport.access_log = [this](const std::string& line) {
    std::lock_guard lock(log_mutex_);
    log_.push_back(line);
  };
  return options;
}

void TestServer::Start(HostOptions options) {
  live_ = std::make_unique<testkit::LiveServer>(
      app_, testkit::ExtraListeners{},
      [&options](HostOptions& live) { live = std::move(options); });
}

std::vector<std::string> TestServer::LogLines() {
  std::lock_guard lock(log_mutex_);
  return log_;
}

}  // namespace quorax
