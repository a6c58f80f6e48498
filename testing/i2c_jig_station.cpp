#include "testing/i2c_jig_station.h"

#include <fstream>
#include <iostream>

#include "platform/trace_control.h"

namespace tester::test {

I2cJigStation::I2cJigStation(EventPump& clock, const JigDescription& jig, std::size_t adapter,
                             JigStation::Trace trace)
    : adapter_(adapter) {
  if (!scratch_.Ok()) {
    error_ = scratch_.Error();
  } else if (adapter >= jig.adapters.size()) {
    error_ = "the jig has no adapter " + std::to_string(adapter);
  } else {
    FakeSysfs sysfs(scratch_);
    auto kernel = std::make_unique<FakeI2cKernel>(jig, clock);
    for (std::size_t i = 0; i < jig.adapters.size(); ++i) {
      FakeBridge bridge;
      bridge.serial = jig.adapters[i].identifier;
      bridge.number = 10 + static_cast<int>(i);
      bridge.port = std::to_string(i + 1);
      bridge.register_bus = 30 + static_cast<int>(i);
      kernel->AddNode(sysfs.AddBridge(bridge), i, 0);
      kernel->AddNode(sysfs.Dev() + "/i2c-" + std::to_string(bridge.register_bus), i, 1);
    }
    kernel_ = kernel.get();
    I2cDevPaths paths{sysfs.Sys(), sysfs.Dev(), scratch_.Folder("locks"),
                      scratch_.File("AdapterIds.ini")};
    auto backend = std::make_unique<I2cDevControl>(
        std::move(kernel), paths, clock,
        [this](const std::string& message) { told_.push_back(message); });
    backend_ = backend.get();
    outer_ = std::move(backend);
    if (trace == JigStation::Trace::kOn) {
      auto traced = std::make_unique<TracingControl>(std::move(outer_), clock, TraceFile());
      if (!traced->Ok()) error_ = "cannot write " + TraceFile();
      outer_ = std::move(traced);
    }
    if (error_.empty() && outer_->OpenAdapter(jig.adapters[adapter].identifier) != 0) {
      error_ = "adapter " + jig.adapters[adapter].identifier + " not opened";
    }
  }
  if (!error_.empty()) std::cerr << "station through i2c-dev: " << error_ << "\n";
}

I2cJigStation::~I2cJigStation() = default;

std::vector<std::string> I2cJigStation::TraceLines() const { return TraceFileLines(TraceFile()); }

std::vector<std::string> TraceFileLines(const std::string& file) {
  std::vector<std::string> lines;
  std::ifstream in(file);
  for (std::string line; std::getline(in, line);) {
    const std::size_t space = line.find(' ');
    lines.push_back(space == std::string::npos ? line : line.substr(space + 1));
  }
  return lines;
}

}  // namespace tester::test
