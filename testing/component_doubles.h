#pragma once
// In-memory stand-ins for the outside components a window works with: a serial counter,
// a result log and a password lock. They record what they were asked and fail on demand.
#include <cstdint>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "common/component_error.h"
#include "common/password_lock.h"
#include "common/run_record.h"
#include "common/serial_counter.h"
#include "common/tester_log.h"

namespace tester::test {

// Counts up from the last start.
class MemorySerialCounter final : public SerialCounter {
public:
  void SetStart(int32_t n) override {
    starts.push_back(n);
    next = n;
  }
  void NextSerial(int32_t& n) override {
    if (fail_next) throw ComponentError("serial store unavailable");
    n = next++;
  }
  std::string SerialConfigError() override { return {}; }
  void SetRequester(const std::string& station, const std::string&) override {
    requester = station;
  }
  std::string RecordFate(int32_t n, SerialFate fate) override {
    fates.emplace_back(n, fate);
    return {};
  }

  std::vector<int32_t> starts;
  int32_t next = 1;
  bool fail_next = false;
  std::string requester;
  std::vector<std::pair<int32_t, SerialFate>> fates;
};

class MemoryTesterLog final : public TesterLog {
public:
  struct Row {
    std::string station;
    std::string serial;
    Status code = 0;
    Status ext_code = 0;
    bool with_record = false;
  };
  void InitStations(std::span<const std::string> names, int16_t count) override {
    stations.assign(names.begin(), names.begin() + count);
  }
  std::string AddToLog(const std::string& sStationName, const std::string& sSerial,
                       Status nErrCode, Status nExtErrCode, const std::string&,
                       const std::string&, const RunRecord* record) override {
    rows.push_back({sStationName, sSerial, nErrCode, nExtErrCode, record != nullptr});
    return error;
  }

  std::vector<std::string> stations;
  std::vector<Row> rows;
  std::string error;  // what AddToLog answers
};

// A lock whose state the test sets; Unlock() stands for a password typed correctly.
class FakePasswordLock final : public clsPassword {
public:
  void SetListener(LockStateListener* l) override { listener = l; }
  bool IsLocked() override { return locked; }
  void Lock() override { Set(true); }
  bool VTIAlwaysAllowed() override { return vti_always_allowed; }
  void Unlock() { Set(false); }
  void Set(bool now_locked) {
    locked = now_locked;
    ++changes;
    if (listener != nullptr) listener->LockState(locked);
  }

  LockStateListener* listener = nullptr;
  bool locked = true;
  bool vti_always_allowed = false;
  int changes = 0;
};

}  // namespace tester::test
