#include "platform/automation/client_engine_factory.h"

namespace tester {
namespace {

// Hands a client's events to the station's events.
class EventsBridge final : public SingleSiteClientEvents {
public:
  explicit EventsBridge(StationEvents& events) : events_(events) {}
  void CurrentStatus(const std::string& s, int32_t n) override { events_.CurrentStatus(s, n); }
  void RequestSerialNo(int32_t& n) override { events_.RequestSerialNo(n); }
  void Completed(const CompletionReport& r, const RunRecord& rec) override {
    events_.Completed(r, rec);
  }
  void SetWindowTitle(const std::string& t) override { events_.SetWindowTitle(t); }
  void EngineEnded(const std::string& reason) override { events_.EngineEnded(reason); }

private:
  StationEvents& events_;
};

// One engine process and the bridge its events go through; the client goes first.
class ClientEngine final : public SingleSiteMembers {
public:
  ClientEngine(const EngineStart& start, StationEvents& events)
      : bridge_(events), client_(start, &bridge_) {}
  long long ProcessId() const { return client_.ProcessId(); }

  int32_t AttachLinkpod(std::string& id) override { return client_.AttachLinkpod(id); }
  int32_t DetachLinkpod(const std::string& n) override { return client_.DetachLinkpod(n); }
  int32_t Execute(std::optional<bool> w) override { return client_.Execute(w); }
  void SetIniFile(const std::string& f) override { client_.SetIniFile(f); }
  int32_t InitCacheFromSetup() override { return client_.InitCacheFromSetup(); }
  std::string SetupMessage() override { return client_.SetupMessage(); }
  std::string UpdateVTIConfig(int32_t a, int32_t b, int32_t c, int32_t d, float t, float it,
                              float et, int32_t i) override {
    return client_.UpdateVTIConfig(a, b, c, d, t, it, et, i);
  }
  int32_t CBFlashLEDs(bool f) override { return client_.CBFlashLEDs(f); }
  int32_t CBReadTemperature(bool in, int16_t& t) override {
    return client_.CBReadTemperature(in, t);
  }
  int32_t SetTemperatureForCalibration(int16_t t) override {
    return client_.SetTemperatureForCalibration(t);
  }
  void Quit() override { client_.Quit(); }
  std::string VersionSS() override { return client_.VersionSS(); }
  bool m_bCalEnabled() override { return client_.m_bCalEnabled(); }
  void set_m_bCalEnabled(bool v) override { client_.set_m_bCalEnabled(v); }
  int32_t SetToMonowireMode(int16_t m) override { return client_.SetToMonowireMode(m); }

private:
  EventsBridge bridge_;
  SingleSiteClient client_;
};

}  // namespace

std::unique_ptr<SingleSiteMembers> ClientEngineFactory::CreateEngine(int, StationEvents& events) {
  auto engine = std::make_unique<ClientEngine>(start_, events);
  pids_.push_back(engine->ProcessId());
  return engine;
}

}  // namespace tester
