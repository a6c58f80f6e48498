#pragma once
// Where a controller's engines come from: the programs start `ardentis --automation`
// processes, the tests make fakes. Each engine reports to the StationEvents it was made
// with, which names its station.
#include <memory>
#include <string>

#include "common/automation_contract.h"

namespace tester {

// The events of one station's engine, plus the end of an engine that is gone.
class StationEvents : public SingleSiteEvents {
public:
  // The engine ended, crashed or stopped answering; it takes no more calls.
  virtual void EngineEnded(const std::string& reason) = 0;
};

class EngineFactory {
public:
  virtual ~EngineFactory() = default;
  // A new engine for slot `index` (0 to 11) reporting to `events`, which outlives it.
  // Throws ComponentError when the engine cannot be created or reached.
  virtual std::unique_ptr<SingleSiteMembers> CreateEngine(int index, StationEvents& events) = 0;
};

}  // namespace tester
