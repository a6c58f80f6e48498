#include "dfreader/image_writers.h"

#include <vector>

#include "common/messages.h"
#include "components/image_digest.h"
#include "gauge/image_read.h"
#include "gauge/rom_programming.h"
#include "gauge/station_settings.h"

namespace tester {
namespace {

Status FileError(OperatorDialogs& dialogs, const std::string& path, const std::string& why) {
  dialogs.ShowMessage(LoadMessage(kMsgErrorWritingFile) + path + "\n" + why);
  return kStatusImageWriteFailed;
}

// The file as written must read back as the record, and match its digest.
std::string ReadBackProblem(const std::string& path, const ImageRecord& record,
                            ImageLayout layout, const StationSettings& settings) {
  ImageRecord stored;
  const Status status = CheckImageFile(path, layout, settings, stored);
  if (status != 0) return FormatStatus("the file does not read back as an image, error code = ",
                                       status);
  if (EncodeImageRecord(stored, layout) != EncodeImageRecord(record, layout)) {
    return "the file reads back different bytes";
  }
  const DigestCheck digest = CheckImageDigest(path);
  return digest.verdict == DigestVerdict::kMatch ? std::string() : digest.message;
}

}  // namespace

Status StoreImage(const std::string& path, const ImageRecord& record, ImageLayout layout,
                  const StationSettings& settings, OperatorDialogs& dialogs) {
  std::string error;
  if (!WriteImageFile(path, record, layout, error)) return FileError(dialogs, path, error);
  if (!WriteImageDigest(path, error)) return FileError(dialogs, DigestFileFor(path), error);
  const std::string problem = ReadBackProblem(path, record, layout, settings);
  if (!problem.empty()) return FileError(dialogs, path, problem);
  return 0;
}

Status WriteImageFileSMBus(GaugeLink& link, OperatorDialogs& dialogs, const std::string& path) {
  int32_t identity = 0;
  std::vector<uint8_t> data;
  const Status status = ReadImageSMBus(link, identity, data);
  if (status != 0) return status;
  const StationSettings& settings = link.Settings();
  return StoreImage(path, MakeImageRecord(identity, data, ImageLayout::SMBus, settings),
                    ImageLayout::SMBus, settings, dialogs);
}

Status WriteImageFileI2C(GaugeLink& link, OperatorDialogs& dialogs, const std::string& path) {
  int32_t identity = 0;
  std::vector<uint8_t> data;
  Status status = ReadImageI2C(link, identity, data);
  if (status != 0) return status;
  const StationSettings& settings = link.Settings();
  const ImageRecord record = MakeImageRecord(identity, data, ImageLayout::Register, settings);
  status = ProgramImageI2C(link, record);
  if (status != 0) return status;
  return StoreImage(path, record, ImageLayout::Register, settings, dialogs);
}

}  // namespace tester
