#include <openssl/evp.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "http/pages.h"

namespace quorax {
namespace {

// The policy's source expression for an inline script: its SHA-256 in base64.
std::string ScriptSource(const std::string& script) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  EVP_Digest(script.data(), script.size(), digest, &length, EVP_sha256(), nullptr);
  unsigned char text[4 * ((EVP_MAX_MD_SIZE + 2) / 3) + 1];
  EVP_EncodeBlock(text, digest, static_cast<int>(length));
  return "'sha256-" + std::string(reinterpret_cast<char*>(text)) + "'";
}

// Pages allow scripts by their hashes only: a template's script edited
// without its hash in the policy would silently stop running.
TEST(PagePolicyTest, AllowsEveryInlineScriptOfTheTemplatesByItsHash) {
  int scripts = 0;
  for (const auto& entry : std::filesystem::directory_iterator(QUORAX_SOURCE_DIR "/templates")) {
    std::ifstream file(entry.path(), std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    const std::string page = text.str();
    for (size_t open = page.find("<script>"); open != std::string::npos;
         open = page.find("<script>", open + 1)) {
      const size_t start = open + 8;
      const std::string script = page.substr(start, page.find("</script>", start) - start);
      EXPECT_NE(std::string(kContentSecurityPolicy).find(ScriptSource(script)), std::string::npos)
          << entry.path();
      ++scripts;
    }
  }
  EXPECT_GT(scripts, 0);
}

}  // namespace
}  // namespace quorax
