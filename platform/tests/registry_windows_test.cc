#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>

#include "platform/registry.h"

namespace kvt::platform {
namespace {

const char kKey[] = "SOFTWARE\\Halvern\\KV0220";

// Gives the test a HKEY_LOCAL_MACHINE of its own: a fresh key under HKEY_CURRENT_USER stands in
// for it until the test ends, and is then deleted.
class PrivateLocalMachine : public ::testing::Test {
 protected:
  void SetUp() override {
    static std::atomic<int> counter{0};
    path_ = "Software\\KVTamsortTests\\" + std::to_string(::GetCurrentProcessId()) + "_" +
            std::to_string(counter++);
    ASSERT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr,
                                REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &root_, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(::RegOverridePredefKey(HKEY_LOCAL_MACHINE, root_), ERROR_SUCCESS);
  }
  void TearDown() override {
    ::RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
    if (root_ != nullptr) ::RegCloseKey(root_);
    ::RegDeleteTreeA(HKEY_CURRENT_USER, path_.c_str());
  }

  std::string path_;
  HKEY root_ = nullptr;
};

TEST_F(PrivateLocalMachine, ValuesRoundTripWithNamesInAnyCase) {
  Registry registry;
  EXPECT_FALSE(registry.Query(kKey, "MainDir").has_value());
  EXPECT_FALSE(registry.KeyExists(kKey));
  ASSERT_TRUE(registry.SetString(kKey, "MainDir", "C:\\Program Files\\KV \"Tamsort\"\\"));
  ASSERT_TRUE(registry.SetString(kKey, "Empty", ""));
  ASSERT_TRUE(registry.SetDword(kKey, "Count", 0x105));
  struct Row {
    const char* key;
    const char* name;
    RegValue::Type type;
    std::string text;
    uint32_t dword;
  } rows[] = {
      {kKey, "maindir", RegValue::Type::kString, "C:\\Program Files\\KV \"Tamsort\"\\", 0},
      {"\\SOFTWARE\\HALVERN\\KV0220\\", "MAINDIR", RegValue::Type::kString,
       "C:\\Program Files\\KV \"Tamsort\"\\", 0},
      {kKey, "Empty", RegValue::Type::kString, "", 0},
      {kKey, "count", RegValue::Type::kDword, "", 0x105},
  };
  for (const Row& row : rows) {
    std::optional<RegValue> value = registry.Query(row.key, row.name);
    ASSERT_TRUE(value.has_value()) << row.name;
    EXPECT_EQ(value->type, row.type) << row.name;
    EXPECT_EQ(value->text, row.text) << row.name;
    EXPECT_EQ(value->dword, row.dword) << row.name;
  }
  EXPECT_TRUE(registry.KeyExists("software\\halvern"));
  EXPECT_FALSE(registry.SetString("", "x", "y"));
}

TEST_F(PrivateLocalMachine, DeleteKeyRemovesTheSubtreeAndFailsWhenMissing) {
  Registry registry;
  ASSERT_TRUE(registry.CreateKey(std::string(kKey) + "\\Sub\\Deeper"));
  ASSERT_TRUE(registry.SetString(std::string(kKey) + "\\Sub", "v", "1"));
  ASSERT_TRUE(registry.CreateKey("SOFTWARE\\Halvern\\KV0220X"));
  EXPECT_TRUE(registry.DeleteKey("software\\halvern\\kv0220"));
  EXPECT_FALSE(registry.KeyExists(kKey));
  EXPECT_TRUE(registry.KeyExists("SOFTWARE\\Halvern\\KV0220X"));
  EXPECT_FALSE(registry.DeleteKey(kKey));
}

TEST_F(PrivateLocalMachine, WritesStayInsideTheTestsOwnMachineKey) {
  Registry registry;
  ASSERT_TRUE(registry.SetString(kKey, "OnlyHere", "1"));
  // The value sits in the private key, and the real machine key goes back untouched.
  HKEY direct = nullptr;
  std::string inside = path_ + "\\" + kKey;
  ASSERT_EQ(::RegOpenKeyExA(HKEY_CURRENT_USER, inside.c_str(), 0, KEY_READ, &direct),
            ERROR_SUCCESS);
  ::RegCloseKey(direct);
  ::RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
  EXPECT_FALSE(registry.Query(kKey, "OnlyHere").has_value());
  ASSERT_EQ(::RegOverridePredefKey(HKEY_LOCAL_MACHINE, root_), ERROR_SUCCESS);
}

}  // namespace
}  // namespace kvt::platform
