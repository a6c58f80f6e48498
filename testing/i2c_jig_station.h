#pragma once
// One station of a virtual jig reached through the real i2c-dev backend: a fake sysfs
// tree with one bridge per jig adapter (named by the adapter's identifier, bus i2c-<10+i>,
// register bus i2c-<30+i>), the fake kernel over the jig's devices, the backend on them
// with adapter `adapter` open and, with Trace::kOn, a tracing control in front of it. The
// counterpart of JigStation for runs that must go through the backend's own code.
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "platform/i2c_dev_control.h"
#include "testing/fake_i2c_kernel.h"
#include "testing/fake_sysfs.h"
#include "testing/jig_station.h"

namespace tester::test {

class I2cJigStation {
public:
  I2cJigStation(EventPump& clock, const JigDescription& jig, std::size_t adapter = 0,
                JigStation::Trace trace = JigStation::Trace::kOff);
  ~I2cJigStation();
  I2cJigStation(const I2cJigStation&) = delete;
  I2cJigStation& operator=(const I2cJigStation&) = delete;

  bool Ok() const { return error_.empty(); }
  const std::string& Error() const { return error_; }
  GaugeControl& Control() { return *outer_; }
  I2cDevControl& Backend() { return *backend_; }
  FakeI2cKernel& Kernel() { return *kernel_; }
  SimStation& Station() { return kernel_->Station(adapter_); }
  PackModel& Pack() { return *Station().Pack(); }
  const ScratchFolder& Scratch() const { return scratch_; }
  // Diagnostics the backend told.
  const std::vector<std::string>& Told() const { return told_; }
  std::string TraceFile() const { return scratch_.File("trace"); }
  std::vector<std::string> TraceLines() const;

private:
  ScratchFolder scratch_{"tester-i2c"};
  FakeI2cKernel* kernel_ = nullptr;
  I2cDevControl* backend_ = nullptr;
  std::unique_ptr<GaugeControl> outer_;
  std::size_t adapter_ = 0;
  std::vector<std::string> told_;
  std::string error_;
};

// Trace lines of `file` without their time stamps.
std::vector<std::string> TraceFileLines(const std::string& file);

}  // namespace tester::test
