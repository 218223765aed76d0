// The registry's shorthands, the same over the registry file and the system's registry.
#include "platform/registry.h"

namespace kvt::platform {

bool Registry::KeyExists(const std::string& key) const {
  bool exists = false;
  return HasKey(key, &exists).ok() && exists;
}

std::optional<RegValue> Registry::Query(const std::string& key, const std::string& name) const {
  std::optional<RegValue> value;
  Read(key, name, &value);
  return value;
}

}  // namespace kvt::platform
