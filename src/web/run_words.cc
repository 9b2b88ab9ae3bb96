#include "web/run_words.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "common/text.h"

namespace quorax {

namespace {

std::string Rows(int64_t count) { return GroupedNumber(count) + (count == 1 ? " row" : " rows"); }

// "about 12 seconds" or "about 3 minutes".
std::string Duration(double seconds) {
  const auto whole = static_cast<int64_t>(std::ceil(seconds));
  if (whole < 120) return "about " + std::to_string(whole) + (whole == 1 ? " second" : " seconds");
  return "about " + std::to_string((whole + 59) / 60) + " minutes";
}

}  // namespace

const char* StageName(FileRun::Stage stage) {
  switch (stage) {
    case FileRun::Stage::kQueued:
      return "queued";
    case FileRun::Stage::kReading:
      return "reading";
    case FileRun::Stage::kSending:
      return "sending";
    case FileRun::Stage::kDone:
      return "done";
    case FileRun::Stage::kCancelled:
      return "cancelled";
    case FileRun::Stage::kFailed:
      return "failed";
    case FileRun::Stage::kServerStopped:
      return "stopped";
  }
  return "failed";
}

std::string PageLinks(const std::string& address, int64_t page, int64_t pages) {
  std::string links;
  if (page > 1) {
    links += "<a href=\"" + HtmlEscape(address + "&p=" + std::to_string(page - 1)) +
             "\" rel=\"prev\">Previous page</a>";
  }
  if (page < pages) {
    links += "<a href=\"" + HtmlEscape(address + "&p=" + std::to_string(page + 1)) +
             "\" rel=\"next\">Next page</a>";
  }
  return links;
}

std::string ProgressSentence(const FileRun::Progress& progress, size_t place, bool import) {
  switch (progress.stage) {
    case FileRun::Stage::kQueued:
      return place == 0 ? "The run is about to start."
                        : "Waiting for other runs to finish: place " + std::to_string(place) +
                              " in the queue.";
    case FileRun::Stage::kReading:
      return "Reading the file: " + Rows(progress.total) + " so far.";
    case FileRun::Stage::kSending: {
      std::string text = std::string(import ? "Importing: " : "Verifying: ") +
                         GroupedNumber(progress.done) + " of " + Rows(progress.total) + " done";
      if (progress.rows_per_second > 0) {
        text += ", " + GroupedNumber(std::llround(progress.rows_per_second)) + " rows a second, " +
                Duration(progress.seconds_left) + " left";
      }
      return text + ".";
    }
    default:
      return StopSentence(progress).empty() ? "The run is done." : StopSentence(progress);
  }
}

std::string StopSentence(const FileRun::Progress& progress) {
  const int64_t left = progress.total - progress.done;
  switch (progress.stage) {
    case FileRun::Stage::kCancelled:
      if (progress.done == 0) {
        return "The run was cancelled before any row was sent; " + Rows(left) +
               " were not processed.";
      }
      return "The run was cancelled after data row " + GroupedNumber(progress.done) + "; " +
             Rows(left) + " after it were not processed.";
    case FileRun::Stage::kFailed:
    case FileRun::Stage::kServerStopped:
      return progress.message +
             (progress.done > 0 ? " It stopped after data row " + GroupedNumber(progress.done) + "."
                                : "");
    default:
      if (left <= 0) return "";
      return "The run stopped at the database failure in data row " + GroupedNumber(progress.done) +
             "; " + Rows(left) + " after it were not processed.";
  }
}

std::string HeaderName(std::string_view field) {
  if (field.size() < 2 || field.front() != '"' || field.back() != '"') return std::string(field);
  std::string name;
  for (size_t at = 1; at + 1 < field.size(); ++at) {
    name += field[at];
    if (field[at] == '"' && field[at + 1] == '"') ++at;
  }
  return name;
}

std::string JsonEscape(std::string_view text) {
  std::string escaped;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      escaped += '\\';
      escaped += c;
    } else if (byte < 0x20) {
      char code[8];
      std::snprintf(code, sizeof code, "\\u%04x", byte);
      escaped += code;
    } else {
      escaped += byte < 0x80 ? c : '?';
    }
  }
  return escaped;
}

int64_t QueryNumber(const std::string& text, int64_t fallback) {
  if (text.empty() || text.size() > 10 ||
      !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    return fallback;
  }
  return std::stoll(text);
}

}  // namespace quorax
