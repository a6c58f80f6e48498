// Calibration runs as bus conversations: the SMBus run and its temperature-source patch,
// the register-style run of command sets 6 and 7.
#include "calibration/cal_run_register.h"
#include "calibration/cal_run_smbus.h"
#include "calibration/df_float.h"
#include "calibration/temp_sensor_select.h"
#include "common/status_codes.h"
#include "testing/replay_fixtures.h"
#include "testing/trace_lines.h"

namespace tester {
namespace {

using namespace trace;

constexpr uint8_t kMac = 0x00;

// --- temperature source (registers class at byte 556: page 17, byte 13) ---

class TempSourceTest : public CalReplayTest {
protected:
  TempSourceTest() {
    settings.COMMANDSET = 0;
    settings.RegistersClsID = 556;
  }
  static Bytes Page(uint8_t source) {
    Bytes page(32, 0x11);
    page[13] = source;
    return page;
  }
  static std::string Select() { return WriteWord(kMac, 0x0111); }
  CalOptions options;
};

TEST_F(TempSourceTest, SwitchesToTheInternalSensorAndReadsThePageBack) {
  options.IntTSCalEnabled = kTrue;
  Replay(Select() + ReadBlock(0x2F, Page(0x28)) + Select() + WriteBlock(0x2F, Page(0x20)) +
         Select() + ReadBlock(0x2F, Page(0x20)));
  EXPECT_EQ(SelectTempSensor(ctx, options), 0);
  ExpectTraceDone();
}

TEST_F(TempSourceTest, NothingToChangeWritesNothingAndADifferentReadBackIs65558) {
  options.TS1CalEnabled = kTrue;
  Replay(Select() + ReadBlock(0x2F, Page(0x28)));  // already the external sensor
  EXPECT_EQ(SelectTempSensor(ctx, options), 0);
  ExpectTraceDone();

  Replay(Select() + ReadBlock(0x2F, Page(0x20)) + Select() + WriteBlock(0x2F, Page(0x28)) +
         Select() + ReadBlock(0x2F, Page(0x20)));
  EXPECT_EQ(SelectTempSensor(ctx, options), kStatusMfrDataWriteFailed);
  ExpectTraceDone();
}

TEST_F(TempSourceTest, CommandSet5FlipsBitZeroAndBytesPastThePageAreRefused) {
  settings.COMMANDSET = 5;
  options.IntTSCalEnabled = kTrue;
  Replay(Select() + ReadBlock(0x2F, Page(0x29)) + Select() + WriteBlock(0x2F, Page(0x28)) +
         Select() + ReadBlock(0x2F, Page(0x28)));
  EXPECT_EQ(SelectTempSensor(ctx, options), 0);
  ExpectTraceDone();

  settings.RegistersClsID = 575;  // 575 mod 32 + 1 = 32: past the 32 bytes written back
  Replay("");
  EXPECT_EQ(SelectTempSensor(ctx, options), kStatusDfPositionOutOfBlock);
  ExpectTraceDone();
}

// --- SMBus run ---

class SmbusRunTest : public CalReplayTest {
protected:
  SmbusRunTest() {
    settings.COMMANDSET = 1;
    settings.QZMAC = kMac;
    settings.NumSamples = 1;
    settings.CalibrationClsID = 104;     // page 3
    settings.CCOffsetSampleOffset = 22;  // page byte 30
  }
  Status Run() { return RunCalibrationSMBus(ctx, config, options, kMac, 0x17); }
  static std::string Pass(unsigned mode, const Bytes& sample) {
    const Bytes opening = FullSample(0, mode & 0x7F, 0, 0, 0, 0, 0, 0);
    return WriteWord(kMac, 0xF000 | mode) + ReadBlock(0x23, opening) + ReadBlock(0x23, sample);
  }
  static Bytes Status57(unsigned byte1) { return {0x00, static_cast<uint8_t>(byte1)}; }

