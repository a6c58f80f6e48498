// The application folder's serial counter and result log under real `ardentis` processes:
// two batches on two virtual jigs at once, a batch killed in its middle, a run killed
// right after its serial write. Waits are bounded in real time, because they guard other
// processes.
#include <fcntl.h>
#include <poll.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <filesystem>
#include <fstream>
#include <set>

#include "apps/tests/engine_jig.h"
#include "components/sqlite_serial_counter.h"
#include "components/sqlite_tester_log.h"
#include "platform/virtual_clock.h"
#include "testing/qt_app.h"

namespace tester {
namespace {

constexpr int kProcessWaitMs = 60000;  // longest a child process may take

// SIGKILL to the child, never to anyone else (a finished child has no process id).
void KillHard(QProcess& process) {
  const qint64 pid = process.processId();
  if (process.state() == QProcess::Running && pid > 0) kill(static_cast<pid_t>(pid), SIGKILL);
}

class StoresUnderProcesses : public ::testing::Test {
protected:
  void SetUp() override {
    EnsureQtApp();
    // Both stations of the jig test the 800.1.02 packs and write serial numbers.
    std::filesystem::copy_file(jig_.Home() + "/Station1.ini", jig_.Home() + "/Station2.ini",
                               std::filesystem::copy_options::overwrite_existing);
  }

  // `ardentis` with `arguments`, on the scratch jig with its own adapter-lock folder.
  std::unique_ptr<QProcess> Start(const QStringList& arguments, const std::string& locks,
                                  const std::string& trace = "") {
    std::filesystem::create_directories(locks);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const std::string& entry : jig_.Environment()) {
      const size_t equals = entry.find('=');
      env.insert(QString::fromStdString(entry.substr(0, equals)),
                 QString::fromStdString(entry.substr(equals + 1)));
    }
    env.insert("TESTER_SIM_LOCKS", QString::fromStdString(locks));
    env.insert("TESTER_TRACE", QString::fromStdString(trace));
    auto process = std::make_unique<QProcess>();
    process->setProcessEnvironment(env);
    process->start(ARDENTIS_PATH, arguments);
    EXPECT_TRUE(process->waitForStarted(kProcessWaitMs));
    return process;
  }

  std::vector<LoggedRun> LoggedRuns() {
    SqliteTesterLog log(jig_.Home(), clock_);
    std::string error;
    auto runs = log.Runs(RunFilter{}, error);
    EXPECT_TRUE(runs) << error;
    return runs.value_or(std::vector<LoggedRun>{});
  }
  SerialSummary Serials() {
    SqliteSerialCounter counter(jig_.Home(), clock_);
    std::string error;
    auto summary = counter.Summary(100000, error);
    EXPECT_TRUE(summary) << error;
    return summary.value_or(SerialSummary{});
  }

