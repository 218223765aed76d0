// What the control-file editor remembers besides its controls, and how each event of the
// editor changes it: whether the file is new, complete, named without content, whether its
// collating sequence or key fields were changed, whether Save waits for Confirm and is
// enabled, and what leaving has to do. No widgets: the editor window asks and shows, this
// class decides.
#pragma once

namespace kvt::util {

class CtlFileEditState {
 public:
  // What a press of the save button does: the first one prompts, the second one writes.
  enum class SaveStep { kPrompt, kWrite };
  // What a press of Exit (or the answer to its question) leads to.
  enum class ExitStep {
    kIgnore,      // the exit steps have already started
    kStay,        // the user kept the editor open
    kForgetName,  // no file named: close and clear the current name
    kAbandon,     // a named file without content: offer to delete it, then close
    kAskUnsaved,  // changes not saved: ask before closing (the name is remembered)
    kClose,       // close (the name is remembered)
  };

  bool newFile() const { return newFile_; }
  bool saveable() const { return saveable_; }
  bool unsavedName() const { return unsavedName_; }
  bool sortOrderChanged() const { return sortOrderChanged_; }
  bool fieldsEdited() const { return fieldsEdited_; }
  bool exiting() const { return exiting_; }
  bool saveEnabled() const { return saveEnabled_; }
  bool confirming() const { return confirming_; }

  // ---- Opening: every flag but the saveable one starts clear.
  void open();
  void openedWithoutName() { saveable_ = false; }
  void creating() { newFile_ = unsavedName_ = true; }
  void loadedAtOpening(bool valid) { saveable_ = valid; }
  // Nothing has been changed yet: what opening did to the controls is no change.
  void unchanged() { saveEnabled_ = false; }

  // ---- Editing. complete is the result of the completeness test.
  void tested(bool complete) { saveable_ = complete; }
  // A change that makes a complete file saveable; an incomplete one leaves Save as it was.
  void changed(bool complete);
  void keyFieldTyped(bool complete);
  void orderOptionChosen() { saveEnabled_ = true; }
  void orderChanged() { sortOrderChanged_ = true; }

  // ---- Naming the control file.
  void nameEdited() { newFile_ = true; }
  void browsedTo() { unsavedName_ = false; }
  void typedNameMissing() { newFile_ = true; }
  void typedNameInvalid(bool complete);
  void typedNameLoaded() { unsavedName_ = false; }
  // An existing file was loaded by name; with a user-defined order its table is reloaded
  // and so is not a change.
  void loadedByName(bool userOrder);

  // ---- Saving takes two presses.
  SaveStep savePressed();
  void askConfirm() { confirming_ = true; }
  void cancelConfirm() { confirming_ = false; }
  void saved();
  // Whether a save writes the sort-order file: after a change of the table, and when a
  // user-defined order has no file yet (every sort of the file would fail without it).
  bool writesSortOrder(bool userOrder, bool sortOrderFileExists) const {
    return sortOrderChanged_ || (userOrder && !sortOrderFileExists);
  }

  // ---- Leaving: the steps run once.
  ExitStep exitPressed(bool nameBlank) const;
  ExitStep unsavedAnswered(bool leave) const;
  void closing() { exiting_ = true; }

 private:
  bool newFile_ = false;
  bool saveable_ = false;
  bool unsavedName_ = false;
  bool sortOrderChanged_ = false;
  bool fieldsEdited_ = false;
  bool exiting_ = false;
  bool saveEnabled_ = false;
  bool confirming_ = false;
};

}  // namespace kvt::util
