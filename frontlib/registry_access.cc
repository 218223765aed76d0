// cRegistryAccess over the registry file of the platform layer. Only HKEY_LOCAL_MACHINE exists
// there; every other root fails as an unknown predefined key would.
#include "frontlib/registry_access.h"

#include <optional>

#include "platform/registry.h"

namespace kvt::front {

namespace {

bool KnownRoot(uint32_t root) { return root == platform::kHkeyLocalMachine; }

std::string SubKeyPath(const std::string& parent, const std::string& child) {
  if (parent.empty()) return child;
  return parent + "\\" + child;
}

}  // namespace

bool cRegistryAccess::UpdateKey(uint32_t KeyRoot, const std::string& KeyName,
                                const std::string& SubKeyName, const std::string& SubKeyValue) {
  // Values directly under the root cannot be written, as on the real registry.
  if (!KnownRoot(KeyRoot) || KeyName.empty()) return false;
  platform::Registry registry;
  if (!registry.CreateKey(KeyName)) return false;
  // The registry never receives an empty string from this class.
  const std::string value = SubKeyValue.empty() ? std::string(" ") : SubKeyValue;
  return registry.SetString(KeyName, SubKeyName, value);
}

std::string cRegistryAccess::GetKeyValue(uint32_t KeyRoot, const std::string& KeyName,
                                         const std::string& SubKeyRef) {
  if (!KnownRoot(KeyRoot)) return std::string();
  platform::Registry registry;
  if (!KeyName.empty() && !registry.KeyExists(KeyName)) return std::string();
  std::optional<platform::RegValue> value = registry.Query(KeyName, SubKeyRef);
  if (!value) return std::string();
  if (value->type == platform::RegValue::Type::kDword) return std::to_string(value->dword);
  // A string ends at its first zero byte, as the registry's ANSI read returns it.
  const std::string& text = value->text;
  return text.substr(0, text.find('\0'));
}

bool cRegistryAccess::DeleteKey(uint32_t KeyRoot, const std::string& KeyName,
                                const std::string& SubKey) {
  if (!KnownRoot(KeyRoot) || SubKey.empty()) return false;
  platform::Registry registry;
  if (!KeyName.empty() && !registry.CreateKey(KeyName)) return false;
  return registry.DeleteKey(SubKeyPath(KeyName, SubKey));
}

}  // namespace kvt::front
