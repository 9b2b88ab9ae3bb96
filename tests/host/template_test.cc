#include "host/template.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quorax {
namespace {

// Records every tag seen and answers from a fixed table of contents.
struct Recorder {
  std::vector<std::string> names;
  std::vector<std::string> contents;
  bool send_tags = false;

  TagHandler Handler() {
    return [this](const std::string& name, std::string& text, bool& send) {
      names.push_back(name);
      contents.push_back(text);
      if (name == "WC@MESSAGE" || name == "wc@message") text = "Hello";
      send = send_tags;
    };
  }
};

// Each template with what it renders to, and the names and contents of the
// tags that reached the handler, in order.
TEST(RenderTemplateTest, EachWholeTagBecomesWhatTheHandlerLeavesOfItsContents) {
  const struct {
    const char* text;
    const char* rendered;
    std::vector<std::string> names;
    std::vector<std::string> contents;
  } cases[] = {
      {"<p><WC@MESSAGE>default</WC@MESSAGE></p>", "<p>Hello</p>", {"WC@MESSAGE"}, {"default"}},
      // A tag the handler leaves alone keeps its contents.
      {"a<WC@OTHER>kept</WC@OTHER>b", "akeptb", {"WC@OTHER"}, {"kept"}},
      // Names match without regard to case; the handler sees the opening tag's.
      {"<wc@message></WC@Message>", "Hello", {"wc@message"}, {""}},
      {"<a href=\"<WC@MESSAGE></WC@MESSAGE>?s=5\">out</a>",
       "<a href=\"Hello?s=5\">out</a>",
       {"WC@MESSAGE"},
       {""}},
      {"<WC@A>1</WC@A>-<WC@B>2</WC@B>", "1-2", {"WC@A", "WC@B"}, {"1", "2"}},
      // An unclosed tag is copied and does not hide a later one.
      {"<WC@X>open <WC@MESSAGE>m</WC@MESSAGE>", "<WC@X>open Hello", {"WC@MESSAGE"}, {"m"}},
      // Only a closing tag of the same name ends a tag.
      {"<WC@MESSAGE>a</WC@MESSAGEX>b</WC@MESSAGE>", "Hello", {"WC@MESSAGE"}, {"a</WC@MESSAGEX>b"}},
  };
  for (const auto& c : cases) {
    Recorder recorder;
    EXPECT_EQ(RenderTemplate(c.text, recorder.Handler()), c.rendered) << c.text;
    EXPECT_EQ(recorder.names, c.names) << c.text;
    EXPECT_EQ(recorder.contents, c.contents) << c.text;
  }
}

TEST(RenderTemplateTest, SendTagsWritesMarkersWithNameAsWritten) {
  Recorder recorder;
  recorder.send_tags = true;
  EXPECT_EQ(RenderTemplate("<wc@Other>x</WC@OTHER>", recorder.Handler()), "<wc@Other>x</wc@Other>");
}

TEST(RenderTemplateTest, IncompleteTagsAreCopiedUnchanged) {
  Recorder recorder;
  for (const char* text : {"<WC@MESSAGE>no end", "<WC@MESSAGE no bracket</WC@MESSAGE>",
                           "<WC@>x</WC@>", "text <WC@", "</WC@MESSAGE> before <WC@MESSAGE>"}) {
    EXPECT_EQ(RenderTemplate(text, recorder.Handler()), text);
  }
  EXPECT_TRUE(recorder.names.empty());
}

}  // namespace
}  // namespace quorax