  CalOptions options;
};

TEST_F(SmbusRunTest, NothingRequestedIs5001WithoutTraffic) {
  Replay("");
  EXPECT_EQ(Run(), kStatusCalNothingRequested);
  ExpectTraceDone();
}

TEST_F(SmbusRunTest, TemperatureSourcePatchRunsEvenWhenNothingIsRequested) {
  settings.COMMANDSET = 0;
  settings.ToggleTempBit = 1;
  settings.RegistersClsID = 556;
  Replay(WriteWord(kMac, 0x0111) + ReadBlock(0x2F, Bytes(32, 0x00)));  // no known source
  EXPECT_EQ(Run(), kStatusCalNothingRequested);
  ExpectTraceDone();
}

TEST_F(SmbusRunTest, CoulombCounterOffsetRunFromModeToDataFlash) {
  options.CalCCOffset = kTrue;
  Bytes page = PageWithWord(30, 64);  // N = 64
  Bytes patched = page;
  patched[28] = 0xFF;  // CCOffsetTotal 64 x -3 = -192 at class offset 20
  patched[29] = 0x40;
  Replay(ReadBlock(0x57, Status57(0x80)) +                            // already in mode
         Pass(0x81, FullSample(1, 1, -2000, 3700, 0, 0, 0, 3700)) +  // with current
         Pass(0x82, FullSample(1, 2, -3, 3700, 0, 0, 0, 3700)) +     // offset
         ReadBlock(0x57, Status57(0x80)) + WriteWord(kMac, 0xF080) + WriteWord(kMac, 0x002D) +
         ReadBlock(0x57, Status57(0x00)) +                               // left the mode
         WriteWord(kMac, 0x0103) + ReadBlock(0x2F, page) +                // sample count
         WriteWord(kMac, 0x0103) + ReadBlock(0x2F, page) +                // class page
         WriteWord(kMac, 0x0103) + WriteBlock(0x2F, patched) +            // written
         WriteWord(kMac, 0x0103) + ReadBlock(0x2F, patched));             // and verified
  EXPECT_EQ(Run(), 0);
  ExpectTraceDone();
}

TEST_F(SmbusRunTest, ModeAndSamplingFailuresMapToTheirCodesAndStopTheRun) {
  options.CurrentCalEnabled = kTrue;
  Replay(ReadBlock(0x57, {}, 3));
  EXPECT_EQ(Run(), kStatusCalModeFailed);
  ExpectTraceDone();

  // The gauge is left in calibration mode: nothing more is sent.
  Replay(ReadBlock(0x57, Status57(0x80)) + WriteWord(kMac, 0xF081) + ReadBlock(0x23, {}, 4));
  EXPECT_EQ(Run(), kStatusCalSamplingFailed);
  ExpectTraceDone();
}

TEST_F(SmbusRunTest, SimultaneousModeSwitchesTheLoadOffBeforeTheOffsetPass) {
  board.CalBoardSetUse(1);
  options.CalVoltage = kTrue;
  options.CurrentCalEnabled = kTrue;
  options.CalSimultaneous = kTrue;
  options.CellCount = 1;
  options.RefVoltage1 = 3700;
  settings.BoardOffsetOffset = 24;  // page 4, byte 0
  Replay(ReadBlock(0x57, Status57(0x80)) +
         Pass(0x81, FullSample(1, 1, 2000, 7500, 0, 0, 0, 7500)) + BoardWrite(0x00) +
         BoardWrite(0x00) + Pass(0x82, FullSample(1, 2, 0, 7500, 0, 0, 0, 7500)) +
         ReadBlock(0x57, Status57(0x80)) + WriteWord(kMac, 0xF080) + WriteWord(kMac, 0x002D) +
         ReadBlock(0x57, Status57(0x00)) + WriteWord(kMac, 0x0103) +
         ReadBlock(0x2F, PageWithWord(30, 64)) + WriteWord(kMac, 0x0104) +
         ReadBlock(0x2F, PageWithWord(0, 0)));
  // Gains are range-checked before anything is written: 65536 x 3700 / 7500 = 32331
  // against a nominal of 20000 fails.
  config.VoltageCalEnabled = 1;
  config.CellCount = 1;
  config.NominalCellGain = 20000;
  config.CellGainTolerance = 5;
  EXPECT_EQ(Run(), kStatusGainHigh);
  ExpectTraceDone();
}

// --- register-style run, command set 7 ---

class I2CRunTest : public CalReplayTest {
protected:
  I2CRunTest() {
    settings.COMMANDSET = 7;
    settings.NumSamples = 2;
    settings.IntTSSupported = 1;
    settings.GGModeDFDelay = 10;
    settings.CB_I_SETTLE = 100;
    config.BoardOffsetValue = 5;  // round(5 x 64 / 4.7095) = 68
    config.NominalSenseResistor = 10;
    config.SenseResistorTolerance = 10;
    config.TempOffsetTolerance = 50;
    options.RefCurrentNeg = -1000;
    options.RefTemperature = 25.0f;
    options.RefVoltage1 = 3700;
    options.IntTSCalEnabled = kTrue;
  }
  Status Run() { return RunCalibrationI2C(ctx, config, options, kMac, 0xAA); }
  static std::string Control(unsigned word) { return RegWriteWord(0xAA, kMac, word); }
  static std::string SelectClass(unsigned cls) {
    return RegWriteBlock(0xAA, 0x3E, {static_cast<uint8_t>(cls), 0x00}) + BusStatus();
  }
  static std::string ReadClass(const Bytes& bytes) {
    return SelectClass(104) + RegReadBlock(0xAA, 0x40, 32, bytes);
  }
  static std::string WriteClass(const Bytes& bytes) {
    unsigned sum = 0;
    for (uint8_t b : bytes) sum += b;
    return SelectClass(104) + RegWriteBlock(0xAA, 0x40, bytes) +
           RegWriteByte(0xAA, 0x60, 0xFF - (sum & 0xFF)) + Pause(10) +
           RegReadByte(0xAA, 0x00, 0) + ReadClass(bytes);  // committed, then read back
  }
  static std::string CurrentSample(int value) {
    return RegReadBlock(0xAA, 0x79, 16,
                        {0x00, static_cast<uint8_t>(value & 0xFF),
                         static_cast<uint8_t>((value >> 8) & 0xFF), 0, 0, 0, 0, 0, 0, 0, 0, 0,
                         0, 0, 0, 0});
  }
  static Bytes ClassBytes() {
    Bytes bytes(32, 0x00);
    bytes[8] = 0xFF;  // CC offset -16
    bytes[9] = 0xF0;
    bytes[14] = 0x40;  // voltage gain 0x4000
    return bytes;
  }

