#include "support/config.h"

#include <optional>
#include <string_view>

#include "common/errors.h"
#include "common/int16.h"
#include "common/read_file.h"
#include "common/text.h"
#include "support/text_file.h"

namespace quorax {
namespace {

// Line positions are 16-bit and count from 1; the scan steps two past a
// line's end, so no line may end beyond this position.
constexpr size_t kLastLineEnd = 32765;

// Any text longer than this overflows the scan before its end; reading only
// this much gives the same entries and the same overflow at a bounded cost.
constexpr size_t kReadLimit = kLastLineEnd + 3;

// Where a line ends: `at` is the index of its first line-end character and
// `length` the number of line-end characters (0 when the text ends first).
struct LineEnd {
  size_t at;
  size_t length;
};

// A line ends at CR LF or at a lone LF; a lone CR is ordinary text.
LineEnd FindLineEnd(std::string_view text, size_t from) {
  size_t lf = text.find('\n', from);
  if (lf == std::string_view::npos) return {text.size(), 0};
  if (lf > from && text[lf - 1] == '\r') return {lf - 1, 2};
  return {lf, 1};
}

}  // namespace

int16_t Config::Load(const std::string& Filename) {
  RemoveAll();
  const std::optional<std::string> content = ReadWholeFile(Filename, kReadLimit);
  if (!content) return -1;
  const std::string_view text = *content;
  // In positions counted from 1, a line is read while it starts before the
  // last character: a final one-character line without a line end is not.
  size_t pos = 0;
  while (pos + 1 < text.size()) {
    const LineEnd end = FindLineEnd(text, pos);
    if (end.at + 1 > kLastLineEnd) {
      throw Overflow("the settings file \"" + Filename +
                     "\" is too long: a line ends at character " + std::to_string(end.at + 1) +
                     ", beyond the limit of " + std::to_string(kLastLineEnd));
    }
    const std::string_view line = TrimSpaces(text.substr(pos, end.at - pos));
    pos = end.at + end.length;
    if (line.empty() || line.front() == '#') continue;
    const size_t equals = line.find('=');
    if (equals == std::string_view::npos) continue;
    SetItem(std::string(TrimSpaces(line.substr(0, equals))), std::string(line.substr(equals + 1)));
  }
  return 0;
}

int16_t Config::Save(const std::string& Filename) {
  if (Filename.empty()) return -1;
  TextFileWriter file(Filename);
  for (const ConfigItem& item : Items) file.WriteLine(item.Key + "=" + item.Value);
  file.Close();
  return 0;
}

void Config::RemoveAll() { Items.clear(); }

void Config::SetItem(const std::string& Key, const std::string& Value) {
  int16_t index = FindItem(Key);
  if (index < 0) {
    Items.push_back(ConfigItem{ToUpper(Key), Value});
  } else {
    Items[static_cast<size_t>(index)].Value = Value;
  }
}

std::string Config::GetItem(const std::string& Key) const {
  int16_t index = FindItem(Key);
  return index < 0 ? std::string() : Items[static_cast<size_t>(index)].Value;
}

void Config::UnSetItem(const std::string& Key) {
  int16_t index = FindItem(Key);
  if (index >= 0) Items[static_cast<size_t>(index)].Key.clear();
}

int16_t Config::FindItem(const std::string& Key) const {
  const std::string wanted = ToUpper(Key);
  for (size_t i = 0; i < Items.size(); ++i) {
    if (Items[i].Key == wanted) {
      return ToInt16(static_cast<int64_t>(i), "the position of the setting \"" + wanted + "\"");
    }
  }
  return -1;
}

}  // namespace quorax
