#include "util/editor/key_fields.h"

#include <Qt>

#include "frontlib/cls_file.h"

namespace kvt::util {

namespace {

std::string fieldKey(int n, const char* suffix) { return std::to_string(n) + suffix; }

}  // namespace

KeyFieldTyping::Outcome KeyFieldTyping::apply(int column, const QString& cell, int key,
                                              const QString& text) {
  Outcome out;
  out.cell = cell;
  if (key == Qt::Key_Backspace) {
    out.handled = true;
    out.cell = cell.trimmed();
    out.cell.chop(1);
    return out;
  }
  if (text.size() != 1) return out;
  const QChar c = text.at(0);
  if (column == kOrder) {
    const QChar upper = c.toUpper();
    if (upper == u'A' || upper == u'D') {
      out = {true, QString(upper), true};
    }
    return out;
  }
  if ((column == kPos || column == kLen) && c >= u'0' && c <= u'9') {
    out = {true, cell + c, true};
  }
  return out;
}

bool KeyFieldSet::load(front::clsFile& file, const std::string& path) {
  for (int n = 1;; ++n) {
    const std::string pos = file.ReceiveCtl("FIELDS", fieldKey(n, "POS"), path);
    if (pos.empty()) return true;
    if (n > kRows) return false;
    KeyField& field = row(n);
    field.pos = QString::fromStdString(pos);
    field.len = QString::fromStdString(file.ReceiveCtl("FIELDS", fieldKey(n, "LEN"), path));
    field.ord = QString::fromStdString(file.ReceiveCtl("FIELDS", fieldKey(n, "ORD"), path));
  }
}

QList<int> KeyFieldSet::save(front::clsFile& file) const {
  QList<int> leftOut;
  QList<const KeyField*> written;
  for (int n = 1; n <= kRows; ++n) {
    const KeyField& field = row(n);
    if (field.pos.trimmed().isEmpty()) continue;
    if (field.len.trimmed().isEmpty()) {
      leftOut.append(n);
      continue;
    }
    written.append(&field);
  }
  // Each key goes directly under the section header, so the last field is added first.
  for (int n = static_cast<int>(written.size()); n >= 1; --n) {
    const KeyField& field = *written[n - 1];
    const QString ord = field.ord.trimmed().isEmpty() ? QStringLiteral("A") : field.ord.trimmed();
    file.addKeyToCtl("FIELDS", fieldKey(n, "ORD"), ord.toStdString());
    file.addKeyToCtl("FIELDS", fieldKey(n, "LEN"), field.len.trimmed().toStdString());
    file.addKeyToCtl("FIELDS", fieldKey(n, "POS"), field.pos.trimmed().toStdString());
  }
  return leftOut;
}

}  // namespace kvt::util
