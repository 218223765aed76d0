// The engine's name for the platform's guard over mapped chunks of the input.
#pragma once

#include "platform/mapping_guard.h"

namespace kvt::engine {
namespace input_guard = platform::mapping_guard;
}  // namespace kvt::engine
