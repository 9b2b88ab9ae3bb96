#ifndef QUORAX_RUNNERS_CONVERTED_CSV_H_
#define QUORAX_RUNNERS_CONVERTED_CSV_H_

#include <string>

#include "runners/case_mapping.h"

namespace quorax::runners {

// The mapped rows as UTF-8 CSV text: the nine column headings of the upload file, then "Test";
// every field quoted, CR LF line ends. This is what `quorax convert --out` writes and what the
// command line uploads for a runner report.
std::string ConvertedCsv(const Mapping& mapping);

}  // namespace quorax::runners

#endif  // QUORAX_RUNNERS_CONVERTED_CSV_H_
