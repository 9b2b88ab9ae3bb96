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

TEST(RenderTemplateTest, ReplacesTagWithHandlerContents) {
  Recorder recorder;
  EXPECT_EQ(RenderTemplate("<p><WC@MESSAGE>default</WC@MESSAGE></p>", recorder.Handler()),
            "<p>Hello</p>");
  ASSERT_EQ(recorder.names.size(), 1u);
  EXPECT_EQ(recorder.contents[0], "default");
}

TEST(RenderTemplateTest, UnknownTagKeepsTemplateContents) {
  Recorder recorder;
  EXPECT_EQ(RenderTemplate("a<WC@OTHER>kept</WC@OTHER>b", recorder.Handler()), "akeptb");
  EXPECT_EQ(recorder.names, std::vector<std::string>{"WC@OTHER"});
}

TEST(RenderTemplateTest, SendTagsWritesMarkersWithNameAsWritten) {
  Recorder recorder;
  recorder.send_tags = true;
  EXPECT_EQ(RenderTemplate("<wc@Other>x</WC@OTHER>", recorder.Handler()), "<wc@Other>x</wc@Other>");
}

TEST(RenderTemplateTest, NamesMatchWithoutRegardToCase) {
  Recorder recorder;
  EXPECT_EQ(RenderTemplate("<wc@message></WC@Message>", recorder.Handler()), "Hello");
  EXPECT_EQ(recorder.names, std::vector<std::string>{"wc@message"});
}

TEST(RenderTemplateTest, TagInsideAttributeValue) {
  Recorder recorder;
  EXPECT_EQ(RenderTemplate("<a href=\"<WC@MESSAGE></WC@MESSAGE>?s=5\">out</a>", recorder.Handler()),
            "<a href=\"Hello?s=5\">out</a>");
}

TEST(RenderTemplateTest, SeveralTagsInOrder) {
  Recorder recorder;
  EXPECT_EQ(RenderTemplate("<WC@A>1</WC@A>-<WC@B>2</WC@B>", recorder.Handler()), "1-2");
  EXPECT_EQ(recorder.names, (std::vector<std::string>{"WC@A", "WC@B"}));
}

TEST(RenderTemplateTest, IncompleteTagsAreCopiedUnchanged) {
  Recorder recorder;
  for (const char* text : {"<WC@MESSAGE>no end", "<WC@MESSAGE no bracket</WC@MESSAGE>",
                           "<WC@>x</WC@>", "text <WC@", "</WC@MESSAGE> before <WC@MESSAGE>"}) {
    EXPECT_EQ(RenderTemplate(text, recorder.Handler()), text);
  }
  EXPECT_TRUE(recorder.names.empty());
}

TEST(RenderTemplateTest, UnclosedTagDoesNotHideLaterTag) {
  Recorder recorder;
  EXPECT_EQ(RenderTemplate("<WC@X>open <WC@MESSAGE>m</WC@MESSAGE>", recorder.Handler()),
            "<WC@X>open Hello");
}

TEST(RenderTemplateTest, ClosingTagMustMatchName) {
  Recorder recorder;
  EXPECT_EQ(RenderTemplate("<WC@MESSAGE>a</WC@MESSAGEX>b</WC@MESSAGE>", recorder.Handler()),
            "Hello");
  EXPECT_EQ(recorder.contents[0], "a</WC@MESSAGEX>b");
}

}  // namespace
}  // namespace quorax
