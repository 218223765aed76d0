// KVTInst: finishes an installation in the folder the program was copied to.
#include "install/install_setup.h"
#include "install/installer.h"

int main() {
  kvt::install::frmTmr runner(kvt::install::InstallSetup::ForThisProgram());
  runner.Start();
  runner.Run();
  // The result is reported in Install.log; a failure to write is also said on standard error.
  return runner.failed() ? 1 : 0;
}
