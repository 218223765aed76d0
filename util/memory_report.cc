#include "util/memory_report.h"

namespace kvt::util {

QString formatKilobytes(uint64_t bytes) {
  const uint64_t kilobytes = bytes / 1024 + (bytes % 1024 >= 512 ? 1 : 0);
  QString digits = QString::number(kilobytes);
  for (int at = digits.size() - 3; at > 0; at -= 3) digits.insert(at, QLatin1Char(','));
  return digits;
}

QString memoryReport(const kvt::platform::MemoryStatus& status) {
  const QString cr = QStringLiteral("\r");
  const auto line = [](const char* label, uint64_t bytes) {
    return QLatin1String(label) + formatKilobytes(bytes) + QStringLiteral(" KB");
  };
  return line("Total Physical Memory is ", status.total_physical) + cr +
         line("Available Physical Memory is ", status.available_physical) + cr + cr +
         line("Total Virtual Memory is ", status.total_virtual) + cr +
         line("Available Virtual Memory is ", status.available_virtual);
}

}  // namespace kvt::util
