#include "util/tests/test_logic.h"

#include <QFile>
#include <QtTest>

#include "formats/status_record.h"
#include "frontlib/cls_log.h"
#include "util/log_archive.h"
#include "util/log_view.h"
#include "util/memory_report.h"
#include "util/program_identity.h"
#include "util/sort_progress.h"
#include "util/sort_request.h"
#include "util/sort_status.h"
#include "util/status_follower.h"
#include "util/tests/test_support.h"

namespace kvt::util::test {

void TestLogic::versionNames() {
  const ProgramIdentity identity = ProgramIdentity::forVersion(2, 0);
  QCOMPARE(identity.versionString, QStringLiteral("20"));
  QCOMPARE(identity.registryKey, QStringLiteral("SOFTWARE\\Halvern\\KV0220"));
  QCOMPARE(identity.helpFileName, QStringLiteral("KV02v20.chm"));
  QCOMPARE(ProgramIdentity::current().registryKey, identity.registryKey);
}

void TestLogic::dateFilter_data() {
  QTest::addColumn<QString>("filter");
  QTest::addColumn<QString>("date");
  QTest::addColumn<bool>("shown");
  struct Row {
    const char* name;
    const char* filter;
    const char* date;
    bool shown;
  };
  const Row rows[] = {
      {"empty shows all", "", "19991231", true},
      {"plain equal", "20030101", "20030101", true},
      {"plain other", "20030101", "20030102", false},
      {"blank before is trimmed", " 20030101", "20030101", true},
      {"= equal", "=20030101", "20030101", true},
      {"> excludes the day", ">20030101", "20030101", false},
      {"> later", ">20030101", "20030102", true},
      {"< earlier", "<20030101", "20021231", true},
      {"< excludes later", "<20030101", "20030102", false},
      {"wrong first character", "x20030101", "20030101", false},
      {"wrong length", "2003011", "2003011", false},
  };
  for (const Row& row : rows) {
    QTest::newRow(row.name) << QString(row.filter) << QString(row.date) << row.shown;
  }
}

void TestLogic::dateFilter() {
  QFETCH(QString, filter);
  QFETCH(QString, date);
  QFETCH(bool, shown);
  QCOMPARE(LogDateFilter(filter).accepts(date), shown);
}

void TestLogic::searchAcceptsOnlyTheTwoForms() {
  QVERIFY(LogDateFilter::searchable(QStringLiteral(" 20030101 ")));
  QVERIFY(LogDateFilter::searchable(QStringLiteral("<20030101")));
  QVERIFY(!LogDateFilter::searchable(QStringLiteral("x20030101")));
  QVERIFY(!LogDateFilter::searchable(QString()));
  QVERIFY(!LogDateFilter::searchable(QStringLiteral("2003010")));
  QVERIFY(!LogDateFilter::searchable(QStringLiteral("=2003010101")));
  QCOMPARE(LogDateFilter(QStringLiteral("x20030101")).mode(), LogDateFilter::Mode::Invalid);
}

void TestLogic::messageCodeExpansion_data() {
  QTest::addColumn<QString>("message");
  QTest::addColumn<QString>("expected");
  QTest::newRow("V inserts at ?") << "E12 4711"
                                  << "Value  4711";
  QTest::newRow("S appends") << "E13x.dat"
                             << "File missing: x.dat";
  QTest::newRow("other kind is text only") << "E14 ignored"
                                           << "Done";
  QTest::newRow("V without ? keeps message") << "E15 1"
                                             << "E15 1";
  QTest::newRow("no line for the code") << "E99 raw"
                                        << "E99 raw";
  QTest::newRow("engine phase") << "009"
                                << "Reading the next chunk";
}

void TestLogic::messageCodeExpansion() {
  QFETCH(QString, message);
  QFETCH(QString, expected);
  const std::string texts =
      "E12VValue ? out of range\r\nE13SFile missing: \r\nE14XDone\r\nE15VNo mark\r\n"
      "009XReading the next chunk\r\n";
  QCOMPARE(QString::fromStdString(expandMessageCode(message.toStdString(), texts)), expected);
}

void TestLogic::messageCodeStopsAtOverlongLine() {
  const std::string texts = "A01X" + std::string(300, 'a') + "\r\nE14XDone\r\n";
  QCOMPARE(expandMessageCode("E14", texts), std::string("E14"));
  QCOMPARE(expandMessageCode("E14", "E14XDone"), std::string("E14"));  // no line end
}

namespace {
// A log of n library lines dated 2003, numbered in their messages, oldest first.
std::string numberedLog(int n) {
  std::string log;
  for (int i = 1; i <= n; ++i) {
    log += libraryLogLine("STA", "20030101", "120000", "line " + std::to_string(i));
  }
  return log;
}
}  // namespace

void TestLogic::loaderShowsNewest99AndHidesControlRecords() {
  TempProduct product;
  product.writeFile("kvtsort.log", numberedLog(150) + engineLogLine("20030101", "120001", "009"));
  kvt::front::clsLog log;
  MessageTextFile texts;
  texts.setPath(product.path("kvtmsg.txt"));
  const LogViewResult result =
      LogViewLoader(log, texts).load(product.path("kvtsort.log"), QString(), false, true);
  QCOMPARE(static_cast<int>(result.rows.size()), 99);
  QCOMPARE(result.rows.front().message, QStringLiteral("line 150"));
  QCOMPARE(result.rows.back().message, QStringLiteral("line 52"));
  QCOMPARE(result.rows.front().date, QStringLiteral("20030101"));
  QCOMPARE(result.rows.front().time, QStringLiteral("120000"));
  QVERIFY(!result.invalidFilter);
}

void TestLogic::loaderExpandsControlRecordsWhenAskedFor() {
  TempProduct product;
  product.writeFile("kvtmsg.txt", "010SPartitions in this chunk: \r\n");
  product.writeFile("kvtsort.log",
                    libraryLogLine("STA", "20030101", "100000", "KV Tamsort started.") +
                        engineLogLine("20030101", "100001", "010 8") +
                        libraryLogLine("TMR", "20030101", "100002", "KV Tamsort ended.( 0)"));
  kvt::front::clsLog log;
  MessageTextFile texts;
  texts.setPath(product.path("kvtmsg.txt"));
  LogViewLoader loader(log, texts);
  const LogViewResult all = loader.load(product.path("kvtsort.log"), QString(), true, true);
  QCOMPARE(static_cast<int>(all.rows.size()), 3);
  QCOMPARE(all.rows[0].colour, MsgColour::EndBlue);
  QCOMPARE(all.rows[1].message, QStringLiteral("Partitions in this chunk:  8"));
  QCOMPARE(all.rows[1].colour, MsgColour::Black);
  QCOMPARE(all.rows[2].colour, MsgColour::InfoBlue);
  // A second load starts again from the newest line.
  const LogViewResult some = loader.load(product.path("kvtsort.log"), QString(), false, true);
  QCOMPARE(static_cast<int>(some.rows.size()), 2);
  QCOMPARE(some.rows[0].message, QStringLiteral("KV Tamsort ended.( 0)"));
}

void TestLogic::loaderReportsInvalidFilterOnlyWhenRecordsMeetIt() {
  TempProduct product;
  kvt::front::clsLog log;
  MessageTextFile texts;
  texts.setPath(product.path("kvtmsg.txt"));
  LogViewLoader loader(log, texts);
  // A missing log on refresh: nothing read, nothing reported, nothing created.
  QVERIFY(
      !loader.load(product.path("kvtsort.log"), QStringLiteral("x1"), false, true).invalidFilter);
  QVERIFY(!product.exists("kvtsort.log"));
  product.writeFile("kvtsort.log", numberedLog(3));
  const LogViewResult result =
      loader.load(product.path("kvtsort.log"), QStringLiteral("x20030101"), false, true);
  QVERIFY(result.invalidFilter);
  QVERIFY(result.rows.empty());
}

void TestLogic::oldLogNames() {
  const LogArchive archive("/p/kvtsort.log");
  QCOMPARE(archive.oldLogPath(), std::string("/p/kvtsort.old"));
  QCOMPARE(archive.numberedLogPath(1), std::string("/p/kvtsortLog.001"));
  QCOMPARE(archive.numberedLogPath(999), std::string("/p/kvtsortLog.999"));
}

void TestLogic::saveFillsFirstGapAndStopsAt999() {
  TempProduct product;
  const LogArchive archive(product.path("kvtsort.log"));
  for (int n : {1, 3, 4}) product.writeFile("kvtsortLog.00" + std::to_string(n), "x");
  product.writeFile("kvtsort.log", numberedLog(2));
  ArchiveResult result = archive.saveCurrentLog();
  QCOMPARE(result.colour, std::optional<MsgColour>(MsgColour::SuccessGreen));
  QCOMPARE(result.text, QString::fromStdString(product.path("kvtsort.log") + " copied to " +
                                               product.path("kvtsortLog.002")));
  QCOMPARE(product.readFile("kvtsortLog.002"), numberedLog(2));
  QVERIFY(!product.exists("kvtsort.log"));

  product.writeFile("kvtsort.log", numberedLog(1));
  QVERIFY(archive.saveCurrentLog().text.endsWith(QStringLiteral("kvtsortLog.005")));

  for (int n = 1; n <= LogArchive::kMaxSaved; ++n) {
    const std::string name = archive.numberedLogPath(n).substr(product.mainDir().size());
    if (!product.exists(name)) product.writeFile(name, "x");
  }
  product.writeFile("kvtsort.log", numberedLog(1));
  result = archive.saveCurrentLog();
  QCOMPARE(result.text,
           QStringLiteral("Too many old logs have been saved - Delete som of the kvtsortLog.xxx"));
  QCOMPARE(result.colour, std::optional<MsgColour>(MsgColour::ErrorRed));
  QVERIFY(product.exists("kvtsort.log"));
}

void TestLogic::saveOfMissingLogIsRefused() {
  TempProduct product;
  const ArchiveResult result = LogArchive(product.path("kvtsort.log")).saveCurrentLog();
  QCOMPARE(result.text, QString::fromStdString(product.path("kvtsort.log") + " not found."));
  QCOMPARE(result.colour, std::optional<MsgColour>(MsgColour::ErrorRed));
  QVERIFY(!product.exists("kvtsortLog.001"));
}

void TestLogic::clearLogReportsDeletionThenRenaming() {
  TempProduct product;
  const LogArchive archive(product.path("kvtsort.log"));
  product.writeFile("kvtsort.old", "old");
  product.writeFile("kvtsort.log", numberedLog(1));
  const ArchiveResult result = archive.startNewLog();
  const QString old = QString::fromStdString(product.path("kvtsort.old"));
  QCOMPARE(result.text, old + " deleted.\r\n" +
                            QString::fromStdString(product.path("kvtsort.log")) + " renamed to " +
                            old);
  QCOMPARE(product.readFile("kvtsort.old"), numberedLog(1));
  QVERIFY(!product.exists("kvtsort.log"));
  // Nothing left to move: no text at all.
  QVERIFY(LogArchive(product.path("none.log")).startNewLog().text.isEmpty());
}

void TestLogic::statusRecordFields() {
  const StatusRecord chunk(statusRecord("004", 8, 2, 5, "235959"));
  QCOMPARE(chunk.type(), std::string("004"));
  QCOMPARE(chunk.firstNumber(), QStringLiteral("8"));
  QCOMPARE(chunk.secondNumber(), QStringLiteral("2"));
  QCOMPARE(chunk.thirdNumber(), QStringLiteral("5"));
  QCOMPARE(chunk.startTime(), std::string("235959"));
  const StatusRecord end(endRecord("100000", "100130", 109));
  QVERIFY(end.isEnd());
  QCOMPARE(end.returnCode(), 109);
  QCOMPARE(end.endTime(), std::string("100130"));
  QVERIFY(StatusRecord().isBlank());
  QCOMPARE(StatusRecord().returnCode(), 0);
  QCOMPARE(StatusRecord("short").text().size(), size_t(64));
}

// Each record type as the engine writes it, read back field by field.
void TestLogic::statusRecordOfEveryType_data() {
  using formats::StatusType;
  QTest::addColumn<QByteArray>("record");
  QTest::addColumn<int>("type");
  QTest::addColumn<QString>("numbers");  // first, second, third
  QTest::addColumn<QString>("times");    // start, end
  QTest::addColumn<int>("returnCode");
  auto bytes = [](const std::string& s) { return QByteArray::fromStdString(s); };
  const auto progress = [&](StatusType type, int64_t a, int64_t b, int64_t c) {
    return bytes(formats::FormatStatusProgress(type, a, b, c, "083000"));
  };
  QTest::newRow("start") << bytes(formats::FormatStatusStart("083000")) << int(StatusType::kStart)
                         << "0 0 0"
                         << "083000" << 0;
  QTest::newRow("chunk") << progress(StatusType::kChunk, 8, 2, 5) << int(StatusType::kChunk)
                         << "8 2 5"
                         << "083000" << 0;
  QTest::newRow("partition") << progress(StatusType::kPartition, 3, 4, 1)
                             << int(StatusType::kPartition) << "3 4 1"
                             << "083000" << 0;
  QTest::newRow("merge, first number past five digits")
      << progress(StatusType::kMerge, 123456, 99999, 1) << int(StatusType::kMerge)
      << "12345 99999 1"
      << "083000" << 0;
  QTest::newRow("end, failed") << bytes(formats::FormatStatusEnd("008", 7, 109, "083000", "093001"))
                               << int(StatusType::kEnd) << "8 7 93001"
                               << "083000 093001" << 109;
  QTest::newRow("end, succeeded") << bytes(formats::FormatStatusEnd("1", 0, 0, "235959", "000001"))
                                  << int(StatusType::kEnd) << "100 0 1"
                                  << "235959 000001" << 0;
}

void TestLogic::statusRecordOfEveryType() {
  QFETCH(QByteArray, record);
  QFETCH(int, type);
  QFETCH(QString, numbers);
  QFETCH(QString, times);
  QFETCH(int, returnCode);
  QCOMPARE(record.size(), qsizetype(formats::kStatusRecordBytes));
  const StatusRecord read(record.toStdString());
  QVERIFY(read.kind().has_value());
  QCOMPARE(int(*read.kind()), type);
  QCOMPARE(read.isEnd(), type == int(formats::StatusType::kEnd));
  QCOMPARE(read.firstNumber() + " " + read.secondNumber() + " " + read.thirdNumber(), numbers);
  const QString start = QString::fromStdString(read.startTime());
  QCOMPARE(read.isEnd() ? start + " " + QString::fromStdString(read.endTime()) : start, times);
  // Outside the end record the return code's place holds other fields.
  if (read.isEnd()) QCOMPARE(read.returnCode(), returnCode);
}

void TestLogic::elapsedTimeAcrossMidnight() {
  QCOMPARE(elapsedSeconds("100000", "100130"), 90);
  QCOMPARE(elapsedSeconds("235950", "000010"), 20);
  QCOMPARE(elapsedSeconds("120000", "115959"), 24 * 3600 - 1);
  QCOMPARE(elapsedSeconds("      ", "000010"), 0);
  QCOMPARE(secondsOfDay("250000"), -1);
  QCOMPARE(shownSeconds(20), QStringLiteral(" 20"));
}

void TestLogic::outcomeOfFinishedRun() {
  const StatusRecord ok(endRecord("100000", "100001", 0));
  const StatusRecord failed(endRecord("100000", "100001", 109));
  const StatusRecord started(statusRecord("000", 0, 0, 0, "100000"));
  QVERIFY(sortSucceeded(ok, 0));
  QVERIFY(!sortSucceeded(failed, 0));
  QVERIFY(!sortSucceeded(ok, 3));
  // No status file: the front-end's exit code decides.
  QVERIFY(sortSucceeded(StatusRecord(), 0));
  QVERIFY(!sortSucceeded(StatusRecord(), 1));
  // The engine started but never wrote its end record.
  QVERIFY(!sortSucceeded(started, 0));
}

void TestLogic::progressTrackerFollowsRecords() {
  ProgressTracker tracker;
  ProgressFields fields;
  tracker.refreshRunTime("100010", fields);
  QVERIFY(fields.sortTime.isEmpty());  // nothing read yet
  tracker.apply(StatusRecord(statusRecord("000", 0, 0, 0, "100000")), fields);
  QVERIFY(tracker.timing());
  tracker.apply(StatusRecord(statusRecord("004", 4, 1, 2, "100000")), fields);
  tracker.apply(StatusRecord(statusRecord("001", 3, 4, 1, "100000")), fields);
  tracker.apply(StatusRecord(statusRecord("002", 2, 2, 1, "100000")), fields);
  QCOMPARE(fields.workFiles, QStringLiteral("1(2)"));
  QCOMPARE(fields.sortStatus, QStringLiteral("3(4)"));
  QCOMPARE(fields.mergeStatus, QStringLiteral("2(2)"));
  tracker.refreshRunTime("100010", fields);
  QCOMPARE(fields.sortTime, QStringLiteral(" 10"));
  tracker.apply(StatusRecord(endRecord("100000", "100042", 0)), fields);
  QCOMPARE(fields.sortTime, QStringLiteral(" 42"));
  QVERIFY(!tracker.timing());
}

void TestLogic::memoryReportFormat() {
  QCOMPARE(formatKilobytes(536346624), QStringLiteral("523,776"));
  QCOMPARE(formatKilobytes(1023), QStringLiteral("1"));
  QCOMPARE(formatKilobytes(uint64_t(16) << 40), QStringLiteral("17,179,869,184"));
  kvt::platform::MemoryStatus status;
  status.total_physical = 536346624;
  status.available_physical = 1024 * 1000;
  status.total_virtual = 2048;
  status.available_virtual = 0;
  QCOMPARE(memoryReport(status),
           QStringLiteral("Total Physical Memory is 523,776 KB\rAvailable Physical Memory is "
                          "1,000 KB\r\rTotal Virtual Memory is 2 KB\rAvailable Virtual Memory "
                          "is 0 KB"));
}

void TestLogic::recordCountRoundsHalfToEven() {
  QCOMPARE(roundedRecordCount(1000, 300), int64_t(3));
  QCOMPARE(roundedRecordCount(750, 300), int64_t(2));
  QCOMPARE(roundedRecordCount(1050, 300), int64_t(4));
  QCOMPARE(roundedRecordCount(0, 300), int64_t(0));
}

void TestLogic::controlFileChecks() {
  TempProduct product;
  const std::string main = product.mainDir();
  product.writeFile("SortCtl/other.txt", "[FILE]\r\nPRODUCT=\"KV03\"\r\nINFILE=\"a\"\r\n");
  QVERIFY(!readCtlFileInfo(product.path("SortCtl/other.txt"), main).found);
  QVERIFY(!readCtlFileInfo(product.path("SortCtl/none.txt"), main).found);
  product.writeFile("SortCtl/rel.txt",
                    "[FILE]\r\nPRODUCT=\"KV02\"\r\nINFILE=\"data.dat\"\r\nRECLEN=\"300\"\r\n"
                    "MEMORYUSAGE=\"50\"\r\n");
  const CtlFileInfo rel = readCtlFileInfo(product.path("SortCtl/rel.txt"), main);
  QVERIFY(rel.found);
  QCOMPARE(rel.inFile, QString::fromStdString(main + "data.dat"));
  QCOMPARE(rel.recLen, QStringLiteral("300"));
  QCOMPARE(rel.memUsage, QStringLiteral("50"));
  // An absolute path starts with '/', or on Windows holds a drive letter's ':'.
#ifdef _WIN32
  const std::string absolute = "D:\\x\\data.dat";
#else
  const std::string absolute = "/x/data.dat";
#endif
  product.writeFile("SortCtl/abs.txt",
                    "[FILE]\r\nPRODUCT=\"KV02\"\r\nINFILE=\"" + absolute + "\"\r\n");
  QCOMPARE(readCtlFileInfo(product.path("SortCtl/abs.txt"), main).inFile,
           QString::fromStdString(absolute));

  product.writeFile("data.dat", std::string(1000, 'a'));
  const InputFileCheck ok = checkInputFile(product.path("data.dat"), QStringLiteral("300"));
  QCOMPARE(ok.outcome, InputFileCheck::Outcome::Ok);
  QCOMPARE(ok.recordCount, QStringLiteral("3"));
  QCOMPARE(checkInputFile(product.path("data.dat"), QStringLiteral("x")).outcome,
           InputFileCheck::Outcome::BadRecordLength);
  QCOMPARE(checkInputFile(product.path("data.dat"), QStringLiteral(" ")).outcome,
           InputFileCheck::Outcome::BadRecordLength);
  // A missing input is refused and stays missing.
  QCOMPARE(checkInputFile(product.path("nodir/x.dat"), QStringLiteral("80")).outcome,
           InputFileCheck::Outcome::NotFound);
  QCOMPARE(checkInputFile(product.path("new.dat"), QStringLiteral("80")).outcome,
           InputFileCheck::Outcome::NotFound);
  QVERIFY(!product.exists("new.dat"));
  QVERIFY(!product.exists("SortCtl/none.txt"));
  QCOMPARE(checkInputFile("", QStringLiteral("80")).outcome, InputFileCheck::Outcome::CannotOpen);
}

namespace {

// The progress records of one chunk as the engine writes them: the chunk, its P partitions,
// then its in-memory merge levels P/2, P/4, ..., 1.
std::string chunkRecords(int chunk, int chunks, int partitions, const std::string& start) {
  std::string records = statusRecord("004", partitions, chunk, chunks, start);
  for (int j = 1; j <= partitions; ++j) records += statusRecord("001", j, partitions, chunk, start);
  for (int m = partitions / 2; m > 0; m /= 2) {
    records += statusRecord("002", m, partitions / 2, chunk, start);
  }
  return records;
}

// A progress that has read every record of file.
SortProgress replayed(int64_t records, const std::string& file) {
  SortProgress progress;
  progress.reset(records);
  for (size_t at = 0; at < file.size(); at += StatusRecord::kLength) {
    progress.apply(StatusRecord(file.substr(at, StatusRecord::kLength)));
  }
  return progress;
}

}  // namespace

// The status file of a run read tick by tick, a few records at a time, as the window reads it.
// The bar only moves forward, stays below 100 % while the run lasts and reaches it only when
// the run succeeded; the line under it names the step.
void TestLogic::sortProgressFollowsRecordedRuns() {
  const std::string t = "100000";
  struct Run {
    const char* name;
    int64_t records;
    std::string file;  // all progress records after the start record
    QString lastPhase;
  };
  const std::vector<Run> runs = {
      {"one chunk", 500, chunkRecords(1, 1, 4, t),
       "Chunk 1 of 1: 500 of 500 records read, 500 sorted"},
      {"two chunks", 40,
       chunkRecords(1, 2, 4, t) + chunkRecords(2, 2, 4, t) + statusRecord("002", 1, 2, 2, t),
       "Merge pass 1 of 1: group 1 of 1"},
      {"chunk in order", 40,
       statusRecord("004", 4, 1, 2, t) + chunkRecords(2, 2, 2, t) + statusRecord("002", 1, 2, 2, t),
       "Merge pass 1 of 1: group 1 of 1"},
      {"ten chunks, two passes", 1000,
       [&t] {
         std::string file;
         for (int i = 1; i <= 10; ++i) file += chunkRecords(i, 10, 2, t);
         return file + statusRecord("002", 1, 10, 10, t) + statusRecord("002", 2, 10, 2, t) +
                statusRecord("002", 1, 10, 2, t);
       }(),
       "Merge pass 2 of 2: group 1 of 1"},
  };
  for (const Run& run : runs) {
    for (bool success : {true, false}) {
      SortProgress progress;
      progress.reset(run.records);
      QCOMPARE(progress.view(t).phase, QStringLiteral("Waiting for the sort to start"));
      QCOMPARE(progress.view(t).value, 0);
      const std::string file = statusRecord("000", 0, 0, 0, t) + run.file;
      int last = 0;
      for (size_t at = 0; at < file.size(); at += StatusRecord::kLength) {
        progress.apply(StatusRecord(file.substr(at, StatusRecord::kLength)));
        const int value = progress.view(t).value;
        QVERIFY2(value >= last, run.name);
        QVERIFY2(value < ProgressView::kScale, run.name);
        last = value;
      }
      QCOMPARE(progress.view(t).phase, run.lastPhase);
      // The output grows under its temporary name while the last step writes it.
      progress.outputWritten(run.records * 5, run.records * 10);
      QVERIFY2(progress.view(t).value > last, run.name);
      last = progress.view(t).value;
      QVERIFY(last < ProgressView::kScale);
      progress.finish(success, success ? 0 : 132);
      const ProgressView end = progress.view("100010");
      QCOMPARE(end.value, success ? ProgressView::kScale : last);
      QCOMPARE(end.phase,
               success ? QStringLiteral("Sort complete") : QStringLiteral("Sort failed rc= 132"));
      QCOMPARE(end.time, QStringLiteral("Elapsed 0:10"));
    }
  }

  // Reading and sorting are counted by chunks; the time left follows the share done.
  SortProgress progress =
      replayed(1000, statusRecord("000", 0, 0, 0, t) + chunkRecords(1, 10, 2, t) +
                         chunkRecords(2, 10, 2, t) + statusRecord("004", 2, 3, 10, t));
  QCOMPARE(progress.view(t).phase,
           QStringLiteral("Chunk 3 of 10: 300 of 1,000 records read, 200 sorted"));
  QCOMPARE(progress.view("100001").time, QStringLiteral("Elapsed 0:01"));  // too early to say
  SortProgress merging =
      replayed(40, statusRecord("000", 0, 0, 0, t) + chunkRecords(1, 2, 4, t) +
                       chunkRecords(2, 2, 4, t) + statusRecord("002", 1, 2, 2, t));
  QCOMPARE(merging.view("100010").value, 500);  // both chunks done, the one merge pass to go
  QCOMPARE(merging.view("100010").time, QStringLiteral("Elapsed 0:10, about 0:10 left"));
  QCOMPARE(SortProgress::passCount(1), 0);
  QCOMPARE(SortProgress::passCount(8), 1);
  QCOMPARE(SortProgress::passCount(9), 2);
  QCOMPARE(SortProgress::passCount(65), 3);
}

// kvtsort.sts as the engine wrote it for 3,000,000 records in ten chunks (two merge passes),
// read back as the window met it: the start record, one more record at a time, and at the end
// the end record written over the start record.
void TestLogic::sortProgressFollowsEngineStatusFile() {
  QFile file(QStringLiteral(KVT_UTIL_TEST_FILES "/kvtsort-ten-chunks.sts"));
  QVERIFY(file.open(QIODevice::ReadOnly));
  const std::string recorded = file.readAll().toStdString();
  QCOMPARE(recorded.size() % StatusRecord::kLength, size_t{0});
  const StatusRecord end(recorded.substr(0, StatusRecord::kLength));
  QVERIFY(end.isEnd());
  SortProgress progress;
  progress.reset(3000000);
  progress.apply(StatusRecord(statusRecord("000", 0, 0, 0, end.startTime())));
  QStringList phases;
  int last = 0;
  for (size_t at = StatusRecord::kLength; at < recorded.size(); at += StatusRecord::kLength) {
    progress.apply(StatusRecord(recorded.substr(at, StatusRecord::kLength)));
    const ProgressView shown = progress.view(end.endTime());
    QVERIFY(shown.value >= last && shown.value < ProgressView::kScale);
    last = shown.value;
    if (phases.isEmpty() || phases.last() != shown.phase) phases << shown.phase;
  }
  QVERIFY(phases.contains("Chunk 5 of 10: 1,500,000 of 3,000,000 records read, 1,200,000 sorted"));
  QVERIFY(phases.contains("Chunk 10 of 10: 3,000,000 of 3,000,000 records read, 3,000,000 sorted"));
  QCOMPARE(phases.mid(phases.size() - 3),
           QStringList({"Merge pass 1 of 2: group 1 of 2", "Merge pass 1 of 2: group 2 of 2",
                        "Merge pass 2 of 2: group 1 of 1"}));
  progress.apply(end);
  QVERIFY(progress.view(end.endTime()).value < ProgressView::kScale);
  progress.finish(end.returnCode() == 0, end.returnCode());
  QCOMPARE(progress.view(end.endTime()).value, ProgressView::kScale);
}

// Ten chunks read in 10 s, then two merge passes that send a record only per group: the bar
// moves on through each group, the time left falls from one second to the next, and a written
// output that is still being flushed is "finishing", never "0:00 left".
void TestLogic::sortProgressMovesThroughMerges() {
  const std::string t = "100000";
  std::string file = statusRecord("000", 0, 0, 0, t);
  for (int i = 1; i <= 10; ++i) file += chunkRecords(i, 10, 2, t);
  SortProgress progress = replayed(1000, file);
  const auto at = [](int second) {
    return QStringLiteral("1000%1").arg(second, 2, 10, QLatin1Char('0')).toStdString();
  };
  const QRegularExpression leftText(QStringLiteral("about (\\d+):(\\d\\d) left"));
  const auto leftOf = [&leftText](const ProgressView& shown) {
    const QRegularExpressionMatch m = leftText.match(shown.time);
    return m.hasMatch() ? m.captured(1).toInt() * 60 + m.captured(2).toInt() : -1;
  };
  ProgressView shown = progress.view(at(10));
  const std::vector<std::pair<int, std::string>> groups = {
      {10, statusRecord("002", 1, 10, 10, t)},  // pass 1: files 1-8
      {18, statusRecord("002", 2, 10, 2, t)},   // pass 1: files 9-10
      {20, statusRecord("002", 1, 10, 2, t)}};  // pass 2 writes the output
  int lastLeft = leftOf(shown);
  for (size_t g = 0; g < groups.size(); ++g) {
    progress.apply(StatusRecord(groups[g].second));
    const int until = g + 1 < groups.size() ? groups[g + 1].first : 30;
    for (int second = groups[g].first + 1; second < until; ++second) {
      const ProgressView next = progress.view(at(second));
      QVERIFY2(next.value > shown.value, qPrintable(next.time));
      const int left = leftOf(next);
      QVERIFY2(left > 0 && left <= lastLeft, qPrintable(next.time));
      shown = next;
      lastLeft = left;
    }
  }
  progress.outputWritten(10000, 10000);
  QCOMPARE(progress.view(at(31)).time, QStringLiteral("Elapsed 0:31, finishing"));
}

}  // namespace kvt::util::test
