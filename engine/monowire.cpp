#include "engine/monowire.h"

#include "common/tester_config.h"

namespace tester {

Status SetToMonowireMode(GaugeLink& link, int16_t nMonowireMode) {
  if (nMonowireMode != kMonowireModeOn) return 0;
  Status status = link.WriteRegByte(kLoaderCommandReg, kMonowireCommand, kAddrRegLoader);
  if (status != 0) return status;
  status = link.WriteRegByte(kLoaderDataReg, kMonowireInterface, kAddrRegLoader);
  if (status != 0) return status;
  status = link.WriteRegWord(kLoaderChecksumReg, kMonowireChecksum, kAddrRegLoader);
  if (status != 0) return status;
  link.PauseBoth(kMonowireSettleMs);
  status = link.CheckBusStatus();
  if (status != 0) return status;
  uint8_t result = 0;
  status = link.ReadRegByte(kLoaderResultReg, result, kAddrRegLoader);
  if (status != 0) return status;
  return result != 0 ? kStatusMonowireRefused : 0;
}

}  // namespace tester
