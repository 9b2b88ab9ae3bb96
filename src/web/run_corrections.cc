#include "web/run_corrections.h"

#include <atomic>
#include <cassert>
#include <string_view>

#include "sessions/session.h"

namespace quorax {
namespace {

std::atomic<uint64_t> last_stamp{0};

}  // namespace

RunCorrections::RunCorrections(std::shared_ptr<const CSV> upload)
    : upload_(std::move(upload)), stamp_(++last_stamp), current_(upload_, &upload_->Rows()) {}

std::vector<int32_t> RunCorrections::Changed(const RowCells& posted) const {
  std::vector<int32_t> changed;
  for (const auto& [row, cells] : posted) {
    assert(row >= 1 && row <= Uploaded().RowCount());
    assert(static_cast<int32_t>(cells.size()) == Uploaded().Columns());
    if (!RowHasCells(*current_, row, cells)) changed.push_back(row);
  }
  return changed;
}

void RunCorrections::Apply(const RowCells& posted) {
  const std::vector<int32_t> changed = Changed(posted);
  if (changed.empty()) return;
  for (const int32_t row : changed) {
    const std::vector<std::string>& cells = posted.at(row);
    if (RowHasCells(Uploaded(), row, cells)) {
      corrected_.erase(row);
    } else {
      corrected_[row] = cells;
    }
  }
  Rebuild();
}

void RunCorrections::Rebuild() {
  const RowTable& uploaded = Uploaded();
  auto current = std::make_shared<RowTable>(uploaded.Header());
  std::vector<std::string_view> cells(static_cast<size_t>(uploaded.Columns()));
  for (int32_t row = 1; row <= uploaded.RowCount(); ++row) {
    const auto corrected = corrected_.find(row);
    for (int32_t col = 0; col < uploaded.Columns(); ++col) {
      cells[static_cast<size_t>(col)] = corrected == corrected_.end()
                                            ? uploaded.Cell(row - 1, col)
                                            : corrected->second[static_cast<size_t>(col)];
    }
    current->AddRow(std::span<const std::string_view>(cells), uploaded.Origin(row - 1));
  }
  current_ = std::move(current);
}

bool RowHasCells(const RowTable& table, int32_t row, const std::vector<std::string>& cells) {
  for (int32_t col = 0; col < table.Columns(); ++col) {
    if (table.Cell(row - 1, col) != cells[static_cast<size_t>(col)]) return false;
  }
  return true;
}

std::shared_ptr<RunCorrections> CorrectionsOf(const Session& session) {
  auto corrections = session.GetObject<RunCorrections>("CSVFixes");
  if (corrections == nullptr) return nullptr;
  return corrections->BelongsTo(session.GetObject<CSV>("CSVData").get()) ? corrections : nullptr;
}

RunCorrections& CorrectionsFor(Session& session) {
  std::shared_ptr<RunCorrections> corrections = CorrectionsOf(session);
  if (corrections == nullptr) {
    std::shared_ptr<const CSV> upload = session.GetObject<CSV>("CSVData");
    assert(upload != nullptr);
    corrections = std::make_shared<RunCorrections>(std::move(upload));
    session.SetObject("CSVFixes", corrections);
  }
  return *corrections;
}

}  // namespace quorax
