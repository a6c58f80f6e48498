// Writes the demo golden images: for every station of the built-in virtual jig, the data
// flash of its reference pack (the first of its queue), read through the gauge's ROM
// loader as the image reader reads a reference gauge (gauge/image_read.h), stored as
// <demo folder>/Tester_<target>.rom in the layout of the gauge's command-set family.
//
//   make_golden_images <demo folder>
//
// Settings come from <demo folder>/Config.ini. Runs on the virtual clock.
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "components/image_digest.h"
#include "gauge/gauge_identity.h"
#include "gauge/gauge_link.h"
#include "gauge/image_file.h"
#include "gauge/image_read.h"
#include "common/status_codes.h"
#include "gauge/station_settings.h"
#include "platform/virtual_clock.h"
#include "sim/default_jig.h"
#include "sim/sim_control.h"
#include "testing/jig_station.h"
#include "testing/scratch_folder.h"

namespace tester {
namespace {

Status IdentityText(GaugeLink& link, std::string& text) {
  const auto mac = static_cast<uint8_t>(link.Settings().QZMAC);
  if (IsRegisterGauge(link.Settings().COMMANDSET)) return ReadDeviceVersionI2C(link, text, mac);
  return ReadDeviceVersion(link, text, mac);
}

bool WriteStationImage(SimControl& control, const AdapterDescription& adapter,
                       VirtualClock& clock, const std::string& demo) {
  const std::string target = TargetOf(adapter.packs.at(0));
  StationSettings settings;
  LoadStationSettings(settings, demo, target);
  GaugeLink link(clock, settings, LinkVariant::ImageReader);
  if (control.OpenAdapter(adapter.identifier) == -1) {
    std::fprintf(stderr, "%s: adapter %s cannot be opened\n", target.c_str(),
                 adapter.identifier.c_str());
    return false;
  }
  link.BindGaugeControl(&control);
  std::string seen;
  Status status = IdentityText(link, seen);
  if (status == 0 && seen != target) {
    std::fprintf(stderr, "%s: the gauge reports %s\n", target.c_str(), seen.c_str());
    status = kStatusIdentityMismatch;
  }
  int32_t identity = 0;
  std::vector<uint8_t> data;
  if (status == 0) status = ReadReferenceImage(link, identity, data);
  link.ReleaseGaugeControl();
  if (status != 0) {
    std::fprintf(stderr, "%s: reading the reference gauge failed with status %d\n",
                 target.c_str(), status);
    return false;
  }
  const ImageLayout layout = ImageLayoutFor(settings.COMMANDSET);
  const std::string path = demo + "/" + DefaultImageFileName(target);
  std::string error;
  if (!WriteImageFile(path, MakeImageRecord(identity, data, layout, settings), layout, error)) {
    std::fprintf(stderr, "Error Writing to file: %s\n%s\n", path.c_str(), error.c_str());
    return false;
  }
  // The digest beside the image is what the stations check the image against.
  if (!WriteImageDigest(path, error)) {
    std::fprintf(stderr, "Error Writing to file: %s\n%s\n", DigestFileFor(path).c_str(),
                 error.c_str());
    return false;
  }
  std::printf("%s: command set %d, %s layout, identity 0x%06X, %zu bytes read\n", path.c_str(),
              settings.COMMANDSET, layout == ImageLayout::SMBus ? "SMBus" : "register", identity,
              data.size());
  return true;
}

int Run(const std::string& demo) {
  std::string error;
  const auto jig = ParseJigText(DefaultJigText(), error);
  if (!jig) {
    std::fprintf(stderr, "default jig: %s\n", error.c_str());
    return 1;
  }
  const test::ScratchFolder locks("golden-image-locks");
  if (!locks.Ok()) {
    std::fprintf(stderr, "lock folder: %s\n", locks.Error().c_str());
    return 1;
  }
  VirtualClock clock;
  auto control = MakeSimControl(*jig, locks.Path(), clock, error);
  bool ok = control != nullptr;
  if (!ok) std::fprintf(stderr, "virtual jig: %s\n", error.c_str());
  for (std::size_t i = 0; ok && i < jig->adapters.size(); ++i) {
    ok = WriteStationImage(*control, jig->adapters[i], clock, demo);
  }
  control.reset();
  return ok ? 0 : 1;
}

}  // namespace
}  // namespace tester

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <demo folder>\n", argv[0]);
    return 2;
  }
  return tester::Run(argv[1]);
}
