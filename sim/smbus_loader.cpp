#include "sim/smbus_loader.h"

#include <algorithm>
#include <vector>

namespace tester {
namespace {

constexpr uint8_t kCmdPointer = 0x00;        // block [a0, a1, a2]: what 0x01 / 0x02 read
constexpr uint8_t kCmdInfo = 0x01;           // block read: signature or identity
constexpr uint8_t kCmdRowRead = 0x02;        // block read: instruction row a0
constexpr uint8_t kCmdRowWrite = 0x05;       // block [r, 0, 96 bytes]: write instruction row
constexpr uint8_t kCmdRowErase = 0x06;       // word 0x0000: erase instruction row 0
constexpr uint8_t kCmdExit = 0x08;           // send byte: run the firmware
constexpr uint8_t kCmdReadAddress = 0x09;    // word: data-flash bus address for 0x0C
constexpr uint8_t kCmdDataRead = 0x0C;       // block read: one row of data flash
constexpr uint8_t kCmdProbe = 0x0D;          // word read: ready value
constexpr uint8_t kCmdChecksum = 0x0E;       // word read: data-flash checksum
constexpr uint8_t kCmdProgramRow = 0x10;     // block [r, row bytes]: program data-flash row
constexpr uint8_t kCmdMassErase = 0x12;      // word 0x83DE: erase the data flash
constexpr uint16_t kRowEraseKey = 0x0000;
constexpr uint16_t kMassEraseKey = 0x83DE;
constexpr uint8_t kInfoSignature = 0x05;     // a2 of the pointer: signature bytes
constexpr uint8_t kInfoIdentity = 0x10;      // a2 of the pointer: firmware identity bytes
constexpr uint8_t kSignature[3] = {0x54, 0x54, 0x15};

bool IsBadRow(const PackDescription& pack, int row) {
  return std::find(pack.defects.bad_rows.begin(), pack.defects.bad_rows.end(), row) !=
         pack.defects.bad_rows.end();
}

}  // namespace

SimStatus SmbusLoader::WriteWord(uint8_t cmd, uint16_t word) {
  if (core_.Busy()) return kSimBusy;
  const GaugeTimings& t = core_.Pack().timings;
  if (cmd == kCmdRowErase && word == kRowEraseKey) {
    core_.Memory().EraseRow(0);
    ++core_.Counters().row_erases;
    core_.StartBusy(t.row_erase_ms);
    return kSimOk;
  }
  if (cmd == kCmdMassErase && word == kMassEraseKey) {
    core_.Memory().EraseDataFlash();
    ++core_.Counters().mass_erases;
    core_.StartBusy(t.mass_erase_ms);
    return kSimOk;
  }
  if (cmd == kCmdReadAddress) {
    read_address_ = word;
    return kSimOk;
  }
  return kSimCommandNack;
}

SimStatus SmbusLoader::ReadWord(uint8_t cmd, uint16_t& word) {
  if (cmd == kCmdProbe) {
    word = core_.Busy() ? kSimProbeBusy : kSimProbeReady;
    return kSimOk;
  }
  if (core_.Busy()) return kSimBusy;
  if (cmd == kCmdChecksum) {
    ++core_.Counters().checksums;
    uint16_t sum = core_.Memory().Checksum(core_.Pack().checksum_span);
    word = core_.Pack().defects.bad_checksum ? static_cast<uint16_t>(sum + 1) : sum;
    return kSimOk;
  }
  return kSimCommandNack;
}

SimStatus SmbusLoader::WriteBlock(uint8_t cmd, std::span<const uint8_t> data) {
  if (core_.Busy()) return kSimBusy;
  if (cmd == kCmdPointer && data.size() == 3) {
    std::copy(data.begin(), data.end(), pointer_);
    return kSimOk;
  }
  if (cmd == kCmdProgramRow) return ProgramDataRow(data);
  if (cmd == kCmdRowWrite) return WriteInstructionRow(data);
  return kSimCommandNack;
}

SimStatus SmbusLoader::ProgramDataRow(std::span<const uint8_t> data) {
  const PackDescription& pack = core_.Pack();
  if (data.size() != static_cast<size_t>(pack.row_size) + 1) return kSimCommandNack;
  int row = data[0];
  // A failing flash row takes the programming time but keeps its old bits.
  if (!IsBadRow(pack, row) &&
      !core_.Memory().ProgramDataFlash(row * pack.row_size, data.subspan(1))) {
    return kSimCommandNack;
  }
  ++core_.Counters().rows_programmed;
  core_.StartBusy(pack.timings.row_program_ms);
  return kSimOk;
}

SimStatus SmbusLoader::WriteInstructionRow(std::span<const uint8_t> data) {
  if (data.size() != 2 + kSimRowBytes || data[1] != 0) return kSimCommandNack;
  if (!core_.Memory().ProgramRow(data[0], data.subspan(2))) return kSimCommandNack;
  ++core_.Counters().row_writes;
  core_.StartBusy(core_.Pack().timings.row_program_ms);
  return kSimOk;
}

SimStatus SmbusLoader::ReadBlock(uint8_t cmd, std::vector<uint8_t>& data) {
  if (core_.Busy()) return kSimBusy;
  if (cmd == kCmdRowRead && pointer_[0] < kSimInstructionRows) {
    const InstructionRow& row = core_.Memory().Row(pointer_[0]);
    data.assign(row.begin(), row.end());
    return kSimOk;
  }
  if (cmd == kCmdInfo && pointer_[2] == kInfoSignature) {
    data.assign(std::begin(kSignature), std::end(kSignature));
    return kSimOk;
  }
  if (cmd == kCmdInfo && pointer_[2] == kInfoIdentity) {
    const InstructionRow& row = core_.Memory().Row(0);
    data.assign(row.begin() + kSimIdentityOffset, row.begin() + kSimIdentityOffset + 3);
    return kSimOk;
  }
  if (cmd == kCmdDataRead) {
    int offset = read_address_ - kSimDataFlashBase;
    int size = core_.Pack().row_size;
    if (offset < 0 || offset + size > kSimDataFlashSize) return kSimCommandNack;
    auto flash = core_.Memory().DataFlash();
    data.assign(flash.begin() + offset, flash.begin() + offset + size);
    return kSimOk;
  }
  return kSimCommandNack;
}

SimStatus SmbusLoader::SendByte(uint8_t cmd) {
  if (core_.Busy()) return kSimBusy;
  if (cmd != kCmdExit) return kSimCommandNack;
  core_.LeaveRom();
  return kSimOk;
}

}  // namespace tester
