#include "util/editor/ctl_file_edit_state.h"

namespace kvt::util {

// The saveable flag survives opening: only loading and the completeness test change it.
// The save step is left as it was too, so a pending Confirm is not lost by a reopening.
void CtlFileEditState::open() {
  newFile_ = unsavedName_ = sortOrderChanged_ = fieldsEdited_ = exiting_ = false;
}

void CtlFileEditState::changed(bool complete) {
  tested(complete);
  if (complete) saveEnabled_ = true;
}

// Moving around the key-field grid is no change: only typing into a cell counts.
void CtlFileEditState::keyFieldTyped(bool complete) {
  fieldsEdited_ = true;
  changed(complete);
}

// The typed name is an existing file that is not a valid control file: the user fills it in.
void CtlFileEditState::typedNameInvalid(bool complete) {
  newFile_ = false;
  unsavedName_ = true;
  changed(complete);
}

// An existing file was loaded: leaving must never offer to delete it.
void CtlFileEditState::loadedByName(bool userOrder) {
  newFile_ = false;
  if (userOrder) saveEnabled_ = false;
}

// Confirm ends the confirmation whatever the write brings: a failed write leaves Save
// enabled, so that the user can try again.
CtlFileEditState::SaveStep CtlFileEditState::savePressed() {
  if (!confirming_) return SaveStep::kPrompt;
  confirming_ = false;
  return SaveStep::kWrite;
}

// A written file exists: it is the one being edited, and leaving must not offer to delete it.
void CtlFileEditState::saved() {
  saveEnabled_ = false;
  newFile_ = unsavedName_ = false;
}

CtlFileEditState::ExitStep CtlFileEditState::exitPressed(bool nameBlank) const {
  if (exiting_) return ExitStep::kIgnore;
  if (nameBlank) return ExitStep::kForgetName;
  if (!saveable_ && unsavedName_) return ExitStep::kAbandon;
  if (saveEnabled_ && saveable_) return ExitStep::kAskUnsaved;
  return ExitStep::kClose;
}

// Leaving a file that is still new without saving takes back its creation.
CtlFileEditState::ExitStep CtlFileEditState::unsavedAnswered(bool leave) const {
  if (!leave) return ExitStep::kStay;
  return newFile_ ? ExitStep::kAbandon : ExitStep::kClose;
}

}  // namespace kvt::util
