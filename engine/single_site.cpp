#include "engine/single_site.h"

#include <charconv>
#include <limits>
#include <utility>

#include "common/component_error.h"
#include "common/rounding.h"
#include "components/config_values.h"
#include "components/tester_config_store.h"
#include "engine/monowire.h"
#include "engine/station_setup.h"
#include "engine/version.h"

namespace tester {
namespace {

constexpr const char* kIntSensorReadError = "Error reading internal Temperature sensor: ";
constexpr const char* kReferencesRefused = "Reference values not saved: ";

// A value × 10 (or a difference of tenths) as the 16-bit word it is stored in; one that
// does not fit is refused rather than wrapped into a wrong offset.
int16_t TenthsWord(double tenths, const char* what) {
  const int64_t rounded = RoundToInt64(tenths);
  if (rounded < std::numeric_limits<int16_t>::min() ||
      rounded > std::numeric_limits<int16_t>::max()) {
    throw ComponentError(std::string("Overflow: ") + what + " does not fit a 16-bit value");
  }
  return static_cast<int16_t>(rounded);
}

// A value for the text of a refusal: whole numbers as they are, reals in their shortest form.
std::string ValueText(double value) {
  char buffer[64];
  const std::to_chars_result done = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, done.ptr);
}

// Why the reference values cannot be stored as the station file holds them; empty when
// they can. The sensor temperatures nIT and nET (0 = not given) take the reference
// temperature's range.
std::string ReferenceProblem(int32_t nV, int32_t nV2, int32_t nV3, int32_t nV4, float nT,
                             float nIT, float nET, int32_t nI) {
  struct Given {
    const char* name;
    const char* key;
    double value;
    bool zero_is_unset = false;
  };
  const Given given[] = {{"nV", "RefVoltage1", static_cast<double>(nV)},
                         {"nV2", "RefVoltage2", static_cast<double>(nV2)},
                         {"nV3", "RefVoltage3", static_cast<double>(nV3)},
                         {"nV4", "RefVoltage4", static_cast<double>(nV4)},
                         {"nT", "RefTemperature", nT},
                         {"nIT", "RefTemperature", nIT, true},
                         {"nET", "RefTemperature", nET, true},
                         {"nI", "RefCurrent", static_cast<double>(nI)}};
  for (const Given& g : given) {
    if (g.zero_is_unset && g.value == 0) continue;
    const ConfigKey* key = FindConfigKey(g.key);
    const std::string problem = key != nullptr ? NumberProblem(*key, g.value) : std::string();
    if (!problem.empty()) {
      return std::string(kReferencesRefused) + g.name + " = " + ValueText(g.value) + " " +
             problem;
    }
  }
  return {};
}

}  // namespace

SingleSite::SingleSite(SingleSiteParts parts)
    : parts_(std::move(parts)), station_(parts_.pump, parts_.dialogs, parts_.program_folder) {}

SingleSite::~SingleSite() { parts_.pump.StopTimer(invoker_); }

TesterConfig& SingleSite::Config() {
  if (!config_) {
    config_ = parts_.make_config ? parts_.make_config() : std::make_unique<TesterConfigStore>();
  }
  return *config_;
}

int32_t SingleSite::AttachLinkpod(std::string& sLinkpodID) {
  Status status = 0;
  Status board = 0;
  const Attached attached = AttachStation(station_, parts_.control, board, [&] {
    parts_.linkpod.SetGaugeControl(&parts_.control);
    status = parts_.linkpod.ReadAdapterId(sLinkpodID);
    parts_.linkpod.SetGaugeControl(nullptr);
    station_.adapter_id = sLinkpodID;
    return true;
  });
  return attached == Attached::kNoAdapter ? -1 : status;
}

int32_t SingleSite::DetachLinkpod(const std::string& /*sLinkpodName*/) {
  parts_.linkpod.SetGaugeControl(nullptr);
  station_.link.ReleaseGaugeControl();
  return 0;
}

int32_t SingleSite::Execute(std::optional<bool> bWaitTillComplete) {
  if (pending_) return kExecuteRefusedBusy;
  if (setup_refused_) return kExecuteRefusedSetup;
  if (bWaitTillComplete.value_or(false)) {
    if (running_) return kExecuteRefusedBusy;
    RunNow();
    return 0;
  }
  pending_ = true;
  // During a run (a start asked for from its completion report, which comes before the
  // station is switched off) the run's end schedules it.
  if (!running_) ScheduleRun();
  return 0;
}

void SingleSite::ScheduleRun() {
  invoker_ = parts_.pump.StartTimer(
      kInvokerIntervalMs,
      [this] {
        invoker_ = kNoTimer;
        pending_ = false;
        // A set-up refused since the start was asked for: that start is dropped.
        if (!setup_refused_) RunNow();
      },
      TimerKind::kOneShot);
}

