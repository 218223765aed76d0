// Takes the README's pictures of the utility: the main window while a sort runs, the log viewer
// after it, the window in a dark theme, and the control-file editor; with "windows", the Windows
// build's set (no dark theme, the uninstaller's window instead). scripts/screenshots.sh runs it
// under a virtual display on an installed product; it drives the real windows as a user would and
// grabs them.
//
//   kvtutil_screenshots CONTROL_FILE OUTPUT_FOLDER [windows]
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "uninstall/frm_uninst.h"
#include "uninstall/uninstaller.h"
#include "util/app_context.h"
#include "util/editor/frm_ctl_file.h"
#include "util/frm_util.h"
#include "util/theme_colours.h"

namespace {

// The file of each picture; an empty name leaves the picture out.
struct PictureNames {
  QString running, log, dark, editor, uninstall;
};

const PictureNames kLinuxNames = {"utility-running.png", "log-viewer.png", "utility-dark.png",
                                  "editor.png", ""};
const PictureNames kWindowsNames = {"windows-main.png", "windows-log.png", "", "windows-editor.png",
                                    "windows-uninstall.png"};

// A palette image keeps the files small; the windows use few colours. Its fixed colour cube
// would merge the close greys of a dark theme, whose picture keeps all its colours.
bool save(const QImage& picture, const QString& folder, const QString& name,
          bool allColours = false) {
  const QImage image = allColours
                           ? picture.convertToFormat(QImage::Format_RGB888)
                           : picture.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither);
  const QString path = QDir(folder).filePath(name);
  const bool saved = image.save(path, "PNG", 0);
  std::printf("%s %s\n", saved ? "wrote" : "could not write", qPrintable(path));
  return saved;
}

template <typename T>
T* child(QWidget* window, const char* name) {
  T* found = window->findChild<T*>(QLatin1String(name));
  if (found == nullptr) qFatal("no control %s", name);
  return found;
}

// Waits until done() or the time is up; false on time-out.
template <typename Done>
bool waitFor(Done done, int timeoutMs) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() > timeoutMs) return false;
    QTest::qWait(100);
  }
  return true;
}

// The main window during the sort: a picture each time the bar moves; the one nearest the
// middle of the run is kept.
bool shootRunningSort(QWidget& window, const QString& ctlFile, const QString& folder,
                      const QString& name) {
  child<QLineEdit>(&window, "txtCtlFile")->setText(ctlFile);
  child<QPushButton>(&window, "cmdSort")->click();
  auto* bar = child<QProgressBar>(&window, "prgSort");
  auto* detail = child<QLabel>(&window, "lblProgress");
  QImage running;
  int runningValue = -1;
  QString lastDetail;
  // "The sort is running" shows from the start request to the end of the run.
  auto* runningLabel = child<QLabel>(&window, "lblSort");
  const bool ended = waitFor(
      [&] {
        if (!runningLabel->isVisible()) return true;
        if (bar->value() > 0 && detail->text() != lastDetail) {
          lastDetail = detail->text();
          if (runningValue < 0 || std::abs(bar->value() - 500) < std::abs(runningValue - 500)) {
            QTest::qWait(50);
            running = window.grab().toImage();
            runningValue = bar->value();
          }
        }
        return false;
      },
      600000);
  if (!ended || running.isNull()) {
    std::fprintf(stderr, "the sort was not seen running: %s\n",
                 qPrintable(child<QLabel>(&window, "lblMsg")->text()));
    return false;
  }
  return save(running, folder, name);
}

// The main window opened after the sort in a dark theme, at the size of a small screen.
bool shootDarkTheme(kvt::util::AppContext& ctx, const QString& folder, const QString& name) {
  const QPalette light = QApplication::palette();
  QApplication::setPalette(kvt::util::darkPalette());
  kvt::util::frmUtil dark(ctx);
  dark.resize(1000, 700);
  dark.show();
  if (!QTest::qWaitForWindowExposed(&dark)) return false;
  child<QLineEdit>(&dark, "txtCtlFile")->setText(QStringLiteral("no-such-file.txt"));
  child<QPushButton>(&dark, "cmdSort")->click();
  QTest::qWait(500);
  const bool ok = save(dark.grab().toImage(), folder, name, true);
  QApplication::setPalette(light);
  return ok;
}

// The uninstaller's window as it opens: the folder it would clean and what goes from it.
bool shootUninstaller(const QString& folder, const QString& name) {
  kvt::uninstall::Uninstaller uninstaller;
  uninstaller.Open();
  kvt::uninstall::frmUninst form(&uninstaller);
  form.show();
  if (!QTest::qWaitForWindowExposed(&form)) return false;
  QTest::qWait(300);
  return save(form.grab().toImage(), folder, name);
}

}  // namespace

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  if (argc != 3 && !(argc == 4 && std::strcmp(argv[3], "windows") == 0)) {
    std::fprintf(stderr, "usage: kvtutil_screenshots CONTROL_FILE OUTPUT_FOLDER [windows]\n");
    return 2;
  }
  const QString ctlFile = QString::fromLocal8Bit(argv[1]);
  const QString folder = QString::fromLocal8Bit(argv[2]);
  const PictureNames& names = argc == 4 ? kWindowsNames : kLinuxNames;
  kvt::util::MessageBoxAsker asker;
  kvt::util::AppContext ctx;
  ctx.asker = &asker;
  kvt::util::frmUtil window(ctx);
  window.resize(1024, 720);
  window.show();
  if (!QTest::qWaitForWindowExposed(&window)) return 1;

  bool ok = shootRunningSort(window, ctlFile, folder, names.running);

  // The log viewer with the engine's own lines shown too.
  child<QCheckBox>(&window, "chkLog")->setChecked(true);
  child<QPushButton>(&window, "cmdRefresh")->click();
  QTest::qWait(300);
  ok = save(child<QGroupBox>(&window, "frmLog")->grab().toImage(), folder, names.log) && ok;
  if (!names.dark.isEmpty()) ok = shootDarkTheme(ctx, folder, names.dark) && ok;

  // The editor on the control file that was sorted.
  ctx.mainCtlFileText = ctlFile;
  ctx.installedVersion = child<QLineEdit>(&window, "txtVersion")->text();
  kvt::util::frmCtlFile editor(ctx, &window);
  editor.show();
  if (!QTest::qWaitForWindowExposed(&editor)) return 1;
  QTest::qWait(500);
  ok = save(editor.grab().toImage(), folder, names.editor) && ok;
  editor.reject();
  if (!names.uninstall.isEmpty()) ok = shootUninstaller(folder, names.uninstall) && ok;
  return ok ? 0 : 1;
}
