// kvtsorts: the sort engine. Takes no arguments; sorts as kvtsort.ctl in the main directory says
// and exits with the run's return code.
#include <signal.h>

#include "engine/sort_run.h"

int main() {
  // A file-size limit makes the write fail (reported as a write error) instead of killing the run.
  ::signal(SIGXFSZ, SIG_IGN);
  return kvt::engine::RunSort(kvt::engine::ReadMainDirectory());
}