  CalOptions options;
};

TEST_F(I2CRunTest, EveryStepOfCommandSet7InOrder) {
  board.CalBoardSetUse(1);
  options.CalCCOffset = kTrue;
  options.CalBoardOffset = kTrue;
  options.CurrentCalEnabled = kTrue;
  options.CalTemperature = kTrue;
  options.CalVoltage = kTrue;

  // Current: average 2000.5, corrected by (-16 + 68) / 16: D = 1997.25, gain 1000 / D.
  const double gain = 1000.0 / 1997.25;
  Bytes written = ClassBytes();
  const DFFloatBytes gain_bytes = EncodeDFFloatBytes(gain);
  const DFFloatBytes delta_bytes = EncodeDFFloatBytes(gain * 1193046.0);
  std::copy(gain_bytes.begin(), gain_bytes.end(), written.begin());
  std::copy(delta_bytes.begin(), delta_bytes.end(), written.begin() + 4);
  written[10] = 68;
  written[11] = 2;   // 25.0 degC against 2980 (24.8 degC)
  written[13] = 10;  // 3700 mV against 3690 mV

  Replay(Control(0x0000) + Control(0x000A) +                           // offset step
         Control(0x0000) + RegReadWord(0xAA, kMac, 0x0800) +            // still busy
         Control(0x0000) + RegReadWord(0xAA, kMac, 0x0000) +            // done
         Control(0x000B) +                                              // stored
         ReadClass(ClassBytes()) +                                      // class 104
         BoardWrite(0x04) + Pause(100) +                                // load on
         Control(0x002D) + Control(0x0081) +                            // calibration mode
         CurrentSample(2000) + CurrentSample(2001) +                    // two samples
         Control(0x0000) + Control(0x002D) + BoardWrite(0x00) +         // out, load off
         RegReadWord(0xAA, 40, 2980) +                                  // internal sensor
         RegReadWord(0xAA, 8, 3690) +                                   // voltage
         WriteClass(written));
  EXPECT_EQ(Run(), 0);
  ExpectTraceDone();
}

TEST_F(I2CRunTest, NothingRequestedIs5001AndTheOffsetStepAloneWritesNoClass) {
  Replay("");
  EXPECT_EQ(Run(), kStatusCalNothingRequested);
  ExpectTraceDone();

  options.CalCCOffset = kTrue;
  Replay(Control(0x0000) + Control(0x000A) + Control(0x0000) + RegReadWord(0xAA, kMac, 0) +
         Control(0x000B));
  EXPECT_EQ(Run(), 0);
  ExpectTraceDone();
}

TEST_F(I2CRunTest, OffsetStepThatNeverFinishesEndsAfterFiveSecondsWith5020) {
  options.CalCCOffset = kTrue;
  // A poll costs 100 + 50 + 1 + 100 + 1 ms: the twentieth ends past 5 s.
  const std::string busy = Control(0x0000) + RegReadWord(0xAA, kMac, 0x0800);
  Replay(Control(0x0000) + Control(0x000A) + Times(busy, 20));
  EXPECT_EQ(Run(), kStatusCalDoneTimeout);
  ExpectTraceDone();
}

TEST_F(I2CRunTest, ExternalSensorWithoutItsFlagIs65612) {
  settings.COMMANDSET = 6;
  settings.IntTSSupported = 0;
  options.CalTemperature = kTrue;
  Replay(ReadClass(ClassBytes()) + RegWriteByte(0xAA, 0x61, 0x00) +
         RegWriteBlock(0xAA, 0x3E, {0x40, 0x00}) + BusStatus() +
         RegReadBlock(0xAA, 0x40, 32, Bytes(32, 0x00)));
  EXPECT_EQ(Run(), kStatusExtSensorMissing);
  ExpectTraceDone();
}

TEST_F(I2CRunTest, CommandSet6ScalesTheGainWordAndChecksTheReference) {
  settings.COMMANDSET = 6;
  options.CalVoltage = kTrue;
  Bytes written = ClassBytes();
  written[14] = 0x40;  // 16384 x 3700 / 3690 = 16428.4 -> 0x402C
  written[15] = 0x2C;
  Replay(ReadClass(ClassBytes()) + RegReadWord(0xAA, 8, 3690) + WriteClass(written));
  EXPECT_EQ(Run(), 0);
  ExpectTraceDone();

  options.RefVoltage1 = 2798;
  Replay(ReadClass(ClassBytes()) + RegReadWord(0xAA, 8, 3690));
  EXPECT_EQ(Run(), kStatusGainLow);
  ExpectTraceDone();
}

TEST_F(I2CRunTest, TemperatureOffsetsBeyondASignedByteAreRefusedEvenWithinTolerance) {
  options.CalTemperature = kTrue;
  config.TempOffsetTolerance = 500;
  Replay(ReadClass(ClassBytes()) + RegReadWord(0xAA, 40, 2732));  // 0.0 degC: offset 250
  EXPECT_EQ(Run(), kStatusTempOffsetHigh);
  ExpectTraceDone();
}

TEST_F(I2CRunTest, ACorrectedCurrentOfZeroIs5025) {
  options.CurrentCalEnabled = kTrue;
  Replay(ReadClass(ClassBytes()) + Control(0x002D) + Control(0x0081) + CurrentSample(-1) +
         CurrentSample(-1) + Control(0x0000) + Control(0x002D));  // -1 - (-16 / 16) = 0
  EXPECT_EQ(Run(), kStatusCalCurrentZero);
  ExpectTraceDone();
}

TEST_F(I2CRunTest, ValuesWithoutARepresentationFailBeforeTheClassIsWritten) {
  options.CalBoardOffset = kTrue;
  config.BoardOffsetValue = 19;  // 258 steps: more than its byte holds
  Replay(ReadClass(ClassBytes()));
  EXPECT_EQ(Run(), kStatusBoardOffsetOutOfLimit);
  ExpectTraceDone();

  options.CalBoardOffset = kFalse;
  options.CurrentCalEnabled = kTrue;
  settings.NumSamples = 0;  // no average to form: refused before the load is switched
  Replay(ReadClass(ClassBytes()));
  EXPECT_EQ(Run(), kStatusCalCurrentFailed);
  ExpectTraceDone();

  options.CurrentCalEnabled = kFalse;
  options.CalVoltage = kTrue;
  settings.COMMANDSET = 6;
  Replay(ReadClass(ClassBytes()) + RegReadWord(0xAA, 8, 0));  // no voltage reading
  EXPECT_EQ(Run(), kStatusGainHigh);
  ExpectTraceDone();
}

}  // namespace
}  // namespace tester
