#include "platform/clock.h"

#include <ctime>

namespace kvt::platform {

LocalStamp NowLocal() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char date[16];
  char time[16];
  std::strftime(date, sizeof date, "%Y%m%d", &local);
  std::strftime(time, sizeof time, "%H%M%S", &local);
  return LocalStamp{date, time};
}

}  // namespace kvt::platform
