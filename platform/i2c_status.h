#pragma once
// Statuses of the i2c-dev backend: the nonzero "control statuses" of the gauge-control
// seam for real bridges, one per kind of failure the kernel reports (errno values of the
// I2C/SMBus stack), so a trace or an operator tells a missing gauge from a noisy bus.
// They sit beside the virtual jig's (0x01xx) and the identification component's (0x02xx),
// clear of the program's own codes (772 = 0x0304).
#include <cstdint>
#include <string>

namespace tester {

using I2cStatus = int16_t;

inline constexpr I2cStatus kI2cOk = 0;
// No adapter is open on this control.
inline constexpr I2cStatus kI2cNoAdapter = 0x0401;
// Not acknowledged: nobody answered the address (ENXIO), or the device refused a byte
// (EREMOTEIO).
inline constexpr I2cStatus kI2cNack = 0x0402;
// The transfer did not finish in time (ETIMEDOUT; EBUSY: the bus stayed busy).
inline constexpr I2cStatus kI2cTimeout = 0x0403;
// The device address is held by a kernel driver bound to it on this bus (EBUSY from
// I2C_SLAVE, passed on as EADDRINUSE): nothing was sent. Unbind the driver; the backend
// never forces the address.
inline constexpr I2cStatus kI2cAddressHeld = 0x0404;
// Another master won the bus (EAGAIN).
inline constexpr I2cStatus kI2cArbitrationLost = 0x0405;
// The bridge cannot do the transfer: a write longer than it sends at once, a combined
// write-then-read it does not support, a transfer kind missing from its functionality
// (EOPNOTSUPP, or refused before sending). Nothing was sent.
inline constexpr I2cStatus kI2cBridgeCannot = 0x0406;
// The device broke the protocol: a block count beyond what the caller's buffer holds or
// the bus allows (EPROTO, EMSGSIZE, EBADMSG), or fewer bytes than asked for.
inline constexpr I2cStatus kI2cProtocol = 0x0407;
// The adapter went away (unplugged: ENODEV on the descriptor, ESHUTDOWN) or the device
// node cannot be used.
inline constexpr I2cStatus kI2cAdapterGone = 0x0408;
// A length or mode argument outside what the operation allows.
inline constexpr I2cStatus kI2cBadArgument = 0x0409;
// Any other failure the kernel reports (EIO and the rest).
inline constexpr I2cStatus kI2cBusError = 0x040A;

// The status of a failed kernel call (`err` = -errno, as I2cKernel returns it).
I2cStatus StatusOfErrno(int err);
// The operator's word for a status of this backend ("no acknowledge", "timeout", ...).
std::string I2cStatusText(I2cStatus status);

}  // namespace tester
