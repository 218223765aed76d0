#include "engine/log_writer.h"

#include "engine/decimal.h"
#include "platform/clock.h"

namespace kvt::engine {

std::string EngineLog::FormatLine(const std::string& date, const std::string& time, int phase,
                                  std::string_view text) {
  // Texts come from the control record; like C strings they end at a zero byte.
  size_t nul = text.find('\0');
  if (nul != std::string_view::npos) text = text.substr(0, nul);
  std::string line = "SORTCTLR" + date + time + ZeroPadded(phase, 3);
  line.append(text);
  line += "\r\n";
  return line;
}

void EngineLog::Write(int phase, std::string_view text) {
  if (phase == 0 && !open_tried_) {
    open_tried_ = true;
    files_.Open(path_, platform::OpenMode::kAppend, &file_);
  }
  if (file_ == nullptr) return;
  platform::LocalStamp now = platform::NowLocal();
  std::string line = FormatLine(now.date, now.time, phase, text);
  // One write per line, so the line lands whole at the end of the file.
  file_->Write(line.data(), line.size());
}

void EngineLog::Close() { file_.reset(); }

}  // namespace kvt::engine
