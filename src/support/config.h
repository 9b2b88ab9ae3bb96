#ifndef QUORAX_SUPPORT_CONFIG_H_
#define QUORAX_SUPPORT_CONFIG_H_

#include <cstdint>
#include <string>
#include <vector>

namespace quorax {

// A table of named text settings, read from and written to a file of
// key=value lines. Keys are stored upper-cased (ASCII letters) and compared
// without regard to case; entries keep the position at which their key was
// first set. The file is single-byte text; bytes pass through unchanged.
//
// Reading: a line ends at CR LF or at a lone LF (a lone CR is ordinary text)
// and is trimmed of spaces. Empty lines, lines starting with "#" and lines
// without "=" are skipped; otherwise the key is the trimmed text before the
// first "=" and the value everything after it. A repeated key keeps its first
// position and takes its last value.
class Config {
 public:
  // Discards every entry, then reads `Filename`. Returns -1 (nothing read)
  // when the name is empty or no such file exists, 0 after reading it. Raises
  // PlatformFailure when an existing file cannot be read and Overflow when a
  // line ends beyond character 32,765; entries read before stay. Text of up
  // to 32,764 characters always loads.
  int16_t Load(const std::string& Filename);

  // Writes one KEY=value line per entry, CR LF ended, overwriting the file.
  // Returns -1 and writes nothing when `Filename` is empty, else 0. Raises
  // PlatformFailure when the file cannot be written.
  int16_t Save(const std::string& Filename);

  void RemoveAll();
  // Stores `Value` under `Key`, appending a new entry when the key is absent.
  void SetItem(const std::string& Key, const std::string& Value);
  // Returns the value under `Key`, or "" when absent.
  std::string GetItem(const std::string& Key) const;
  // Blanks the key of the entry under `Key`; it keeps its position and value.
  void UnSetItem(const std::string& Key);

 private:
  struct ConfigItem {
    std::string Key;
    std::string Value;
  };

  // Returns the index of the first entry under `Key`, or -1. Raises Overflow
  // when that index does not fit 16 bits.
  int16_t FindItem(const std::string& Key) const;

  std::vector<ConfigItem> Items;
};

}  // namespace quorax

#endif  // QUORAX_SUPPORT_CONFIG_H_
