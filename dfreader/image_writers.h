#pragma once
// The two image writers: read the reference gauge's data flash through its ROM loader and
// store it as an image file (gauge/image_file.h) with its digest beside it
// (components/image_digest.h). A read that fails at any transfer writes nothing: the file
// at the path, if any, stays as it was.
//
// Storing: the record goes to a temporary file renamed over the path, then the digest
// file; both are read back and checked (header, size, bytes, digest). A file error shows
// "Error Writing to file: ", the path and the system's description, and the writer returns
// kStatusImageWriteFailed.
#include <string>

#include "common/status_codes.h"
#include "gauge/gauge_link.h"
#include "gauge/image_file.h"
#include "platform/dialogs.h"

namespace tester {

// The writers' status after a file error: the image-file code (0x10011).
inline constexpr Status kStatusImageWriteFailed = kStatusImageFileUnreadable;

// SMBus ROM loader at 0x17 running: SMBus layout.
Status WriteImageFileSMBus(GaugeLink& link, OperatorDialogs& dialogs, const std::string& path);

// Register-style loader at 0x16 running: the rows, each checked against the loader's sum,
// then the image programmed back into the same gauge (ProgramImageI2C), which confirms it
// against the checksum the gauge computes. Only a confirmed image is stored (register
// layout); the status of the programming is the result otherwise.
Status WriteImageFileI2C(GaugeLink& link, OperatorDialogs& dialogs, const std::string& path);

// Writes `record` and its digest to `path` and checks both; see above.
Status StoreImage(const std::string& path, const ImageRecord& record, ImageLayout layout,
                  const StationSettings& settings, OperatorDialogs& dialogs);

}  // namespace tester
