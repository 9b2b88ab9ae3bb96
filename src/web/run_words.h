#ifndef QUORAX_WEB_RUN_WORDS_H_
#define QUORAX_WEB_RUN_WORDS_H_

#include <cstddef>
#include <string>
#include <string_view>

#include "web/file_run.h"

namespace quorax {

// The stage's one-word name in the run's status: "queued", "reading",
// "sending", "done", "cancelled", "failed" or "stopped".
const char* StageName(FileRun::Stage stage);

// The sentence the progress page shows for `progress` of a run that verifies
// (or, when `import`, imports), `place` being its place in the queue.
std::string ProgressSentence(const FileRun::Progress& progress, size_t place, bool import);

// Where a finished run stopped, as the results page says it; "" when every
// row was sent.
std::string StopSentence(const FileRun::Progress& progress);

// A header field as the file wrote it, without the quotes around it (and
// with doubled quotes inside made single): the column's name.
std::string HeaderName(std::string_view field);

// The links to the pages before and after page `page` of `pages` of the
// paged view at `address` (which gains "&p=N"): none before the first page,
// none after the last.
std::string PageLinks(const std::string& address, int64_t page, int64_t pages);

// The whole number query value `text` names, or `fallback` when it is none
// (empty, not all digits, or more than ten of them).
int64_t QueryNumber(const std::string& text, int64_t fallback);

// `text` as the contents of a JSON string: quotes, backslashes and control
// characters escaped, bytes beyond ASCII as "?", so the answer is ASCII.
std::string JsonEscape(std::string_view text);

}  // namespace quorax

#endif  // QUORAX_WEB_RUN_WORDS_H_
