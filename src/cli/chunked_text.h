#ifndef QUORAX_CLI_CHUNKED_TEXT_H_
#define QUORAX_CLI_CHUNKED_TEXT_H_

#include <istream>
#include <streambuf>
#include <string>
#include <vector>

namespace quorax::cli {

// A text held in chunks, read and sought as one stream: a large text made a piece at a time
// never needs one allocation of its whole size, nor a second copy.
class ChunkedText : public std::istream {
 public:
  explicit ChunkedText(std::vector<std::string> chunks);

 private:
  class Buffer : public std::streambuf {
   public:
    explicit Buffer(std::vector<std::string> chunks);

   protected:
    int_type underflow() override;
    pos_type seekoff(off_type offset, std::ios_base::seekdir from,
                     std::ios_base::openmode which) override;
    pos_type seekpos(pos_type position, std::ios_base::openmode which) override;

   private:
    // Reads on from byte `offset` of chunk `chunk`.
    void Enter(size_t chunk, size_t offset);

    std::vector<std::string> chunks_;  // never empty
    std::vector<size_t> starts_;       // the text's offset of each chunk, then its size
    size_t current_ = 0;
  };

  Buffer buffer_;
};

}  // namespace quorax::cli

#endif  // QUORAX_CLI_CHUNKED_TEXT_H_
