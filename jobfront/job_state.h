// The run state the front-end's main procedure and its job runner share.
#pragma once

namespace kvt::jobfront {

struct JobState {
  bool jobReady = false;   // engine control record written, the engine may be started
  bool jobActive = false;  // the engine was started (or its start was tried)
  bool jobEnded = false;   // the run is over; the program ends
  int jobRc = 0;           // return code reported at the end
};

}  // namespace kvt::jobfront
