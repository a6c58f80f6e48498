#pragma once
// Reading a reference gauge's data flash through its ROM loader, as the image reader does
// to make a golden image. The station settings of the link decide the geometry: rows of
// DF_PROGROW_SZ bytes from data-flash address DF_BASE_ADDR, DF_IMAGE_SZ / DF_PROGROW_SZ of
// them, read into `data` from byte 0, and the firmware identity into `identity`;
// MakeImageRecord (image_file.h) turns them into the image record. The first failing
// transfer ends a read and its status is returned unchanged.
#include <cstdint>
#include <vector>

#include "common/status_codes.h"
#include "gauge/gauge_link.h"

namespace tester {

// With the SMBus loader at 0x17 running: the identity through the loader's identity
// bytes, then the rows. kStatusNotInRomMode when the loader's probe answers 100 or less,
// kStatusImageGeometryInvalid when a row does not fit the loader's 65-byte block.
Status ReadImageSMBus(GaugeLink& link, int32_t& identity, std::vector<uint8_t>& data);

// With the register-style loader at 0x16 running: the identity from instruction row 0,
// then the rows, each checked against the sum the loader gives with it
// (kStatusChecksumMismatch). kStatusImageGeometryInvalid when a row is longer than the
// count byte that asks for it can say.
Status ReadImageI2C(GaugeLink& link, int32_t& identity, std::vector<uint8_t>& data);

// The whole read from gauge mode for the station's command-set family: ROM entry
// (RetROMCmd, RetROMWd), the read through that family's loader, and the way back to the
// firmware. Command set 5 reaches its register-style loader on the register-style bus and
// switches the adapter back to SMBus whatever the read gave.
Status ReadReferenceImage(GaugeLink& link, int32_t& identity, std::vector<uint8_t>& data);

}  // namespace tester
