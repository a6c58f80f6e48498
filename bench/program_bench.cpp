// Programming benchmark: a full default image is programmed into a simulated production
// gauge of each ROM loader on the virtual clock, with the virtual jig's wire-time model.
// The time taken is compared with a floor computed here from the geometry and the list
// of transfers and waits the programming sequence must make:
//  - wire time of every required transfer at 100 kHz (sim/bus_time.h byte counting);
//  - every wait the sequence mandates (120 ms after each engine block read, the bus-status
//    wait after each checked write, the loader pauses of the station settings);
//  - the loader's own busy time after erase and program commands: the SMBus loader is
//    polled back to back, so the floor counts the probes that must fail while it is busy.
// A ratio of 1.00 means no transfer or wait beyond what the sequence requires.
#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "gauge/gauge_identity.h"
#include "gauge/gauge_link.h"
#include "gauge/image_file.h"
#include "gauge/rom_mode.h"
#include "gauge/rom_programming.h"
#include "gauge/station_settings.h"
#include "platform/virtual_clock.h"
#include "sim/bus_time.h"
#include "sim/default_jig.h"
#include "sim/sim_control.h"
#include "testing/jig_station.h"

namespace tester {
namespace {

// The engine waits this long after every SMBus block read. Stated here rather than taken
// from the link, so that the floor does not follow the code it measures.
constexpr int kBlockReadWaitMs = 120;

// Time line of the floor, in microseconds.
class Floor {
public:
  explicit Floor(const StationSettings& s) : resp_ms_(s.USB_RESP_TIME) {}

