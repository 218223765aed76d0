#include "util/editor/tests/test_editor_logic.h"

#include <QTest>

#include "frontlib/cls_file.h"
#include "util/editor/collating_table.h"
#include "util/editor/ctl_file_io.h"
#include "util/editor/editor_texts.h"
#include "util/editor/key_fields.h"
#include "util/editor/sort_order_file.h"
#include "util/editor/tests/editor_test_support.h"

namespace kvt::util::test {

namespace {

std::string identityDigits() { return SortOrderCodec::encode(CollatingTable::binary()); }

// A control file as the editor writes it, with the given [FILE] values and key fields.
QStringList canonicalLines(const QString& in, const QString& out, const QString& workDir,
                           const QStringList& fieldLines) {
  QStringList lines{"[FILE]",
                    R"(EDITING="MODIFYING THIS FILE MANUALLY WILL CAUSE THE SORT TO FAIL.")",
                    R"(PRODUCT="KV02")",
                    R"(VERSION="200")",
                    "INFILE=\"" + in + "\"",
                    "OUTFILE=\"" + out + "\"",
                    "WORKDIR=\"" + workDir + "\"",
                    R"(RECLEN="80")",
                    R"(MEMORYUSAGE="80")",
                    R"(WORKFILES="*")",
                    R"(MAXSPLIT="*")",
                    R"(MINSPLIT="*")",
                    R"(SORTORDER="BINARY")",
                    "[FIELDS]"};
  lines += fieldLines;
  lines << "[END]";
  return lines;
}

}  // namespace

void EditorLogicTest::movesCharacterAfterTarget() {
  // "B" (place 66) after "a" (place 97): places 66..96 hold 67..97, place 97 holds 66.
  CollatingTable table;
  const auto [first, last] = table.moveAfter(66, 97);
  QCOMPARE(first, 66);
  QCOMPARE(last, 97);
  for (int place = 66; place <= 96; ++place) QCOMPARE(table.entry(place), place + 1);
  QCOMPARE(table.entry(97), 66);
  QCOMPARE(table.entry(65), 65);
  QCOMPARE(table.entry(98), 98);

  // "B" after "A" is where it already stands.
  CollatingTable unchanged;
  const auto [f2, l2] = unchanged.moveAfter(66, 65);
  QVERIFY(f2 > l2 || unchanged == CollatingTable::binary());
  QVERIFY(unchanged == CollatingTable::binary());

  // Moving towards the front: "a" (97) after "A" (65).
  CollatingTable front;
  front.moveAfter(97, 65);
  QCOMPARE(front.entry(65), 65);
  QCOMPARE(front.entry(66), 97);
  for (int place = 67; place <= 97; ++place) QCOMPARE(front.entry(place), place - 1);
  QCOMPARE(front.entry(98), 98);

  CollatingTable same;
  same.moveAfter(10, 10);
  QVERIFY(same == CollatingTable::binary());
}

void EditorLogicTest::encodesTableAndInverse() {
  const std::string identity = identityDigits();
  QCOMPARE(identity.size(), size_t(1536));
  QVERIFY(identity.rfind("000001002", 0) == 0);
  QCOMPARE(identity.substr(768, 9), std::string("000001002"));
  QCOMPARE(identity.substr(765, 3), std::string("255"));

  CollatingTable moved;
  moved.moveAfter(66, 97);
  const std::string digits = SortOrderCodec::encode(moved);
  QCOMPARE(digits.substr(3 * 97, 3), std::string("066"));        // place 97 holds "B"
  QCOMPARE(digits.substr(768 + 3 * 66, 3), std::string("097"));  // "B" is at place 97
  QCOMPARE(digits.substr(768 + 3 * 97, 3), std::string("096"));  // "a" moved one earlier

  CollatingTable back;
  QCOMPARE(SortOrderCodec::decode(digits, &back), SortOrderCodec::Result::kOk);
  QVERIFY(back == moved);
}

void EditorLogicTest::refusesBadSortOrderFiles_data() {
  QTest::addColumn<QByteArray>("digits");
  QTest::addColumn<int>("result");
  const QByteArray good = QByteArray::fromStdString(identityDigits());
  QByteArray above = good;
  above.replace(3 * 5, 3, "256");
  QByteArray twice = good;
  twice.replace(3 * 5, 3, "004");
  QByteArray letters = good;
  letters.replace(3 * 7, 3, "0x7");
  QTest::newRow("value above 255") << above << int(SortOrderCodec::Result::kOutOfRange);
  QTest::newRow("value twice") << twice << int(SortOrderCodec::Result::kNotPermutation);
  QTest::newRow("not digits") << letters << int(SortOrderCodec::Result::kNotDigits);
  QTest::newRow("short") << good.left(1535) << int(SortOrderCodec::Result::kTooShort);
  QTest::newRow("blank padded") << good.left(1530) + "      "
                                << int(SortOrderCodec::Result::kTooShort);
}

void EditorLogicTest::refusesBadSortOrderFiles() {
  QFETCH(QByteArray, digits);
  QFETCH(int, result);
  CollatingTable table = reversedLetters();
  QCOMPARE(int(SortOrderCodec::decode(digits.toStdString(), &table)), result);
  QVERIFY(table == reversedLetters());  // the table is kept as it was
}

void EditorLogicTest::readsStandardOrderThroughFileBlock() {
  TempMain main;
  main.writeStandardOrder("Dictionary", "Dictionary order", reversedLetters());
  main.writeStandardOrder("Binary", "Binary order", CollatingTable::binary());
  QCOMPARE(standardOrderNames(main.mainDir()), QStringList({"Binary", "Dictionary"}));

  SortOrderReader reader;
  QVERIFY(reader.open(standardOrderPath(main.mainDir(), " Dictionary ")));
  QCOMPARE(reader.readTitle().trimmed(), QStringLiteral("Dictionary order"));
  reader.setPosition(33);
  CollatingTable table;
  QCOMPARE(reader.readTable(&table), SortOrderReader::Result::kOk);
  QVERIFY(table == reversedLetters());
  QVERIFY(!reader.isOpen());

  // Reading never creates a missing file.
  QVERIFY(!reader.open(main.path("SortCtl/none.sor")));
  QVERIFY(!main.exists("SortCtl/none.sor"));
  QCOMPARE(reader.readTable(&table), SortOrderReader::Result::kCannotOpen);

  QVERIFY(writeSortOrderFile(main.path("SortCtl/job.sor"), reversedLetters()));
  QCOMPARE(main.readFile("SortCtl/job.sor").toStdString(),
           SortOrderCodec::encode(reversedLetters()));
}

void EditorLogicTest::typingFollowsColumnRules() {
  using T = KeyFieldTyping;
  auto typed = [](int column, const QString& cell, int key, const QString& text) {
    return T::apply(column, cell, key, text);
  };
  QCOMPARE(typed(T::kOrder, "A", Qt::Key_D, "d").cell, QStringLiteral("D"));
  QVERIFY(typed(T::kOrder, "A", Qt::Key_D, "d").edited);
  QCOMPARE(typed(T::kOrder, "", Qt::Key_A, "A").cell, QStringLiteral("A"));
  QVERIFY(!typed(T::kOrder, "A", Qt::Key_X, "x").handled);
  QVERIFY(!typed(T::kOrder, "A", Qt::Key_1, "1").handled);
  QCOMPARE(typed(T::kPos, "1", Qt::Key_2, "2").cell, QStringLiteral("12"));
  QVERIFY(typed(T::kLen, "", Qt::Key_7, "7").edited);
  QVERIFY(!typed(T::kPos, "1", Qt::Key_B, "b").handled);
  QVERIFY(!typed(T::kLen, "1", Qt::Key_Minus, "-").handled);
  const auto back = typed(T::kPos, " 123 ", Qt::Key_Backspace, "\b");
  QVERIFY(back.handled);
  QVERIFY(!back.edited);
  QCOMPARE(back.cell, QStringLiteral("12"));
  QCOMPARE(typed(T::kOrder, "", Qt::Key_Backspace, "\b").cell, QString());
}

void EditorLogicTest::savesFieldsNumberedWithoutGaps() {
  front::clsFile file;
  file.CtlClose();
  front::clsFile::ctlBuffer().clear();
  file.addSectionToCtl("FIELDS");
  KeyFieldSet fields;
  fields.row(1) = {"1", "5", ""};
  fields.row(2) = {"10", "", "D"};  // a position without a length
  fields.row(4) = {" 20 ", " 3 ", "D"};
  fields.row(5) = {"", "9", "A"};  // no position: not a field
  QCOMPARE(fields.save(file), QList<int>{2});
  QCOMPARE(QString::fromStdString(front::clsFile::ctlBuffer()),
           QString::fromLatin1(crlfLines({"[FIELDS]", R"(1POS="1")", R"(1LEN="5")", R"(1ORD="A")",
                                          R"(2POS="20")", R"(2LEN="3")", R"(2ORD="D")"})));

  TempMain main;
  main.writeFile("SortCtl/f.txt", QByteArray::fromStdString(front::clsFile::ctlBuffer()));
  KeyFieldSet loaded;
  loaded.row(7) = {"7", "7", "A"};
  QVERIFY(loaded.load(file, main.path("SortCtl/f.txt").toStdString()));
  file.CtlClose();
  QCOMPARE(loaded.row(1), (KeyField{"1", "5", "A"}));
  QCOMPARE(loaded.row(2), (KeyField{"20", "3", "D"}));
  QCOMPARE(loaded.row(3), KeyField());
}

void EditorLogicTest::readsValuesAsTheBoxesShowThem() {
  TempMain main;
  main.writeFile("SortCtl/job.txt",
                 crlfLines({"[FILE]", R"(PRODUCT=" KV02 ")", R"(INFILE="in.dat")",
                            "OUTFILE=\"" + absolute("/data/out.dat") + "\"", R"(WORKDIR="")",
                            R"(MAXSPLIT=" * ")", R"(WORKFILES="4")", R"(RECLEN="80")",
                            R"(MEMORYUSAGE="70")", R"(SORTORDER="USERDEFINED")", "[FIELDS]",
                            R"(1POS="3")", R"(1LEN="2")", R"(1ORD="D")", "[END]"}));
  front::clsFile file;
  CtlFileReader reader(file, main.mainDir());
  CtlFileValues v;
  v.maxSplit = "*";
  v.minSplit = "5";  // no MINSPLIT key: the box is emptied
  KeyFieldSet fields;
  fields.row(3) = {"9", "9", "A"};  // rows of an earlier file do not survive a load
  QVERIFY(reader.load(main.path("SortCtl/job.txt"), &v, &fields));
  QCOMPARE(v.inFile, main.mainDir() + "in.dat");
  QCOMPARE(v.outFile, absolute("/data/out.dat"));
  QCOMPARE(v.workDir, absolute("/data/"));
  QCOMPARE(v.maxSplit, QStringLiteral("*"));
  QCOMPARE(v.minSplit, QString());
  QCOMPARE(v.workFiles, QStringLiteral("4"));
  QCOMPARE(v.recLen, QStringLiteral("80"));
  QCOMPARE(v.memUsage, QStringLiteral("70"));
  QVERIFY(v.userOrder);
  QCOMPARE(fields.row(1), (KeyField{"3", "2", "D"}));
  QCOMPARE(fields.row(3), KeyField());

  main.writeFile("SortCtl/rel.txt",
                 crlfLines({"[FILE]", R"(PRODUCT="KV02")", R"(OUTFILE="out.dat")",
                            R"(WORKDIR="work/")", R"(SORTORDER="userdefined")", "[END]"}));
  CtlFileValues w;
  QVERIFY(reader.load(main.path("SortCtl/rel.txt"), &w, &fields));
  QCOMPARE(w.inFile, QString());  // an empty path stays empty
  QCOMPARE(w.workDir, main.mainDir() + "work/");
  QVERIFY(!w.userOrder);  // only the exact word selects the user order
}

void EditorLogicTest::refusesFileOfAnotherProduct() {
  TempMain main;
  main.writeFile("SortCtl/x.txt",
                 crlfLines({"[FILE]", R"(PRODUCT="KV03")", R"(INFILE="/a")", "[END]"}));
  front::clsFile file;
  CtlFileReader reader(file, main.mainDir());
  CtlFileValues v;
  v.inFile = "kept";
  KeyFieldSet fields;
  fields.row(1) = {"1", "1", "A"};
  QVERIFY(!reader.load(main.path("SortCtl/x.txt"), &v, &fields));
  QCOMPARE(v.inFile, QStringLiteral("kept"));
  QCOMPARE(fields.row(1), (KeyField{"1", "1", "A"}));
}

void EditorLogicTest::reportsFieldsBeyondGrid() {
  TempMain main;
  QStringList fieldLines;
  for (int n = 1; n <= 100; ++n) {
    fieldLines << QString("%1POS=\"%2\"").arg(n).arg(n) << QString("%1LEN=\"1\"").arg(n);
  }
  main.writeFile("SortCtl/more.txt", crlfLines(canonicalLines("/i", "/o", "", fieldLines)));
  front::clsFile file;
  CtlFileReader reader(file, main.mainDir());
  CtlFileValues v;
  KeyFieldSet loaded;
  QVERIFY(reader.load(main.path("SortCtl/more.txt"), &v, &loaded));
  QVERIFY(reader.fieldsCut());
  QCOMPARE(loaded.row(99), (KeyField{"99", "1", ""}));

  main.writeFile("SortCtl/fit.txt",
                 crlfLines(canonicalLines("/i", "/o", "", fieldLines.mid(0, 198))));
  QVERIFY(reader.load(main.path("SortCtl/fit.txt"), &v, &loaded));
  QVERIFY(!reader.fieldsCut());
}

void EditorLogicTest::namesAndPrompts() {
  QCOMPARE(sortOrderPathFor("/a/SortCtl/job.txt"), QStringLiteral("/a/SortCtl/job.sor"));
  QCOMPARE(sortOrderPathFor("/a/SortCtl/job.text"), QStringLiteral("/a/SortCtl/job.sor"));
  QCOMPARE(sortOrderPathFor("/a.b/SortCtl/job"), QStringLiteral("/a.b/SortCtl/job.sor"));
  QCOMPARE(versionStamp("200"), QStringLiteral("200"));
  QCOMPARE(versionStamp("2105"), QStringLiteral("205"));
  QCOMPARE(versionStamp(""), QString());
  QCOMPARE(completePath("in.dat", "/m/"), QStringLiteral("/m/in.dat"));
  QCOMPARE(completePath(absolute("/x/in.dat"), "/m/"), absolute("/x/in.dat"));
  QVERIFY(isComplete(" /a/j.txt", "i", "o", "8"));
  QVERIFY(!isComplete("  ", "i", "o", "8"));
  QVERIFY(!isComplete("/a/j.txt", "i", "o", ""));
  QCOMPARE(texts::savePrompt("/a/j.txt", false, false, "/a/j.sor", false),
           QStringLiteral(" Press 'Confirm' to create /a/j.txt"));
  QCOMPARE(texts::savePrompt("/a/j.txt", true, true, "/a/j.sor", false),
           QStringLiteral(" Press 'Confirm' to replace /a/j.txt\r\nand create /a/j.sor"));
  QCOMPARE(texts::savePrompt("/a/j.txt", true, true, "/a/j.sor", true),
           QStringLiteral(" Press 'Confirm' to replace /a/j.txt\r\nand replace /a/j.sor"));
}

void EditorLogicTest::findsValuesTheFileCannotHold() {
  CtlFileValues values;
  values.inFile = QStringLiteral("/data/in.dat");
  values.outFile = QStringLiteral("/data/out.dat");
  values.recLen = QStringLiteral("80");
  QCOMPARE(unstorableKey(values), QString());
  values.outFile = QStringLiteral("/data/\"quoted\".dat");
  QCOMPARE(unstorableKey(values), QStringLiteral("OUTFILE"));
  values.outFile = QStringLiteral("/data/out.dat");
  values.workDir = QStringLiteral("/tmp/\r\n[FIELDS]");
  QCOMPARE(unstorableKey(values), QStringLiteral("WORKDIR"));
}

}  // namespace kvt::util::test
