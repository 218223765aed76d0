// The editor's captions, questions and messages.
#pragma once

#include <QColor>
#include <QList>
#include <QString>
#include <QStringList>

namespace kvt::util::texts {

inline const QString kCrLf = QStringLiteral("\r\n");
inline const QString kEditorCaption = QStringLiteral("Halvern  Tamsort -  Control File Editor");
inline const QString kQuestionTitle = QStringLiteral("KV Tamsort Utility");

// The two captions of the save button; Alt+S saves, Alt+C confirms.
inline const QString kSaveCaption = QStringLiteral("&Save");
inline const QString kConfirmCaption = QStringLiteral("&Confirm");

inline const QColor kSuccess(0, 128, 0);
inline const QColor kError(255, 0, 0);
inline const QColor kNotice(0, 0, 255);

inline QString loaded(const QString& name) {
  return "Sort control file " + name + " loaded." + kCrLf;
}
inline QString loadedNoStop(const QString& name) { return "Sort control file " + name + " loaded"; }
inline QString askCreate(const QString& name) {
  return "Control file " + name + " missing. Press 'Yes' to create!";
}
inline QString invalidFile() {
  return "Invalid, incomplete or corrupt sort control file loaded." + kCrLf +
         "Select a valid file.";
}
inline QString sortOrderLoaded(const QString& path) {
  return "Sort order file " + path + " loaded.";
}
inline const QString kBinaryUsed = QStringLiteral("Binary sort order will be used.");
inline QString enterData(const QString& name) {
  return "Enter data for Sort control file " + name + ".";
}
inline QString sortOrderRefused(const QString& path, const QString& reason) {
  return "Sort order file " + path + " not loaded: " + reason + "." + kCrLf +
         "The sort order was not changed.";
}
inline const QString kTooManyFields = QStringLiteral(
    "The file holds more than 99 sort fields; only the first 99 are shown and saved.");

// The first press of Save.
inline QString savePrompt(const QString& ctlText, bool ctlExists, bool orderChanged,
                          const QString& sorPath, bool sorExists) {
  QString prompt =
      QStringLiteral(" Press 'Confirm' to ") + (ctlExists ? "replace " : "create ") + ctlText;
  if (orderChanged) prompt += kCrLf + (sorExists ? "and replace " : "and create ") + sorPath;
  return prompt;
}
inline QString saved(const QString& path) { return "File " + path + " saved." + kCrLf; }
inline QString sortOrderSaved(const QString& path) { return path + " saved."; }
// One line for each key-field row that was not written.
inline QString fieldsLeftOut(const QList<int>& rows) {
  QStringList lines;
  for (int row : rows) {
    lines << "Sort field " + QString::number(row) +
                 " has a position but no length and was not saved.";
  }
  return lines.join(kCrLf);
}
inline QString saveFailed(const QString& path) {
  return "File " + path + " could not be written. The old file is unchanged.";
}
inline QString unstorable(const QString& key) {
  return "The value of " + key +
         " cannot hold a double quote or a line break. The file was not saved.";
}
inline const QString kNoName = QStringLiteral("Enter the name of the sort control file.");

inline const QString kAskExitUnsaved =
    QStringLiteral("Control file has been changed - Press 'Yes' to exit without saving!");
inline QString askDelete(const QString& name) {
  return "Control file " + name + " will be deleted - Press 'Yes' to delete!";
}

inline QString askLoadStandard(const QString& entry) {
  return "Press 'Yes' to load sort order from " + entry;
}
inline QString standardLoaded(const QString& title) {
  return title + " loaded into sort order tab";
}
inline QString gridFocus() {
  return "Doubleclick on the character to be moved - " + kCrLf +
         "Use the mouse to select insert after point and press the 'insert' key!";
}
inline const QString kPickInsertPoint =
    QStringLiteral("Use the mouse to select insert after point and press the 'insert' key!");
inline QString charMoved(const QString& c) { return "Char '" + c + "' has been moved."; }

}  // namespace kvt::util::texts