  void Bytes(int count) { t_ += BusMicros(count); }
  void Wait(int ms) { t_ += static_cast<int64_t>(ms) * kMicrosPerMs; }
  // A write followed by the bus-status check.
  void Checked(int count) {
    Bytes(count);
    Wait(resp_ms_);
  }
  // The device just received a command that keeps it busy for `ms`.
  void Busy(int ms) { ready_at_ = t_ + static_cast<int64_t>(ms) * kMicrosPerMs; }
  // SMBus loader probes back to back until one ends with the loader ready.
  void PollReady() {
    do {
      Bytes(BusBytes::ReadWord());
    } while (t_ < ready_at_);
  }
  // Register loader result read: the procedure's pauses must already cover the busy time.
  void Result() {
    t_ = std::max(t_, ready_at_);
    Bytes(BusBytes::ReadRegs(1));
  }
  void BusIdle() { Wait(4 * resp_ms_); }  // wait, check, wait, check
  int64_t Micros() const { return t_; }

private:
  int resp_ms_;
  int64_t t_ = 0;
  int64_t ready_at_ = 0;
};

std::vector<bool> BlankRows(const ImageRecord& image, int rows, int row_size) {
  std::vector<bool> blank;
  for (int r = 0; r < rows; ++r) {
    auto first = image.data.begin() + r * row_size;
    blank.push_back(std::all_of(first, first + row_size, [](uint8_t b) { return b == 0xFF; }));
  }
  return blank;
}

int64_t SMBusFloor(const StationSettings& s, const GaugeTimings& gauge, const ImageRecord& image) {
  Floor f(s);
  const int row = s.DF_PROGROW_SZ;
  auto read_row = [&] {
    f.Bytes(BusBytes::WriteBlock(3));
    f.Bytes(BusBytes::ReadBlock(96));
    f.Wait(kBlockReadWaitMs);
  };
  read_row();
  read_row();
  // The loader starts a command when its transfer ends, before the bus-status wait.
  f.Bytes(BusBytes::WriteWord());  // erase instruction row 0
  f.Busy(gauge.row_erase_ms);
  f.Wait(s.USB_RESP_TIME);
  f.PollReady();
  f.Bytes(BusBytes::WriteWord());  // mass erase
  f.Busy(gauge.mass_erase_ms);
  f.Wait(s.USB_RESP_TIME);
  f.PollReady();
  for (bool blank : BlankRows(image, s.DF_CHKSUM_SZ / row, row)) {
    if (blank) continue;
    f.Bytes(BusBytes::WriteBlock(row + 1));
    f.Busy(gauge.row_program_ms);
    f.PollReady();
  }
  f.Bytes(BusBytes::ReadWord());  // checksum
  for (int r = 0; r < 2; ++r) {
    f.Bytes(BusBytes::WriteBlock(98));
    f.Busy(gauge.row_program_ms);
    f.PollReady();
    read_row();
  }
  return f.Micros();
}

int64_t RegisterFloor(const StationSettings& s, const GaugeTimings& gauge,
                      const ImageRecord& image) {
  Floor f(s);
  const int row = s.DF_PROGROW_SZ;
  const int word = BusBytes::WriteRegs(2);
  f.BusIdle();
  for (int r = 0; r < 2; ++r) {
    f.Bytes(BusBytes::WriteRegs(3));
    f.Checked(word);
    f.Result();
    f.Bytes(BusBytes::ReadRegs(96));
    f.Wait(2 * s.USB_RESP_TIME);  // two bus-status checks
    f.Checked(BusBytes::ReadRegs(2));
  }
  f.Bytes(BusBytes::WriteRegs(3));  // erase instruction row 0
  f.Bytes(word);                    // the checksum word executes the command
  f.Busy(gauge.row_erase_ms);
  f.Wait(s.USB_RESP_TIME);
  f.Wait(2 * s.DF_ERASEROW);
  f.Result();
  f.Bytes(BusBytes::WriteRegs(1));  // mass erase
  f.Checked(word);
  f.Bytes(word);
  f.Busy(gauge.mass_erase_ms);
  f.Wait(s.USB_RESP_TIME);
  f.Wait(2 * s.DF_MASSERASE);
  f.Result();
  f.BusIdle();
  for (bool blank : BlankRows(image, s.DF_IMAGE_SZ / row, row)) {
    if (blank) continue;
    f.Bytes(BusBytes::WriteRegs(3));
    f.Bytes(BusBytes::WriteRegs(row));
    f.Bytes(word);
    f.Busy(gauge.row_program_ms);
    f.Wait(s.USB_RESP_TIME);
    f.Wait(s.DF_PROGROW);
    f.Result();
  }
  f.Bytes(BusBytes::WriteRegs(1));  // checksum
  f.Bytes(word);
  f.Busy(gauge.checksum_ms);
  f.Wait(s.USB_RESP_TIME);
  f.Wait(2 * s.DF_CHECKSUM_COMPUTE_DELAY);
  f.Result();
  f.Checked(BusBytes::ReadRegs(2));
  f.Wait(s.USB_RESP_TIME);
  for (int r = 0; r < 2; ++r) {
    f.Bytes(BusBytes::WriteRegs(3));
    for (int chunk = 0; chunk < 3; ++chunk) f.Bytes(BusBytes::WriteRegs(32));
    f.Bytes(word);
    f.Busy(gauge.row_program_ms);
    f.Wait(s.USB_RESP_TIME);
    f.Wait(2 * s.DF_PROGROW);
    f.Wait(s.USB_RESP_TIME);
    f.Result();
  }
  return f.Micros();
}

// Programs the reference pack's image into the production pack of `adapter`.
bool RunStation(const JigDescription& jig, std::size_t adapter) {
  VirtualClock clock;
  test::JigStation jig_station(clock, jig, adapter);
  if (!jig_station.Ok()) return false;  // the station has said why
  SimControl* control = &jig_station.Sim();
  const AdapterDescription& station = jig.adapters.at(adapter);
  StationSettings settings;
  // The lock folder holds no Config.ini: the settings' defaults.
  LoadStationSettings(settings, jig_station.Locks(), TargetOf(station.packs.at(0)));
  settings.COMMANDSET = static_cast<int16_t>(station.packs.at(0).family);
  GaugeLink link(clock, settings);
  link.BindGaugeControl(&jig_station.Control());

  const GaugeMemory& reference = control->Pack()->Memory();
  const auto read = static_cast<std::size_t>(settings.DF_IMAGE_SZ);
  const ImageRecord image =
      MakeImageRecord(static_cast<int32_t>(reference.FirmwareIdentity()),
                      reference.DataFlash().first(read), ImageLayoutFor(settings.COMMANDSET),
                      settings);
  control->NextPack();
  const GaugeTimings gauge = control->Pack()->Description().timings;

  const bool register_loader = UsesRegisterLoader(settings.COMMANDSET);
  bool entered = IsRegisterGauge(settings.COMMANDSET)
                     ? EnterROMModeI2C(link, 0x00, settings.RetROMWd) == 0
                     : EnterROMMode(link, 0x00, settings.RetROMWd) == kTrue;
  if (entered && settings.COMMANDSET == 5) entered = link.SelectBusMode(1) == 0;
  if (!entered) {
    std::fprintf(stderr, "station %zu: ROM mode not entered\n", adapter + 1);
    return false;
  }
  const int64_t start = clock.Now();
  const Status status =
      register_loader ? ProgramImageI2C(link, image) : ProgramImageSMBus(link, image);
  const int64_t taken = clock.Now() - start;
  link.ReleaseGaugeControl();
  if (status != 0) {
    std::fprintf(stderr, "station %zu: programming failed with status %d\n", adapter + 1, status);
    return false;
  }
  const int64_t floor = register_loader ? RegisterFloor(settings, gauge, image)
                                        : SMBusFloor(settings, gauge, image);
  std::printf("%-9s family %d (%s loader): %8.3f ms, floor %8.3f ms, ratio %.4f\n",
              TargetOf(station.packs.at(0)).c_str(), settings.COMMANDSET,
              register_loader ? "register" : "SMBus", taken / 1000.0, floor / 1000.0,
              static_cast<double>(taken) / static_cast<double>(floor));
  return true;
}

}  // namespace
}  // namespace tester

int main() {
  std::string error;
  const auto jig = tester::ParseJigText(tester::DefaultJigText(), error);
  if (!jig) {
    std::fprintf(stderr, "default jig: %s\n", error.c_str());
    return 1;
  }
  bool ok = true;
  for (std::size_t adapter = 0; adapter < jig->adapters.size(); ++adapter) {
    ok = tester::RunStation(*jig, adapter) && ok;
  }
  return ok ? 0 : 1;
}
