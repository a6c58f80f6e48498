#pragma once
// The controller's engines as `ardentis --automation` processes: each CreateEngine starts
// one through SingleSiteClient and hands its events, and the news of its end, to the
// station's StationEvents. The calls wait by serving the Qt event loop.
#include <memory>

#include "common/engine_factory.h"
#include "platform/automation/single_site_client.h"

namespace tester {

class ClientEngineFactory final : public EngineFactory {
public:
  // `start` names the engine (the ProgID, or an executable for tests) and its environment.
  explicit ClientEngineFactory(EngineStart start) : start_(std::move(start)) {}
  std::unique_ptr<SingleSiteMembers> CreateEngine(int index, StationEvents& events) override;
  // The process id of the engines made, in the order made (the benchmark measures them).
  const std::vector<long long>& ProcessIds() const { return pids_; }

private:
  EngineStart start_;
  std::vector<long long> pids_;
};

}  // namespace tester
