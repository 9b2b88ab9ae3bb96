#ifndef QUORAX_HOST_WEB_HOST_H_
#define QUORAX_HOST_WEB_HOST_H_

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "sessions/session.h"

namespace quorax {

class SpoolFile;

// Called once per "WC@" tag while a template is written. `TagName` is the
// tag's name as written; `TagContents` arrives holding the template's text
// for the tag and is written in its place; `SendTags` arrives false, and when
// left true the tag markers are written around the contents.
using TagHandler =
    std::function<void(const std::string& TagName, std::string& TagContents, bool& SendTags)>;

// What a page handler sees of the web host during one request. The real HTTP
// host and the in-memory test host implement it alike. All text is
// Windows-1252 bytes.
class WebHost {
 public:
  virtual ~WebHost() = default;

  // Request. Values are decoded to bytes; "" when absent.
  virtual std::string QueryValue(const std::string& key) const = 0;
  virtual std::string FormValue(const std::string& key) const = 0;
  // "HTTPS" ("on" or "off"), "LOCAL_ADDR" (host[:port] of this server),
  // "REMOTE_ADDR" (the client's IP address; behind a trusted proxy, the
  // address the proxy reports), "REQUEST_METHOD" ("GET", "POST", ...),
  // "SESSION_ENDED" ("1" when the request named a session that has ended, so
  // that it runs in a fresh one; else "") and "SESSION_TIMEOUT" (the idle
  // time after which a session ends, in seconds).
  virtual std::string ServerVariable(const std::string& name) const = 0;
  virtual int32_t TotalBytes() const = 0;
  // Returns up to `count` bytes of the raw request body.
  virtual std::string BinaryRead(int32_t count) = 0;
  // The file holding the body of a request the host spooled to disk (a run's
  // file); TotalBytes and BinaryRead then see no body. Null for any other.
  virtual std::shared_ptr<SpoolFile> BodyFile() const { return nullptr; }

  // Response. After End (or Redirect and End) nothing more is sent.
  virtual void Write(const std::string& text) = 0;
  virtual void SetContentType(const std::string& type) = 0;
  // Every host keeps headers by one rule (ResponseHeaders): CR and LF are
  // removed from values, "Content-Type" sets the content type, and
  // Content-Length, Transfer-Encoding and Connection are dropped, since the
  // host frames the body and sends its true length. Raises InvalidArgument
  // for a name that is not an HTTP token.
  virtual void AddHeader(const std::string& name, const std::string& value) = 0;
  // Makes `file` the response's body, in place of anything written; the host
  // sends it a block at a time. By default it is read and written whole.
  virtual void SendFile(std::shared_ptr<SpoolFile> file);
  virtual void Redirect(const std::string& address) = 0;
  virtual void End() = 0;
  // Sets the status of a page that is not a redirect, for example 400 for a
  // request the application refuses with a page of its own; 200 unless set.
  virtual void SetStatus(unsigned status) = 0;

  // This user's session. AbandonSession discards it and all its values: the
  // id the browser held finds nothing any more, and the rest of the request
  // and the browser's next requests go on in a fresh, empty session (the
  // response carries its new id). Raises PlatformFailure when no new id can
  // be drawn.
  virtual Session& session() = 0;
  virtual void AbandonSession() = 0;
  // Records that `user_name` signed in to this session: the session gets a
  // new id, the old id no longer reaches it, and the response carries the new
  // id; values stay. A signed-in session is spared when the host must make
  // room, and beyond the host's limit a user's least recently used idle
  // signed-in sessions end (never one with a request in progress).
  // Raises PlatformFailure when no new id can be drawn.
  // REQUIRES: user_name is not empty.
  virtual void SignedIn(const std::string& user_name) = 0;

  // Names the page item whose Respond handler runs after the current one.
  virtual void SetNextItem(const std::string& item) = 0;
  // Returns the page item named by SetNextItem and forgets it ("" when none).
  virtual std::string TakeNextItem() = 0;

  // Writes the template file `template_name` (for example "login.htm"),
  // calling `on_tag` for each "WC@" tag in it.
  virtual void WriteTemplate(const std::string& template_name, const TagHandler& on_tag) = 0;
};

}  // namespace quorax

#endif  // QUORAX_HOST_WEB_HOST_H_
