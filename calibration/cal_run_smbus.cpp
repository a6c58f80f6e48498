#include "calibration/cal_run_smbus.h"

#include "calibration/cal_checks.h"
#include "calibration/cal_compute.h"
#include "calibration/cal_data.h"
#include "calibration/cal_mode.h"
#include "calibration/cal_sampling.h"
#include "calibration/temp_sensor_select.h"
#include "common/status_codes.h"
#include "gauge/station_settings.h"

namespace tester {
namespace {

// Command set 5 gauges need this long before each sampling pass to settle on the
// references just switched.
constexpr int kSet5PassLeadMs = 1500;

class SmbusCalibration {
public:
  SmbusCalibration(CalContext& ctx, const TesterConfig& config, const CalOptions& options,
                   uint8_t ma_command, uint8_t addr)
      : ctx_(ctx),
        config_(config),
        options_(options),
        ma_command_(ma_command),
        addr_(addr),
        set5_(ctx.link.Settings().COMMANDSET == 5),
        simultaneous_(options.CalSimultaneous != 0 && options.CurrentCalEnabled != 0 &&
                      options.CalVoltage != 0) {}

  Status Run() {
    if (SetCalMode(ctx_, ma_command_, addr_, kTrue) != 0) return kStatusCalModeFailed;
    const Status sampled = TakeSamples();
    if (sampled != 0) return sampled;  // the gauge stays in calibration mode
    SetCalMode(ctx_, ma_command_, addr_, kFalse);  // readings taken; leaving is not checked

    Status status = Compute();
    // Kept for the run's record also when a check refuses them: they show why.
    if (ctx_.results != nullptr) *ctx_.results = results_;
    if (status != 0) return status;
    status = CheckCalResults(ctx_.link.Settings(), config_, results_);
    if (status != 0) return status;
    status = WriteCalData(ctx_, ma_command_, options_, results_, addr_);
    return status == 0 ? 0 : kStatusCalDataWriteFailed;
  }

private:
  Status Sample(RawCalData& raw, uint8_t mode) {
    if (set5_) ctx_.link.WaitMs(kSet5PassLeadMs);
    const Status status = set5_ ? SampleCalData5(ctx_, raw, mode, addr_)
                                : SampleCalData(ctx_, raw, mode, addr_);
    return status == 0 ? 0 : kStatusCalSamplingFailed;
  }

  // Record A: a pass with the reference current, then one without it for the offsets.
  // Record B: the board-offset pass.
  Status TakeSamples() {
    Status status = Sample(a_, kSamplePassCurrent);
    if (status != 0) return status;
    if (simultaneous_ && (status = ctx_.board.CalBoardLoadOff()) != 0) return status;

    if (options_.CalCCOffset != 0 || options_.CurrentCalEnabled != 0 || simultaneous_ ||
        options_.CalBoardOffset != 0) {
      if ((status = ctx_.board.CalBoardLoadOff()) != 0) return status;
      if ((status = Sample(a_, kSamplePassOffset)) != 0) return status;
    }
    if (options_.CalBoardOffset != 0) {
      if (IsFlagOn(config_.CurrentCalEnabled) && !simultaneous_ &&
          (status = ctx_.board.CalBoardLoadOff()) != 0) {
        return status;
      }
      if ((status = Sample(b_, kSamplePassCurrent)) != 0) return status;
    }
    return 0;
  }

  Status Compute() {
    Status status = 0;
    if (options_.CalCCOffset != 0 && options_.CurrentCalEnabled == 0 &&
        (status = ComputeCurrentCal(ctx_, options_, a_, true, results_)) != 0) {
      return status;
    }
    if (options_.CalBoardOffset != 0 &&
        (status = ComputeBoardOffset(ctx_, a_, b_, results_)) != 0) {
      return status;
    }
    if (options_.CurrentCalEnabled != 0 &&
        (status = ComputeCurrentCal(ctx_, options_, a_, false, results_)) != 0) {
      return status;
    }
    if (options_.CalTemperature != 0 &&
        (status = ComputeTempOffsets(ctx_, options_, results_)) != 0) {
      return status;
    }
    if (options_.CalVoltage != 0) {
      return ComputeVoltageGains(ctx_.link.Settings(), options_, a_, results_);
    }
    return 0;
  }

  CalContext& ctx_;
  const TesterConfig& config_;
  const CalOptions& options_;
  uint8_t ma_command_;
  uint8_t addr_;
  bool set5_;
  bool simultaneous_;
  RawCalData a_{};
  RawCalData b_{};
  CalibrationResults results_{};
};

}  // namespace

bool AnyCalibrationRequested(const CalOptions& options) {
  return options.CalCCOffset != 0 || options.CalBoardOffset != 0 || options.CalVoltage != 0 ||
         options.CalTemperature != 0 || options.CurrentCalEnabled != 0;
}

Status RunCalibrationSMBus(CalContext& ctx, const TesterConfig& config,
                           const CalOptions& options, uint8_t maCommand, uint8_t addr) {
  // Its result is not used: a source left unswitched shows in the temperature offsets.
  if (ctx.link.Settings().ToggleTempBit == 1) SelectTempSensor(ctx, options);
  if (!AnyCalibrationRequested(options)) return kStatusCalNothingRequested;
  SmbusCalibration run(ctx, config, options, maCommand, addr);
  return run.Run();
}

}  // namespace tester
