// The uninstaller's window, driven by clicks on its buttons.

#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <filesystem>
#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "platform/registry.h"
#include "uninstall/frm_uninst.h"
#include "uninstall/tests/product_folder.h"
#include "uninstall/uninstaller.h"

namespace kvt::uninstall {
namespace {

using test::Native;
using test::ProductFolder;
using test::ReadFile;
using test::WriteFile;
namespace fs = std::filesystem;

constexpr char kKey[] = "SOFTWARE\\Halvern\\KV0220";
constexpr char kSample[] = "[FILE]\r\nINFILE=\"in.dat\"\r\n";

// The installer's copy in the product directory, and the clean-up program it runs at its end:
// a script that does nothing on POSIX, the delivered program on Windows.
fs::path AddInstaller(const ProductFolder& dir) {
  const fs::path installer = dir / fs::path(KVTINST_PATH).filename().string();
  fs::copy_file(KVTINST_PATH, installer);
#ifdef KVTCLEAN_PATH
  fs::copy_file(KVTCLEAN_PATH, dir / "install.wrk");
#else
  WriteFile(dir / "install.wrk", "#!/bin/sh\nexit 0\n");
  fs::permissions(dir / "install.wrk", fs::perms::owner_all);
#endif
  return installer;
}

class FormTest : public ::testing::Test {
 protected:
  // Opens the window as the program does: the main directory is read when it opens.
  void OpenForm() {
    uninstaller_.Open();
    form_ = std::make_unique<frmUninst>(&uninstaller_);
    form_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form_.get()));
  }

  template <typename T>
  T* Find(const char* name) {
    T* widget = form_->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }

  void Click(const char* button) { QTest::mouseClick(Find<QPushButton>(button), Qt::LeftButton); }

  QString Outcome() { return Find<QLabel>("lblComplMsg")->text(); }
  QColor OutcomeColour() {
    return Find<QLabel>("lblComplMsg")->palette().color(QPalette::WindowText);
  }

  ProductFolder dir_;
  Uninstaller uninstaller_;
  std::unique_ptr<frmUninst> form_;
};

TEST_F(FormTest, ShowsItsCaptionsAndNames) {
  OpenForm();
  EXPECT_EQ(form_->objectName(), "frmUninst");
  EXPECT_EQ(form_->windowTitle(), "KV Tamsort Std Ver - Uninstall");
  QLabel* prompt = Find<QLabel>("lblMsg");
  EXPECT_EQ(prompt->text(),
            "     Press \"Confirm\" to uninstall        KV Tamsort from this computer");
  EXPECT_EQ(Outcome(), "");
  // Each button has an Alt letter of its own.
  EXPECT_EQ(Find<QPushButton>("cmdConfirm")->text(), "&Confirm");
  EXPECT_EQ(Find<QPushButton>("cmdCancel")->text(), "C&ancel");
  EXPECT_EQ(Find<QPushButton>("cmdExit")->text(), "E&xit");
  // Labels carry names for assistive technology, and their text as the description.
  EXPECT_FALSE(prompt->accessibleName().isEmpty());
  EXPECT_EQ(prompt->accessibleDescription(), prompt->text());
  EXPECT_FALSE(Find<QLabel>("lblComplMsg")->accessibleName().isEmpty());
  // The whole prompt fits the window.
  EXPECT_GE(prompt->width(), prompt->sizeHint().width());
}

// A real installation by KVTInst, some use, then the uninstall through the window.
TEST_F(FormTest, ConfirmUndoesAnInstallationAndASecondConfirmFails) {
  const fs::path installer = AddInstaller(dir_);
  WriteFile(dir_ / "kvtsort.txt", kSample);
  ASSERT_EQ(test::RunProgram(installer.string(), dir_.root().string()), 0u);
  ASSERT_TRUE(fs::is_directory(dir_ / "SortOrder"));
  const std::string config = ReadFile(dir_ / "kvtinst.cfg");
  ASSERT_FALSE(config.empty());
  WriteFile(dir_ / "kvtsort.log", "log");
  WriteFile(dir_ / "kvtsortLog.001", "old log");
  WriteFile(dir_.product() / "SortCtl" / "job.txt", "job");

  OpenForm();
  EXPECT_EQ(uninstaller_.mainDir(), dir_.mainDir());
  // Before the confirmation the window names the folder and the user's files that go.
  const QString plan = Find<QLabel>("lblPlan")->text();
  for (const std::string& shown :
       {dir_.mainDir(), std::string("job.txt"), std::string("kvtsortLog.001")}) {
    EXPECT_TRUE(plan.contains(QString::fromStdString(shown)))
        << shown << " in " << plan.toStdString();
  }
  EXPECT_EQ(Find<QLabel>("lblPlan")->accessibleDescription(), plan);
  Click("cmdConfirm");
  EXPECT_EQ(Find<QLabel>("lblPlan")->text(), "");
  EXPECT_EQ(Outcome(), frmUninst::completeText());
  EXPECT_EQ(OutcomeColour(), QColor(0, 128, 0));
  EXPECT_EQ(Find<QLabel>("lblMsg")->text(), "");
  EXPECT_EQ(Find<QLabel>("lblComplMsg")->accessibleDescription(), Outcome());

  platform::Registry registry(dir_.registryFile());
  EXPECT_FALSE(registry.KeyExists(kKey));
  EXPECT_TRUE(registry.KeyExists("SOFTWARE\\Halvern"));
  EXPECT_EQ(ReadFile(dir_ / "kvtsort.txt"), kSample);
  EXPECT_EQ(ReadFile(dir_ / "install.ctl"), config);
  EXPECT_EQ(ReadFile(dir_ / "install.wrk"), config);
  for (const char* gone :
       {"SortCtl", "SortOrder", "kvtinst.cfg", "Install.log", "kvtsort.log", "kvtsortLog.001"}) {
    EXPECT_FALSE(fs::exists(dir_ / gone)) << gone;
  }
  EXPECT_TRUE(fs::exists(installer));

  Click("cmdConfirm");
  EXPECT_EQ(Outcome(), "Registry cleanup failed");
  EXPECT_EQ(OutcomeColour(), QColor(192, 0, 0));
}

