// cRegistryAccess: the few registry operations the programs need, over the registry file.
#pragma once

#include <cstdint>
#include <string>

namespace kvt::front {

class cRegistryAccess {
 public:
  // Creates or opens KeyName and writes SubKeyName = SubKeyValue as a string value; an empty
  // value is stored as one blank.
  bool UpdateKey(uint32_t KeyRoot, const std::string& KeyName, const std::string& SubKeyName,
                 const std::string& SubKeyValue);
  // String value as stored, DWORD as decimal text, "" when absent.
  std::string GetKeyValue(uint32_t KeyRoot, const std::string& KeyName,
                          const std::string& SubKeyRef);
  // Deletes subkey SubKey of KeyName (creating KeyName when missing); false for an empty
  // SubKey or a subkey that does not exist.
  bool DeleteKey(uint32_t KeyRoot, const std::string& KeyName, const std::string& SubKey);
};

}  // namespace kvt::front
