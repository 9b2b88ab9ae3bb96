#include "host/web_host.h"

#include "common/spool_file.h"

namespace quorax {

void WebHost::SendFile(std::shared_ptr<SpoolFile> file) {
  FileBlocks blocks(*file);
  for (std::string_view block = blocks.Next(); !block.empty(); block = blocks.Next()) {
    Write(std::string(block));
  }
}

}  // namespace quorax
