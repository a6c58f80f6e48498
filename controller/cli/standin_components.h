#pragma once
// TEMPORARY stand-ins for the serial counter, the result log and the reminder of
// components/, wired by the programs until those land. Not for production: the counter
// keeps its numbers in memory only, so every session starts again from 1.
#include <functional>
#include <string>
#include <vector>

#include "common/reminder.h"
#include "common/serial_counter.h"
#include "common/tester_log.h"

namespace tester {

class StandInSerialCounter final : public SerialCounter {
public:
  void SetStart(int32_t n) override { next_ = n; }
  void NextSerial(int32_t& n) override { n = next_++; }
  std::string SerialConfigError() override { return {}; }
  void SetRequester(const std::string&, const std::string&) override {}
  std::string RecordFate(int32_t, SerialFate) override { return {}; }

private:
  int32_t next_ = 1;
};

// Keeps the session's entries in memory and tells a listener (the window's log display).
class StandInTesterLog final : public TesterLog {
public:
  std::function<void(const std::string& line)> on_entry;
  void InitStations(std::span<const std::string> names, int16_t count) override {
    stations_.assign(names.begin(), names.begin() + count);
  }
  std::string AddToLog(const std::string& station, const std::string& serial, Status err,
                       Status ext, const std::string& log_file, const std::string& custom,
                       const RunRecord* record) override;
  const std::vector<std::string>& Lines() const { return lines_; }

private:
  std::vector<std::string> stations_;
  std::vector<std::string> lines_;
};

class StandInReminder final : public clsReminder {
public:
  void SetListener(ReminderListener*) override {}
  void EnableReminder(bool) override {}
  void ResetReminder() override {}
  bool ReminderDue() override { return false; }
};

}  // namespace tester
