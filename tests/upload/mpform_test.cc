#include "upload/mpform.h"

#include <gtest/gtest.h>

#include <string>

#include "common/errors.h"

namespace quorax {
namespace {

const std::string kDisposition = "Content-Disposition: form-data; name=\"csvfile\"\r\n";

// A part as the browser sends it: delimiter line, headers, empty line, content.
std::string Part(const std::string& headers, const std::string& content) {
  return "--XyZ\r\n" + headers + "\r\n" + content + "\r\n";
}

class MPFormTest : public ::testing::Test {
 protected:
  void Parse(std::string body) {
    form.ProcessSubmission(body);
    rest = body;
  }
  MPForm form;
  std::string rest;
};

TEST_F(MPFormTest, SplitsWellFormedBodyAndLeavesEpilogue) {
  Parse(Part("Content-Disposition: form-data; name=\"mode\"\r\n", "1") +
        Part(kDisposition + "Content-Type: text/plain\r\n", "a,b\r\n1,2\r\n") +
        "--XyZ--\r\nepilogue");
  ASSERT_EQ(form.Parts.Count(), 2);
  EXPECT_EQ(form.Parts.Item("mode")->Content, "1");
  const FormPart& file = *form.Parts.Item("CSVFILE");
  EXPECT_EQ(file.Content, "a,b\r\n1,2\r\n");
  EXPECT_EQ(file.Headers.Item("content-type"), "text/plain");
  EXPECT_EQ(file.Headers.Item("Content-Disposition"), "form-data; name=\"csvfile\"");
  EXPECT_EQ(rest, "epilogue");
}

TEST_F(MPFormTest, IncompleteBodiesYieldOnlyTheCompleteParts) {
  const std::string first = Part(kDisposition, "data");
  Parse("--XyZ no line end at all");
  EXPECT_EQ(form.Parts.Count(), 0);
  Parse("--XyZ--\r\n" + first + "--XyZ--\r\n");  // first line ends in "--"
  EXPECT_EQ(form.Parts.Count(), 0);
  Parse(first + "--XyZ--");  // closing delimiter without its CR LF
  EXPECT_EQ(form.Parts.Count(), 0);
  EXPECT_EQ(rest, "--XyZ--");
  Parse(first + "--XyZ--\r\n");
  EXPECT_EQ(form.Parts.Count(), 1);
  EXPECT_EQ(rest, "");
  Parse(first + Part("Content-Disposition: form-data; name=\"b\"\r\n", "cut off"));
  EXPECT_EQ(form.Parts.Count(), 1);
  Parse(first + "--XyZ\r\nContent-Disposition: form-data; name=\"b\"\r\n\r\ncut inside");
  EXPECT_EQ(form.Parts.Count(), 1);
  EXPECT_EQ(rest, "cut inside");
  Parse(first + "--XyZ\r\nno empty line follows\r\n");
  EXPECT_EQ(form.Parts.Count(), 1);
}

TEST_F(MPFormTest, ParsesAttributeValuesByPosition) {
  Parse(
      Part("Content-Disposition: form-data; name=csvfile; filename=\"a=b.csv\"; x=\"c;d.csv\"\r\n",
           "") +
      "--XyZ--\r\n");
  const FormPart& part = *form.Parts.Item(1);
  EXPECT_EQ(part.Name, "svfil");
  EXPECT_EQ(part.Attributes.Item("form-data"), "(Present)");
  EXPECT_EQ(part.Attributes.Item("filename"), "");
  EXPECT_EQ(part.Attributes.Item("x"), "");
  EXPECT_EQ(part.Attributes.Item("d.csv\""), "(Present)");
}

// A line without a colon is ignored, also after the Content-Disposition header.
TEST_F(MPFormTest, HeaderEdgeCases) {
  Parse(Part("Content-Disposition : form-data; name=\"a\"\r\nno colon here\r\n", "x") +
        Part("Content-Disposition: form-data; name=\"b\"\r\nstray line\r\n", "y") + "--XyZ--\r\n");
  ASSERT_EQ(form.Parts.Count(), 2);
  EXPECT_EQ(form.Parts.Item(1)->Name, "");  // the space before the colon hides the header
  EXPECT_EQ(form.Parts.Item(1)->Headers.Count(), 1);
  EXPECT_EQ(form.Parts.Item(1)->Attributes.Count(), 0);
  EXPECT_EQ(form.Parts.Item(2)->Attributes.Count(), 2);
  EXPECT_EQ(form.Parts.Item(2)->Content, "y");
  EXPECT_EQ(form.Parts.Item(""), form.Parts.Item(1));
}

TEST_F(MPFormTest, UnnamedPartsAndEmptyPiecesUseTheEmptyKey) {
  Parse(Part("Content-Disposition: form-data; filename=\"x.csv\";\r\n", "c") + "--XyZ--\r\n");
  const FormPart& part = *form.Parts.Item("");
  EXPECT_EQ(part.Name, "");
  EXPECT_EQ(part.Attributes.Item(""), "(Present)");
  EXPECT_EQ(part.Attributes.Item("filename"), "x.csv");
}

TEST_F(MPFormTest, PartWithoutHeaderLinesIsSplitAtTheNextEmptyLine) {
  Parse("--XyZ\r\n\r\nA: 1\r\n\r\nbody\r\n--XyZ--\r\n");
  ASSERT_EQ(form.Parts.Count(), 1);
  EXPECT_EQ(form.Parts.Item(1)->Headers.Item("A"), "1");
  EXPECT_EQ(form.Parts.Item(1)->Content, "body");
}

TEST_F(MPFormTest, MalformedHeadersRaiseAndKeepEarlierParts) {
  const std::string first = Part(kDisposition, "data");
  const std::string end = "--XyZ--\r\n";
  EXPECT_THROW(Parse(first + Part("Content-Disposition: form-data; name=\r\n", "") + end),
               InvalidArgument);
  EXPECT_EQ(form.Parts.Count(), 1);
  EXPECT_THROW(Parse(first + Part("A: 1\r\na: 2\r\n", "") + end), DuplicateKey);
  EXPECT_THROW(Parse(Part("Content-Disposition: form-data; NAME=\"a\"; name=\"b\"\r\n", "") + end),
               DuplicateKey);
  EXPECT_THROW(
      Parse(first + Part("Content-Disposition: form-data; name=\"CSVFile\"\r\n", "") + end),
      DuplicateKey);
  EXPECT_THROW(Parse(first + Part("X: 1\r\n", "") + Part("Y: 2\r\n", "") + end), DuplicateKey);
  EXPECT_EQ(form.Parts.Count(), 2);
}

TEST_F(MPFormTest, ContentOf32764CharactersIsTheLimit) {
  Parse(Part(kDisposition, std::string(32764, 'c')) + "--XyZ--\r\n");
  EXPECT_EQ(form.Parts.Item("csvfile")->Content.size(), 32764u);
  EXPECT_THROW(Parse(Part(kDisposition, std::string(32765, 'c')) + "--XyZ--\r\n"), Overflow);
  EXPECT_THROW(Parse(std::string(32765, '-') + "\r\n"), Overflow);
  Parse(std::string(32764, '-') + "\r\n");
  EXPECT_EQ(form.Parts.Count(), 0);
  // A search that finds nothing never overflows, however long the text.
  Parse(std::string(70000, 'x'));
  EXPECT_EQ(rest.size(), 70000u);
}

}  // namespace
}  // namespace quorax
