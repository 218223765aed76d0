#include "util/status_field.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QLineEdit>

namespace kvt::util {

namespace {

const char kStatusFieldMark[] = "kvtStatusField";

class StatusFieldAccessible : public QAccessibleWidget {
 public:
  explicit StatusFieldAccessible(QLineEdit* field)
      : QAccessibleWidget(field, QAccessible::StaticText) {}

  QString text(QAccessible::Text kind) const override {
    const auto* field = static_cast<const QLineEdit*>(widget());
    if (kind == QAccessible::Value || kind == QAccessible::Description) return field->text();
    return QAccessibleWidget::text(kind);
  }

  QAccessible::State state() const override {
    QAccessible::State shown = QAccessibleWidget::state();
    shown.readOnly = true;
    shown.editable = false;
    return shown;
  }
};

QAccessibleInterface* statusFieldFactory(const QString& className, QObject* object) {
  if (className != QLatin1String("QLineEdit") || !object->property(kStatusFieldMark).toBool()) {
    return nullptr;
  }
  return new StatusFieldAccessible(static_cast<QLineEdit*>(object));
}

}  // namespace

void makeStatusField(QLineEdit* field) {
  static const bool installed = [] {
    QAccessible::installFactory(statusFieldFactory);
    return true;
  }();
  (void)installed;
  field->setProperty(kStatusFieldMark, true);
  field->setReadOnly(true);
  // An interface made before the mark (an active screen reader sees the field being built)
  // is replaced by the static text one.
  QAccessibleInterface* made = QAccessible::queryAccessibleInterface(field);
  if (made != nullptr && made->role() != QAccessible::StaticText) {
    QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(made));
  }
  // The mouse may still select the text to copy it.
  field->setFocusPolicy(Qt::ClickFocus);
}

}  // namespace kvt::util
