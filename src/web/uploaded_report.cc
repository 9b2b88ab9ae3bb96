#include "web/uploaded_report.h"

#include <string>

#include "common/errors.h"
#include "contract/page_contract.h"
#include "runners/runner_report.h"
#include "upload/mpform.h"

namespace quorax {

std::unique_ptr<SpoolFile> UploadedReport(WebHost& host) {
  const int32_t total = host.TotalBytes();
  if (total <= 0 || total > contract::kLargestUploadBody) return nullptr;
  const std::string body = host.BinaryRead(total);
  std::string parsed = body;
  MPForm form;
  try {
    form.ProcessSubmission(parsed);
  } catch (const Error&) {
    return nullptr;
  }
  std::shared_ptr<FormPart>* part = form.Parts.Find("csvfile");
  if (part == nullptr) return nullptr;
  const runners::Format format = runners::DetectFormat((*part)->Content);
  if (format == runners::Format::Csv || format == runners::Format::Unknown) return nullptr;
  auto spooled = std::make_unique<SpoolFile>();
  spooled->Append(body);
  return spooled;
}

}  // namespace quorax
