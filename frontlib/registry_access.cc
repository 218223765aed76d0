// cRegistryAccess over the registry file of the platform layer. Only HKEY_LOCAL_MACHINE exists
// there; every other root fails as an unknown predefined key would.
#include "frontlib/registry_access.h"

#include <optional>

#include "frontlib/registry_problem.h"
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
  if (!reportRegistryProblem(registry.CreateKey(KeyName)).ok()) return false;
  // The registry never receives an empty string from this class.
  const std::string value = SubKeyValue.empty() ? std::string(" ") : SubKeyValue;
  return reportRegistryProblem(registry.SetString(KeyName, SubKeyName, value)).ok();
}

std::string cRegistryAccess::GetKeyValue(uint32_t KeyRoot, const std::string& KeyName,
                                         const std::string& SubKeyRef) {
  if (!KnownRoot(KeyRoot)) return std::string();
  platform::Registry registry;
  bool exists = true;
  if (!KeyName.empty() &&
      (!reportRegistryProblem(registry.HasKey(KeyName, &exists)).ok() || !exists)) {
    return std::string();
  }
  std::optional<platform::RegValue> value;
  if (!reportRegistryProblem(registry.Read(KeyName, SubKeyRef, &value)).ok() || !value) {
    return std::string();
  }
  if (value->type == platform::RegValue::Type::kDword) return std::to_string(value->dword);
  // A string ends at its first zero byte, as the registry's ANSI read returns it.
  const std::string& text = value->text;
  return text.substr(0, text.find('\0'));
}

bool cRegistryAccess::DeleteKey(uint32_t KeyRoot, const std::string& KeyName,
                                const std::string& SubKey) {
  if (!KnownRoot(KeyRoot) || SubKey.empty()) return false;
  platform::Registry registry;
  if (!KeyName.empty() && !reportRegistryProblem(registry.CreateKey(KeyName)).ok()) return false;
  return reportRegistryProblem(registry.DeleteKey(SubKeyPath(KeyName, SubKey))).ok();
}

}  // namespace kvt::front
