#include <windows.h>

#include <cstdio>

#include "platform/clock.h"

namespace kvt::platform {

LocalStamp NowLocal() {
  SYSTEMTIME local;
  ::GetLocalTime(&local);
  char date[16];
  char time[16];
  std::snprintf(date, sizeof date, "%04u%02u%02u", local.wYear, local.wMonth, local.wDay);
  std::snprintf(time, sizeof time, "%02u%02u%02u", local.wHour, local.wMinute, local.wSecond);
  return LocalStamp{date, time};
}

}  // namespace kvt::platform
