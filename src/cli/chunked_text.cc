#include "cli/chunked_text.h"

#include <algorithm>

namespace quorax::cli {

ChunkedText::ChunkedText(std::vector<std::string> chunks)
    : std::istream(nullptr), buffer_(std::move(chunks)) {
  rdbuf(&buffer_);
}

ChunkedText::Buffer::Buffer(std::vector<std::string> chunks) : chunks_(std::move(chunks)) {
  if (chunks_.empty()) chunks_.emplace_back();
  size_t start = 0;
  for (const std::string& chunk : chunks_) {
    starts_.push_back(start);
    start += chunk.size();
  }
  starts_.push_back(start);
  Enter(0, 0);
}

ChunkedText::Buffer::int_type ChunkedText::Buffer::underflow() {
  while (gptr() == egptr() && current_ + 1 < chunks_.size()) Enter(current_ + 1, 0);
  return gptr() == egptr() ? traits_type::eof() : traits_type::to_int_type(*gptr());
}

ChunkedText::Buffer::pos_type ChunkedText::Buffer::seekoff(off_type offset,
                                                           std::ios_base::seekdir from,
                                                           std::ios_base::openmode which) {
  off_type base = 0;
  if (from == std::ios_base::cur) {
    base = static_cast<off_type>(starts_[current_]) + (gptr() - eback());
  } else if (from == std::ios_base::end) {
    base = static_cast<off_type>(starts_.back());
  }
  return seekpos(pos_type(base + offset), which);
}

ChunkedText::Buffer::pos_type ChunkedText::Buffer::seekpos(pos_type position,
                                                           std::ios_base::openmode which) {
  const off_type at = position;
  if ((which & std::ios_base::in) == 0 || at < 0 || static_cast<size_t>(at) > starts_.back()) {
    return pos_type(off_type(-1));
  }
  // The last chunk starting at or before `at`.
  const auto next = std::upper_bound(starts_.begin(), starts_.end() - 1, static_cast<size_t>(at));
  const size_t chunk = static_cast<size_t>(next - starts_.begin()) - 1;
  Enter(chunk, static_cast<size_t>(at) - starts_[chunk]);
  return position;
}

void ChunkedText::Buffer::Enter(size_t chunk, size_t offset) {
  current_ = chunk;
  char* const data = chunks_[chunk].data();
  setg(data, data + offset, data + chunks_[chunk].size());
}

}  // namespace quorax::cli