TEST_F(FormTest, WithoutAUsableMainDirectoryThePlanNamesOnlyTheKey) {
  const std::string gone = (dir_.root() / "gone").string() + platform::kPathSeparator;
  const std::pair<std::string, const char*> rows[] = {{"", "No main directory is recorded"},
                                                      {gone, "does not exist"}};
  platform::Registry registry(dir_.registryFile());
  for (const auto& [mainDir, says] : rows) {
    registry.SetString(kKey, "MainDir", mainDir);
    OpenForm();
    const QString plan = Find<QLabel>("lblPlan")->text();
    EXPECT_TRUE(plan.contains(QString::fromLatin1(says))) << plan.toStdString();
    EXPECT_TRUE(plan.contains(QStringLiteral("only the product's registry key")));
  }
}

TEST_F(FormTest, AMissingKeyShowsTheFailureAndKeepsThePrompt) {
  WriteFile(dir_ / "kvtsort.log", "log");
  OpenForm();
  Click("cmdConfirm");
  EXPECT_EQ(Outcome(), "Registry cleanup failed");
  EXPECT_EQ(OutcomeColour(), QColor(192, 0, 0));
  EXPECT_EQ(Find<QLabel>("lblMsg")->text(), frmUninst::prompt());
  EXPECT_TRUE(form_->isVisible());
}

TEST_F(FormTest, ShowsWhatCouldNotBeRemoved) {
  platform::Registry(dir_.registryFile()).SetString(kKey, "MainDir", dir_.mainDir());
  fs::create_directories(dir_.product() / "SortOrder" / "mine");
  OpenForm();
  Click("cmdConfirm");
  EXPECT_EQ(Outcome(), frmUninst::completeText() + "\nCould not be removed:\n    " +
                           QString::fromStdString(Native("SortOrder/mine/")));
  EXPECT_EQ(OutcomeColour(), QColor(0, 0, 192));
  EXPECT_TRUE(fs::is_directory(dir_.product() / "SortOrder" / "mine"));
}

TEST_F(FormTest, ALongListOfLeftoversIsCutAndFitsTheWindow) {
  platform::Registry(dir_.registryFile()).SetString(kKey, "MainDir", dir_.mainDir());
  for (int i = 0; i < 10; ++i) {
    fs::create_directories(dir_.product() / "SortCtl" / ("folder" + std::to_string(i)));
  }
  OpenForm();
  Click("cmdConfirm");
  EXPECT_TRUE(Outcome().endsWith(
      QString::fromStdString("\n    " + Native("SortCtl/folder7/") + "\n    and 2 more")))
      << Outcome().toStdString();
  QLabel* outcome = Find<QLabel>("lblComplMsg");
  EXPECT_GE(outcome->height(), outcome->heightForWidth(outcome->width()));
}

// By the mouse, by Enter on the focused button, and by the button's Alt letter.
TEST_F(FormTest, CancelAndExitCloseTheWindow) {
  const std::vector<std::pair<const char*, std::function<void(QPushButton*)>>> presses = {
      {"click", [](QPushButton* b) { QTest::mouseClick(b, Qt::LeftButton); }},
      {"Enter",
       [](QPushButton* b) {
         b->setFocus();
         QTest::keyClick(b, Qt::Key_Return);
       }},
      {"Alt letter", [](QPushButton* b) {
         const QChar letter = b->text().at(b->text().indexOf(u'&') + 1).toUpper();
         QTest::keyClick(b->window(), static_cast<Qt::Key>(letter.unicode()), Qt::AltModifier);
       }}};
  for (const char* button : {"cmdCancel", "cmdExit"}) {
    for (const auto& [how, press] : presses) {
      OpenForm();
      form_->activateWindow();
      ASSERT_TRUE(QTest::qWaitForWindowActive(form_.get()));
      press(Find<QPushButton>(button));
      // An Alt letter clicks the button a moment later.
      EXPECT_TRUE(QTest::qWaitFor([this] { return !form_->isVisible(); }, 2000))
          << button << " by " << how;
    }
  }
}

}  // namespace
}  // namespace kvt::uninstall
