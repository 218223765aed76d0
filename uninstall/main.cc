// KVUninst: removes what the product made at run time, after the user confirms.
#include <QApplication>

#include "uninstall/frm_uninst.h"
#include "uninstall/uninstaller.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  kvt::uninstall::Uninstaller uninstaller;
  uninstaller.Open();
  kvt::uninstall::frmUninst form(&uninstaller);
  form.show();
  return app.exec();
}
