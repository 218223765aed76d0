// The utility's offer of a main directory of one's own, on a start without MainDir.
#include <stdlib.h>

#include <gtest/gtest.h>
#include <QApplication>

#include <string>
#include <vector>

#include "platform/paths.h"
#include "platform/registry.h"
#include "tests/support/temp_dir.h"
#include "util/main_dir_offer.h"

namespace kvt::util {
namespace {

// Answers every question as told and keeps what it was told.
class ScriptedAsker : public QuestionAsker {
 public:
  explicit ScriptedAsker(bool yes) : yes_(yes) {}
  bool askYesNo(QWidget*, const QString&, const QString& text) override {
    questions.push_back(text.toStdString());
    return yes_;
  }
  void tell(QWidget*, const QString&, const QString& text) override {
    told.push_back(text.toStdString());
  }
  std::vector<std::string> questions;
  std::vector<std::string> told;

 private:
  bool yes_;
};

struct Offer {
  const char* what;
  bool mainDirBefore;
  bool answer;
  bool realInstaller;
  bool expectAsked;
  bool expectResult;
  const char* expectTold;  // part of what the user is told afterwards; "" for nothing
};

void PrintTo(const Offer& offer, std::ostream* out) { *out << offer.what; }

class MainDirOfferTest : public ::testing::TestWithParam<Offer> {};

std::string mainDirValue() {
  auto value = platform::Registry().Query(
      platform::ProductRegistryKey(KVT_VERSION_MAJOR, KVT_VERSION_MINOR), "MainDir");
  return value ? value->text : std::string();
}

TEST_P(MainDirOfferTest, OffersOnlyWithoutAMainDirectory) {
  const Offer& c = GetParam();
  testing::TempDir temp;
  ::setenv("KVT_REGISTRY", (temp / "registry.reg").c_str(), 1);
  const std::string key = platform::ProductRegistryKey(KVT_VERSION_MAJOR, KVT_VERSION_MINOR);
  if (c.mainDirBefore) platform::Registry().SetString(key, "MainDir", temp / "old/");
  ScriptedAsker asker(c.answer);
  const QString installer =
      c.realInstaller ? QStringLiteral(KVTINST_PROGRAM) : QString::fromStdString(temp / "none");
  const bool result = offerOwnMainDirectory(asker, installer, QString::fromStdString(temp / "kvt"));
  EXPECT_EQ(result, c.expectResult);
  EXPECT_EQ(asker.questions.size(), c.expectAsked ? 1u : 0u);
  if (std::string(c.expectTold).empty()) {
    EXPECT_TRUE(asker.told.empty());
  } else {
    ASSERT_EQ(asker.told.size(), 1u);
    EXPECT_NE(asker.told[0].find(c.expectTold), std::string::npos) << asker.told[0];
  }
  const std::string expectedMainDir =
      c.mainDirBefore ? temp / "old/" : (c.expectResult ? temp / "kvt/" : "");
  EXPECT_EQ(mainDirValue(), expectedMainDir);
  ::unsetenv("KVT_REGISTRY");
}

const Offer kOffers[] = {
    {"AlreadySetUp", true, true, true, false, true, ""},
    {"UserDeclines", false, false, true, true, false, ""},
    {"UserAccepts", false, true, true, true, true, "is now your main directory"},
    {"InstallerMissing", false, true, false, true, false, "could not be created"},
};

INSTANTIATE_TEST_SUITE_P(Offers, MainDirOfferTest, ::testing::ValuesIn(kOffers),
                         [](const auto& info) { return std::string(info.param.what); });

}  // namespace
}  // namespace kvt::util

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
