#pragma once
// Whether an SMBus gauge is in permanent failure, read the way its device type needs
// (first four characters of the target, T4) and its K-factor setting (UseKFactor = 2, K2):
//
//   K2, T4 "6EF0"/"3050": word 0x53; failure when it is nonzero.
//   K2, T4 "1350":        subcommand 0x0054 to 0x00, block 0x23; failure when bit 4 of
//                         byte 1 is set.
//   K2, T4 "7707", "76D4", "76D5", "76D6": word 0x00; failure when (word AND 0x3000) is
//                         nonzero. (These four test the same status bits; the word is read
//                         for all of them, so the test always sees the gauge's answer.)
//   K2, any other T4:     block 0x54 (word 0x00 only when the block read fails); failure
//                         when bit 4 of byte 1 of the block is set.
//   no K2:                word 0x23 (word 0x53 when that read fails); failure when nonzero.
//
// All at 0x17. The register-loader families (command sets 5, 6, 7) are not checked.
#include <string>

#include "common/status_codes.h"
#include "gauge/gauge_link.h"

namespace tester {

struct PermanentFailureCheck {
  Status read_status = 0;  // status of the last read; nonzero: the gauge could not be asked
  bool failed = false;     // the gauge reports a permanent failure
};

PermanentFailureCheck CheckPermanentFailure(GaugeLink& link, const std::string& target,
                                            int use_kfactor);

}  // namespace tester