  ScratchJig jig_{2};
  VirtualClock clock_;
};

TEST_F(StoresUnderProcesses, TwoBatchesAtOnceNeverShareANumberAndLogEveryRun) {
  auto a = Start({"batch", "--runs", "15"}, jig_.Root() + "/locks-a");
  auto b = Start({"batch", "--runs", "15"}, jig_.Root() + "/locks-b");
  for (QProcess* p : {a.get(), b.get()}) {
    ASSERT_TRUE(p->waitForFinished(kProcessWaitMs));
    EXPECT_EQ(p->exitCode(), 0) << p->readAllStandardError().toStdString();
  }
  const std::vector<LoggedRun> runs = LoggedRuns();
  EXPECT_EQ(runs.size(), 60u) << "2 batches x 2 stations x 15 runs";
  std::set<std::string> written;
  for (const LoggedRun& run : runs) {
    if (run.serial == "0") continue;
    EXPECT_TRUE(written.insert(run.serial).second) << "serial " << run.serial << " twice";
  }
  EXPECT_GE(written.size(), 30u);
  const SerialSummary serials = Serials();
  EXPECT_EQ(serials.written, static_cast<int64_t>(written.size()));
  EXPECT_EQ(serials.issued, 0) << "every number has its fate";
}

TEST_F(StoresUnderProcesses, BatchKilledInItsMiddleKeepsWhatItAcknowledged) {
  auto batch = Start({"batch", "--runs", "200"}, jig_.Root() + "/locks-a");
  // A run's line is printed after its completion was logged: five of them, then the kill.
  QElapsedTimer waited;
  waited.start();
  QByteArray out;
  while (!out.contains("[5/400]") && waited.elapsed() < kProcessWaitMs &&
         batch->state() == QProcess::Running) {
    batch->waitForReadyRead(100);
    out += batch->readAllStandardOutput();
  }
  ASSERT_TRUE(out.contains("[5/400]")) << out.toStdString();
  KillHard(*batch);
  ASSERT_TRUE(batch->waitForFinished(kProcessWaitMs));
  out += batch->readAllStandardOutput();
  const int acknowledged = static_cast<int>(out.count("\n["));

  const std::vector<LoggedRun> runs = LoggedRuns();
  EXPECT_GE(static_cast<int>(runs.size()), acknowledged);
  const SerialSummary before = Serials();
  std::set<int64_t> used;
  for (const SerialEntry& entry : before.latest) used.insert(entry.serial);

  auto next = Start({"batch", "--runs", "2"}, jig_.Root() + "/locks-a");
  ASSERT_TRUE(next->waitForFinished(kProcessWaitMs));
  EXPECT_EQ(next->exitCode(), 0) << next->readAllStandardError().toStdString();
  const SerialSummary after = Serials();
  ASSERT_GT(after.latest.size(), before.latest.size());
  for (size_t i = 0; i < after.latest.size() - before.latest.size(); ++i) {
    EXPECT_FALSE(used.count(after.latest[i].serial)) << after.latest[i].serial << " reissued";
  }
}

// The trace is a pipe the test reads: the line of the serial write is written once the
// gauge has the number, and the run is killed as soon as the test reads it, before the
// station file's NextSerialNumber moves.
TEST_F(StoresUnderProcesses, RunKilledAfterItsSerialWriteLeavesTheNumberUsed) {
  const std::string ini = jig_.Home() + "/Station1.ini";
  const std::string fifo = jig_.Root() + "/trace.fifo";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const int reader = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  auto run = Start({"run", "--ini", QString::fromStdString(ini)}, jig_.Locks(), fifo);
  QElapsedTimer waited;
  waited.start();
  std::string trace;
  char chunk[4096];
  while (trace.find("PutWord cmd=0x1C") == std::string::npos &&
         waited.elapsed() < kProcessWaitMs && run->state() == QProcess::Running) {
    // Woken by the next line at once; a child that has not opened its trace yet is waited
    // for in short steps.
    pollfd ready{reader, POLLIN, 0};
    if (poll(&ready, 1, 10) <= 0) {
      run->waitForFinished(0);
      continue;
    }
    const ssize_t got = read(reader, chunk, sizeof chunk);
    if (got > 0) {
      trace.append(chunk, static_cast<size_t>(got));
    } else {
      run->waitForFinished(10);  // the writer is gone or not there yet
    }
  }
  KillHard(*run);
  for (ssize_t got; (got = read(reader, chunk, sizeof chunk)) > 0;) {
    trace.append(chunk, static_cast<size_t>(got));
  }
  close(reader);
  ASSERT_NE(trace.find("PutWord cmd=0x1C word=0x0001"), std::string::npos) << "serial 1 written";
  ASSERT_TRUE(run->waitForFinished(kProcessWaitMs));
  if (run->exitStatus() == QProcess::CrashExit) {
    // Killed inside the gap: the station file still proposes the number the gauge holds.
    std::ifstream file(ini);
    const std::string text((std::istreambuf_iterator<char>(file)), {});
    EXPECT_NE(text.find("NextSerialNumber=1\n"), std::string::npos);
  }

  auto again = Start({"run", "--ini", QString::fromStdString(ini)}, jig_.Locks());
  ASSERT_TRUE(again->waitForFinished(kProcessWaitMs));
  const std::string report = again->readAllStandardOutput().toStdString();
  EXPECT_EQ(again->exitCode(), 0) << again->readAllStandardError().toStdString();
  EXPECT_NE(report.find("\"serial\":\"2\""), std::string::npos) << report;
}

}  // namespace
}  // namespace tester
