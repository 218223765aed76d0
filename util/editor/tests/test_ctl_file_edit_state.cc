// The editor's state without its window: each row is a sequence of editor events, what the
// save and exit presses among them lead to, and the flags set at the end.
#include <QObject>
#include <QStringList>
#include <QTest>
#include <functional>
#include <map>

#include "util/editor/ctl_file_edit_state.h"

namespace kvt::util::test {

namespace {

using State = CtlFileEditState;

// In the order of State::ExitStep.
QString exitName(State::ExitStep step) {
  const char* const names[] = {"ignore", "stay", "forget", "abandon", "ask", "close"};
  return names[static_cast<int>(step)];
}

// The Save press that shows its prompt and then waits for Confirm.
QString pressSave(State& s) {
  if (s.savePressed() == State::SaveStep::kWrite) return "write";
  s.askConfirm();
  return "prompt";
}

// The events as the editor window reports them.
const std::map<QString, std::function<void(State&)>>& changes() {
  static const std::map<QString, std::function<void(State&)>> table = {
      {"open", [](State& s) { s.open(); }},
      {"blank", [](State& s) { s.openedWithoutName(); }},
      {"create", [](State& s) { s.creating(); }},
      {"load", [](State& s) { s.loadedAtOpening(true); }},
      {"load-bad", [](State& s) { s.loadedAtOpening(false); }},
      {"unchanged", [](State& s) { s.unchanged(); }},
      {"edit", [](State& s) { s.changed(true); }},
      {"edit-part", [](State& s) { s.changed(false); }},
      {"type", [](State& s) { s.keyFieldTyped(true); }},
      {"option", [](State& s) { s.orderOptionChosen(); }},
      {"order", [](State& s) { s.orderChanged(); }},
      {"rename", [](State& s) { s.nameEdited(); }},
      {"browse", [](State& s) { s.browsedTo(); }},
      {"typed-missing", [](State& s) { s.typedNameMissing(); }},
      {"typed-bad", [](State& s) { s.typedNameInvalid(true); }},
      {"typed-bad-part", [](State& s) { s.typedNameInvalid(false); }},
      {"typed-ok", [](State& s) { s.typedNameLoaded(); }},
      {"by-name", [](State& s) { s.loadedByName(false); }},
      {"by-name-user", [](State& s) { s.loadedByName(true); }},
      {"cancel", [](State& s) { s.cancelConfirm(); }},
      {"saved", [](State& s) { s.saved(); }},
      {"close", [](State& s) { s.closing(); }},
  };
  return table;
}

// The presses and answers, with the word for what each one leads to.
const std::map<QString, std::function<QString(State&)>>& steps() {
  static const std::map<QString, std::function<QString(State&)>> table = {
      {"save", pressSave},
      {"exit", [](State& s) { return exitName(s.exitPressed(false)); }},
      {"exit-blank", [](State& s) { return exitName(s.exitPressed(true)); }},
      {"yes", [](State& s) { return exitName(s.unsavedAnswered(true)); }},
      {"no", [](State& s) { return exitName(s.unsavedAnswered(false)); }},
  };
  return table;
}

QString flags(const State& s) {
  const std::pair<bool, const char*> all[] = {
      {s.newFile(), "new"},         {s.saveable(), "saveable"},
      {s.unsavedName(), "unsaved"}, {s.sortOrderChanged(), "order"},
      {s.fieldsEdited(), "fields"}, {s.exiting(), "exiting"},
      {s.saveEnabled(), "save"},    {s.confirming(), "confirm"}};
  QStringList set;
  for (const auto& [on, name] : all)
    if (on) set << name;
  return set.join(' ');
}

}  // namespace

class CtlFileEditStateTest : public QObject {
  Q_OBJECT

 private slots:
  void followsEvents_data();
  void followsEvents();
};

void CtlFileEditStateTest::followsEvents_data() {
  QTest::addColumn<QString>("events");
  QTest::addColumn<QString>("expected");
  QTest::addColumn<QString>("flagsAtEnd");
  const char* rows[][4] = {
      {"no name", "open blank unchanged exit-blank", "forget", ""},
      {"created, left empty", "open create unchanged exit", "abandon", "new unsaved"},
      {"created, filled, leave", "open create unchanged edit exit yes", "ask abandon",
       "new saveable unsaved save"},
      {"created, filled, stay", "open create unchanged edit exit no", "ask stay",
       "new saveable unsaved save"},
      {"created, option only", "open create unchanged option exit", "abandon", "new unsaved save"},
      {"created and saved", "open create unchanged edit save save saved exit", "prompt write close",
       "saveable"},
      {"loaded, untouched", "open load unchanged exit", "close", "saveable"},
      {"loaded, changed", "open load unchanged edit exit yes", "ask close", "saveable save"},
      {"loaded, option chosen", "open load unchanged option exit", "ask", "saveable save"},
      {"loaded, emptied", "open load unchanged edit-part exit", "close", ""},
      {"changed, then emptied", "open load unchanged option edit-part exit", "close", "save"},
      {"loaded, bad file", "open load-bad unchanged exit", "close", ""},
      {"key field typed", "open load unchanged type", "", "saveable fields save"},
      {"order moved", "open load unchanged order edit save", "prompt",
       "saveable order save confirm"},
      {"cancel, then save", "open load unchanged edit save cancel save", "prompt prompt",
       "saveable save confirm"},
      {"failed write keeps save", "open load unchanged edit save save", "prompt write",
       "saveable save"},
      {"renamed after change", "open load unchanged edit rename exit yes", "ask abandon",
       "new saveable save"},
      {"typed missing name", "open load unchanged rename typed-missing exit", "close",
       "new saveable"},
      {"typed bad, complete", "open load unchanged typed-bad exit yes", "ask close",
       "saveable unsaved save"},
      {"typed bad, incomplete", "open load unchanged typed-bad-part exit", "abandon", "unsaved"},
      {"browsed to a file", "open create unchanged browse by-name exit", "close", ""},
      {"user order reloaded", "open load unchanged edit by-name-user exit", "close", "saveable"},
      {"typed good name", "open create unchanged rename typed-ok by-name exit", "close", ""},
      {"exit runs once", "open load unchanged close exit", "ignore", "saveable exiting"},
      {"reopened", "open create order type close open unchanged", "", "saveable"},
  };
  for (const auto& row : rows) QTest::newRow(row[0]) << row[1] << row[2] << row[3];
}

void CtlFileEditStateTest::followsEvents() {
  QFETCH(QString, events);
  QFETCH(QString, expected);
  QFETCH(QString, flagsAtEnd);
  State state;
  QStringList seen;
  for (const QString& event : events.split(' ')) {
    if (const auto step = steps().find(event); step != steps().end()) {
      seen << step->second(state);
    } else {
      const auto change = changes().find(event);
      QVERIFY2(change != changes().end(), qPrintable(event));
      change->second(state);
    }
  }
  QCOMPARE(seen.join(' '), expected);
  QCOMPARE(flags(state), flagsAtEnd);
}

}  // namespace kvt::util::test

QTEST_GUILESS_MAIN(kvt::util::test::CtlFileEditStateTest)
#include "test_ctl_file_edit_state.moc"