void SingleSite::RunNow() {
  running_ = true;
  RunSequence sequence(station_, Config(), parts_.reports);
  int32_t result = 0;
  sequence.RunMainProcess(result);
  last_run_ = sequence.Record();
  running_ = false;
  if (quit_pending_) {
    quit_pending_ = false;
    config_.reset();
  }
  if (pending_) ScheduleRun();
}

void SingleSite::SetIniFile(const std::string& sIniFileToUse) { Config().IniFile = sIniFileToUse; }

int32_t SingleSite::InitCacheFromSetup() {
  // A set-up that throws (a station file that cannot be read) leaves settings nobody chose:
  // no run until one succeeds.
  setup_refused_ = true;
  const Status status = tester::InitCacheFromSetup(
      station_, Config(), parts_.reports,
      DefaultStationIni(parts_.program_folder, parts_.exe_name));
  setup_refused_ = status == kStatusSettingsRefused;
  return status;
}

std::string SingleSite::SetupMessage() { return SetupRefusalText(station_.setup); }

std::string SingleSite::UpdateVTIConfig(int32_t nV, int32_t nV2, int32_t nV3, int32_t nV4,
                                        float nT, float nIT, float nET, int32_t nI) {
  // What the station file cannot hold is refused before anything is stored.
  const std::string problem = ReferenceProblem(nV, nV2, nV3, nV4, nT, nIT, nET, nI);
  if (!problem.empty()) return problem;
  TesterConfig& config = Config();
  config.RefVoltage1 = nV;
  config.RefVoltage2 = nV2;
  config.RefVoltage3 = nV3;
  config.RefVoltage4 = nV4;
  config.RefTemperature = nT;
  config.RefCurrent = nI;
  std::string error = config.SaveVTIConfig();
  if (!error.empty()) return error;
  config.LoadTempConfig();
  if (nIT != 0.0f) {
    const double wanted = static_cast<double>(nIT) * 10.0;
    int16_t reading = TenthsWord(wanted, "the internal temperature");
    const Status status = station_.board.CalBoardReadTemperature(reading, config.IntSensorAddress);
    if (IsFlagOn(config.CheckIntSensor) && status != 0) {
      return kIntSensorReadError + std::to_string(status);
    }
    config.IntTempOffset = TenthsWord(wanted - reading, "the internal sensor offset");
  }
  if (nET != 0.0f) {
    const double wanted = static_cast<double>(nET) * 10.0;
    int16_t reading = TenthsWord(wanted, "the external temperature");
    station_.board.CalBoardReadTemperature(reading, kSensorExternalAddr);
    config.ExtTempOffset = TenthsWord(wanted - reading, "the external sensor offset");
  }
  return config.SaveTempConfig();
}

int32_t SingleSite::CBFlashLEDs(bool bFlash) {
  if (bFlash) {
    parts_.linkpod.SetGaugeControl(&parts_.control);
    parts_.linkpod.FlashLights(kLightsIdentifyOn, kLightsTiming, bFlash);
  } else {
    // Handed again: lights off may come without an earlier lights on.
    parts_.linkpod.SetGaugeControl(&parts_.control);
    parts_.linkpod.FlashLights(kLightsIdentifyOff, kLightsTiming, bFlash);
    parts_.linkpod.SetGaugeControl(nullptr);
    station_.board.CalBoardInit();
  }
  return 0;
}

int32_t SingleSite::CBReadTemperature(bool bInternal, int16_t& nTempx10) {
  TesterConfig& config = Config();
  const int16_t address = bInternal ? config.IntSensorAddress : int16_t{kSensorExternalAddr};
  const int16_t offset = bInternal ? config.IntTempOffset : config.ExtTempOffset;
  int16_t reading = nTempx10;
  const Status status = station_.board.CalBoardReadTemperature(reading, address);
  nTempx10 = TenthsWord(static_cast<double>(reading) + offset, "the corrected temperature");
  return status;
}

int32_t SingleSite::SetTemperatureForCalibration(int16_t nTempx10) {
  Config().RefTemperature = static_cast<float>(nTempx10) / 10.0f;
  return 0;
}

// A Quit served during a run (at one of its waits) must not pull the settings object from
// under it: the release waits for the run's end.
void SingleSite::Quit() {
  parts_.pump.StopTimer(invoker_);  // a run asked for is not started after a Quit
  invoker_ = kNoTimer;
  pending_ = false;
  if (running_) {
    quit_pending_ = true;
    return;
  }
  config_.reset();
}

std::string SingleSite::VersionSS() { return SoftwareVersion(); }

int32_t SingleSite::SetToMonowireMode(int16_t nMonowireMode) {
  return tester::SetToMonowireMode(station_.link, nMonowireMode);
}

}  // namespace tester
