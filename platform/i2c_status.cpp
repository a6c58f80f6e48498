#include "platform/i2c_status.h"

#include <cerrno>

namespace tester {

I2cStatus StatusOfErrno(int err) {
  switch (-err) {
    case 0:
      return kI2cOk;
    case ENXIO:
    case EREMOTEIO:
      return kI2cNack;
    case ETIMEDOUT:
    case EBUSY:
      return kI2cTimeout;
    case EADDRINUSE:
      return kI2cAddressHeld;
    case EAGAIN:
      return kI2cArbitrationLost;
    case EOPNOTSUPP:
      return kI2cBridgeCannot;
    case EPROTO:
    case EMSGSIZE:
    case EBADMSG:
      return kI2cProtocol;
    case ENODEV:
    case ESHUTDOWN:
    case EBADF:
      return kI2cAdapterGone;
    case EINVAL:
      return kI2cBadArgument;
    default:
      return kI2cBusError;
  }
}

std::string I2cStatusText(I2cStatus status) {
  switch (status) {
    case kI2cOk: return "success";
    case kI2cNoAdapter: return "no adapter open";
    case kI2cNack: return "no acknowledge";
    case kI2cTimeout: return "timeout";
    case kI2cAddressHeld: return "address held by a kernel driver";
    case kI2cArbitrationLost: return "arbitration lost";
    case kI2cBridgeCannot: return "the bridge cannot do this transfer";
    case kI2cProtocol: return "protocol violation";
    case kI2cAdapterGone: return "adapter gone";
    case kI2cBadArgument: return "bad argument";
    default: return "bus error";
  }
}

}  // namespace tester
