#pragma once
// Calibration coefficients into the calibration class of the gauge's data flash: the class
// is read as one page (64 bytes through block 0x58 + page with command set 2; 32 bytes
// through the page select and block 0x2F otherwise), patched and written back, then read
// back and compared.
#include <cstdint>
#include <span>

#include "calibration/cal_context.h"
#include "calibration/cal_types.h"

namespace tester {

// Writes the coefficients the options ask for. 0; 65547 when a page read comes back short
// or a read-back differs; kStatusDfPositionOutOfBlock (54), before any transfer, when a field
// to be written falls outside its page or the page cannot be addressed; other bus statuses
// pass through.
Status WriteCalData(CalContext& ctx, uint8_t maCommand, const CalOptions& options,
                    const CalibrationResults& results, uint8_t addr);

// Command set 2: writes a 64-byte page of the calibration class and reads it back,
// showing the operator what went wrong. 0 unless the write or the read-back failed (then
// its bus status); a block shorter than 64 bytes or a page that cannot be addressed is
// refused with kStatusDfPositionOutOfBlock before any transfer. The check shown to the
// operator covers bytes 0-31; WriteCalData compares all 64 itself.
Status WriteCalBlock(CalContext& ctx, uint8_t maCommand, std::span<const uint8_t> block,
                     uint8_t addr);

}  // namespace tester
