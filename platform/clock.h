// Local date and time as the product's files write them.
#pragma once

#include <string>

namespace kvt::platform {

struct LocalStamp {
  std::string date;  // yyyymmdd
  std::string time;  // hhmmss
};

LocalStamp NowLocal();

}  // namespace kvt::platform
