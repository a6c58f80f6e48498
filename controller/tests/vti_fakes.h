#pragma once
// Engines and a controller for the VTI tests: what they were sent, what they answer.
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "components/tester_config_store.h"
#include "controller/vti_grid.h"
#include "platform/scripted_dialogs.h"
#include "platform/virtual_clock.h"
#include "testing/scratch_folder.h"

namespace tester::test {

class VtiFakeEngine final : public SingleSiteMembers {
public:
  std::vector<VtiValues> updates;
  std::vector<bool> flashes;
  std::string refuse;          // UpdateVTIConfig's answer
  int16_t internal = 0;        // tenths the board's own sensor reads
  int32_t read_status = 0;

  std::string UpdateVTIConfig(int32_t nV, int32_t nV2, int32_t nV3, int32_t nV4, float nT,
                              float nIT, float nET, int32_t nI) override {
    updates.push_back({nV, nV2, nV3, nV4, nT, nIT, nET, nI});
    return refuse;
  }
  int32_t CBFlashLEDs(bool bFlash) override {
    flashes.push_back(bFlash);
    return 0;
  }
  int32_t CBReadTemperature(bool, int16_t& nTempx10) override {
    nTempx10 = internal;
    return read_status;
  }
  int32_t AttachLinkpod(std::string&) override { return 0; }
  int32_t DetachLinkpod(const std::string&) override { return 0; }
  int32_t Execute(std::optional<bool>) override { return 0; }
  void SetIniFile(const std::string&) override {}
  int32_t InitCacheFromSetup() override { return 0; }
  std::string SetupMessage() override { return {}; }
  int32_t SetTemperatureForCalibration(int16_t) override { return 0; }
  void Quit() override {}
  std::string VersionSS() override { return "1.0.0"; }
  bool m_bCalEnabled() override { return false; }
  void set_m_bCalEnabled(bool) override {}
  int32_t SetToMonowireMode(int16_t) override { return 0; }
};

class VtiFakeHost final : public VtiHost {
public:
  std::vector<VtiStation> stations;
  std::vector<std::unique_ptr<VtiFakeEngine>> engines;
  std::vector<std::pair<int, bool>> shown;        // ShowBoard calls
  int32_t show_result = 0;
  VtiTenths internal{}, external{};               // what ReadTempValues gives
  int reads = 0;
  std::vector<std::pair<int, float>> references;  // TakeReferenceTemperature
  int updated = 0;                                // ReferencesUpdated

  VtiFakeEngine& Add(const std::string& folder, const std::string& name, bool its = false,
                     bool ets = false, const std::string& probe = "") {
    engines.push_back(std::make_unique<VtiFakeEngine>());
    stations.push_back({static_cast<int>(stations.size()), name, folder + "\\" + name, its, ets,
                        probe, engines.back().get()});
    return *engines.back();
  }
  std::vector<VtiStation> Stations() const override { return stations; }
  int32_t ShowBoard(int slot, bool bShow) override {
    shown.emplace_back(slot, bShow);
    return show_result;
  }
  void ReadTempValues(VtiTenths& i, VtiTenths& e, int16_t) override {
    ++reads;
    i = internal;
    e = external;
  }
  void TakeReferenceTemperature(int slot, float degrees) override {
    references.emplace_back(slot, degrees);
  }
  void ReferencesUpdated() override { ++updated; }
};

// An application folder with global.ini and station files, a host, a clock and dialogs.
struct VtiWorld {
  ScratchFolder home{"vti-test"};
  VtiFakeHost host;
  VirtualClock clock;
  ScriptedDialogs dialogs;

  // global.ini with these switches.
  void Global(int16_t voltage, int16_t mode, int16_t cells, int16_t current, int16_t temp) {
    TesterConfigStore config;
    config.IniFile = home.File("global.ini");
    config.VoltageCalEnabled = voltage;
    config.VoltageCalMode = mode;
    config.CellCount = cells;
    config.CurrentCalEnabled = current;
    config.TemperatureCalEnabled = temp;
    config.SaveConfig();
  }
  // A station with its reference values in its file.
  VtiFakeEngine& Station(const std::string& name, int32_t v1, float t = 25.0f, bool its = false,
                         const std::string& probe = "") {
    TesterConfigStore config;
    config.IniFile = home.File(name);
    config.RefVoltage1 = v1;
    config.RefVoltage2 = v1 * 2;
    config.RefVoltage3 = v1 * 3;
    config.RefVoltage4 = v1 * 4;
    config.RefTemperature = t;
    config.RefCurrent = 2000;
    config.SaveConfig();
    return host.Add(home.Path(), name, its, false, probe);
  }
  VtiGridParts Parts(clsPassword* lock = nullptr) {
    return {host, clock, dialogs, [] { return std::make_unique<TesterConfigStore>(); },
            home.Path(), lock};
  }
};

}  // namespace tester::test
