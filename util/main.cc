// KVTUtil: the product's utility program.
#include <QApplication>

#include "util/app_context.h"
#include "util/frm_util.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  kvt::util::MessageBoxAsker asker;
  kvt::util::AppContext context;
  context.asker = &asker;
  kvt::util::frmUtil window(context);
  window.show();
  return app.exec();
}
