// The read-only fields of the main window (record length, file size, sort areas...): the
// program fills them, the user only reads them. They are no Tab stops, and screen readers are
// told they are text to read, not text boxes to edit.
#pragma once

class QLineEdit;

namespace kvt::util {

// Makes field read-only, reachable by the mouse only, and reported as static text whose value
// is the field's text.
void makeStatusField(QLineEdit* field);

}  // namespace kvt::util
