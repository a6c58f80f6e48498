// Jig text: good files (default jig, documented example, every key) and bad ones, whose
// errors must name the line and the fault.
#include <sys/stat.h>

#include <clocale>
#include <fstream>
#include <sstream>

#include "sim/default_jig.h"
#include "sim/tests/sim_test_support.h"

namespace tester {
namespace {

using simtest::kAdapterA;
using simtest::kAdapterB;

std::string ErrorOf(const std::string& text) {
  std::string error;
  EXPECT_FALSE(ParseJigText(text, error).has_value()) << text;
  return error;
}

TEST(JigParser, DefaultJigHasFourFamiliesWithQueues) {
  JigDescription jig = simtest::MustParse(DefaultJigText());
  ASSERT_EQ(jig.adapters.size(), 4u);
  const int families[4] = {1, 5, 7, 2};
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(jig.adapters[i].identifier.size(), 32u);
    ASSERT_GE(jig.adapters[i].packs.size(), 2u);
    EXPECT_EQ(jig.adapters[i].packs[0].family, families[i]);
    EXPECT_NE(jig.adapters[i].packs[0].data_flash.seed, 0u);
  }
  EXPECT_EQ(jig.adapters[0].packs[0].device_type, 0x0800);
  EXPECT_EQ(jig.adapters[0].packs[0].firmware, 0x0102);
  EXPECT_TRUE(jig.adapters[3].advanced_board);
}

// The built-in jig is demo/default.jig byte for byte: a stale or cut build-in would run
// every default test on another jig than the one the file shows.
TEST(JigParser, DefaultJigIsTheDemoJigFile) {
  std::ifstream in(std::string(TESTER_SOURCE_DIR) + "/demo/default.jig", std::ios::binary);
  ASSERT_TRUE(in);
  std::stringstream file;
  file << in.rdbuf();
  EXPECT_EQ(DefaultJigText(), file.str());
}

TEST(JigParser, DocumentedExampleParses) {
  std::ifstream in(std::string(TESTER_SOURCE_DIR) + "/docs/jig-file.md");
  ASSERT_TRUE(in);
  std::stringstream doc;
  doc << in.rdbuf();
  std::string text = doc.str();
  size_t example = text.find("## Example");
  ASSERT_NE(example, std::string::npos);
  size_t open = text.find("```\n", example);
  size_t close = text.find("```", open + 4);
  JigDescription jig = simtest::MustParse(text.substr(open + 4, close - open - 4));
  ASSERT_EQ(jig.adapters.size(), 2u);
  EXPECT_EQ(jig.adapters[0].packs.size(), 2u);
  EXPECT_EQ(jig.adapters[0].packs[1].defects.fail_at, 40);
  EXPECT_FALSE(jig.adapters[1].cal_board);
  EXPECT_TRUE(jig.adapters[1].packs[0].defects.readback_corrupt);
  EXPECT_EQ(FindClass(jig.adapters[1].packs[0].classes, 104)->address, 0x0300);
}

TEST(JigParser, ReadsEveryKindOfValue) {
  std::string text = std::string("# station one\n\n[adapter ") +
                     "0123456789abcdef0123456789ABCDEF]  # lower case is normalised\n"
                     "cal_board = no\nsensors = 0x90, 0x92\nambient_c = 23.5\n"
                     "[pack]\nfamily = 6\ndevice_type = 0x0100\nidentity = 0xABCDEF\n"
                     "old_firmware = true\nrom_word = 3840\ndf_blank_rows = 1 4-6\n"
                     "df_data = 16 0A0b FF\nirow1 = 95 7E\nclass = 300 0x0600 96\n"
                     "true_cell_mv = 3700, 3701.5\ntrue_sense_mohm = 9.98\n"
                     "fail_at = 3\nfail_from = 9\nbad_rows = 2-3\nbus_stuck = on\n"
                     "commit_ms = 0\n";
  JigDescription jig = simtest::MustParse(text);
  const AdapterDescription& a = jig.adapters.at(0);
  EXPECT_EQ(a.identifier, "0123456789ABCDEF0123456789ABCDEF");
  EXPECT_FALSE(a.cal_board);
  EXPECT_EQ(a.sensors, (std::vector<uint8_t>{0x90, 0x92}));
  EXPECT_DOUBLE_EQ(a.ambient_c, 23.5);
  const PackDescription& p = a.packs.at(0);
  EXPECT_EQ(p.family, 6);
  EXPECT_EQ(p.identity, 0xABCDEFu);
  EXPECT_TRUE(p.old_firmware);
  EXPECT_EQ(p.rom_word, 0x0F00);
  EXPECT_EQ(p.data_flash.blank_rows, (std::vector<int>{1, 4, 5, 6}));
  ASSERT_EQ(p.data_flash.patches.size(), 1u);
  EXPECT_EQ(p.data_flash.patches[0].bytes, (std::vector<uint8_t>{0x0A, 0x0B, 0xFF}));
  EXPECT_EQ(p.irow_patches[1].at(0).offset, 95);
  EXPECT_EQ(FindClass(p.classes, 300)->length, 96);
  EXPECT_EQ(p.truth.cell_mv, (std::vector<double>{3700, 3701.5}));
  EXPECT_EQ(p.defects.bad_rows, (std::vector<int>{2, 3}));
  EXPECT_TRUE(p.defects.bus_stuck);
  EXPECT_EQ(p.timings.commit_ms, 0);
  EXPECT_EQ(p.timings.mass_erase_ms, 200) << "untouched default";
}

TEST(JigParser, EmptyTextIsAJigWithoutAdapters) {
  EXPECT_TRUE(simtest::MustParse("# nothing\n\n").adapters.empty());
}

TEST(JigParser, ErrorsNameTheLine) {
  std::string adapter = std::string("[adapter ") + kAdapterA + "]\n";
  EXPECT_EQ(ErrorOf(adapter + "[pack]\nfmware = 1\n"), "line 3: unknown pack key \"fmware\"");
  EXPECT_EQ(ErrorOf(adapter + "colour = red\n"), "line 2: unknown adapter key \"colour\"");
  EXPECT_EQ(ErrorOf("\n[pack]\n"),
            "line 2: pack outside an adapter: put an [adapter ...] section first");
  EXPECT_EQ(ErrorOf("family = 1\n"), "line 1: key \"family\" outside any section");
  EXPECT_EQ(ErrorOf(adapter + "[pack]\n\ndevice_type = 0x1G\n"),
            "line 4: bad value \"0x1G\" for device_type: expects a whole number from 0 to 65535");
  EXPECT_EQ(ErrorOf(adapter + "[pack]\ndevice_type = 70000\n").substr(0, 8), "line 3: ");
  EXPECT_EQ(ErrorOf(adapter + "[pack]\nfamily\n"),
            "line 3: expected \"key = value\" or a [section] header");
  EXPECT_EQ(ErrorOf(adapter + "[adapter " + kAdapterB + "]\n[adapter " + kAdapterA + "]\n"),
            std::string("line 3: duplicate adapter identifier ") + kAdapterA +
                " (first at line 1)");
  EXPECT_EQ(ErrorOf("[adapter 12345]\n"),
            "line 1: adapter identifier must be 32 hexadecimal digits, got \"12345\"");
  EXPECT_EQ(ErrorOf("[adapter 0000000000000000000000000000000Z]\n").substr(0, 8), "line 1: ");
  EXPECT_EQ(ErrorOf("[station 1]\n"),
            "line 1: unknown section [station]; expected [adapter ...] or [pack]");
  EXPECT_EQ(ErrorOf("[adapter " + std::string(kAdapterA) + "\n"),
            "line 1: section header without closing ']'");
}

TEST(JigParser, BadValuesOfEachKind) {
  std::string head = std::string("[adapter ") + kAdapterA + "]\n[pack]\n";
  for (const char* line : {"old_firmware = maybe", "df_data = 2047 0A0B", "df_data = 5 ABC",
                           "df_blank_rows = 6-4", "class = 48 2000 64", "class = 48 0x100",
                           "true_sense_mohm = ten", "fail_at = 0", "row_size = 0",
                           "mass_erase_ms = -1", "irow0 = 96 00", "checksum_span = 4096",
                           "true_sense_mohm = 0", "true_cell_mv = 3700 3700 3700 3700 3700",
                           "true_temp_error_c = 0 0 51", "true_pack_gain_error = -1.5"}) {
    std::string error = ErrorOf(head + line + "\n");
    EXPECT_EQ(error.rfind("line 3: bad value", 0), 0u) << line << " -> " << error;
  }
  // Reals beyond what the pack models compute with would overflow their sums.
  EXPECT_EQ(ErrorOf(head + "true_cc_offset_uv = 1e9\n"),
            "line 3: bad value \"1e9\" for true_cc_offset_uv: expects an offset in uV from "
            "-1000 to 1000");
  EXPECT_EQ(ErrorOf(head + "fail_at = 9\nfail_from = 4\n"),
            "line 2: fail_at lies after fail_from: it would never show");
}

TEST(JigParser, FileErrorsNameThePath) {
  std::string error;
  EXPECT_FALSE(ParseJigFile("/nonexistent/jig.txt", error));
  EXPECT_EQ(error,
            "cannot read jig file: cannot open /nonexistent/jig.txt: No such file or directory");

  simtest::LockDir dir;
  std::string path = dir.Path() + "/bad.jig";
  std::ofstream(path) << "[adapter " << kAdapterA << "]\nspeed = 3\n";
  EXPECT_FALSE(ParseJigFile(path, error));
  EXPECT_EQ(error, path + ": line 2: unknown adapter key \"speed\"");
}

// Row lists are a set of rows: repeats and overlapping ranges are merged before they are
// expanded, so a long line of full ranges cannot take the memory of the station.
TEST(JigParser, RowListsAreMergedNotMultiplied) {
  PackDescription p =
      simtest::MustParse(simtest::OnePackJig("bad_rows = 7 5-6 6 7 2")).adapters[0].packs[0];
  EXPECT_EQ(p.defects.bad_rows, (std::vector<int>{2, 5, 6, 7}));

  std::string line = "df_blank_rows =";
  for (int i = 0; i < 5000; ++i) line += " 0-2047";
  p = simtest::MustParse(simtest::OnePackJig(line)).adapters[0].packs[0];
  ASSERT_EQ(p.data_flash.blank_rows.size(), 2048u);
  EXPECT_EQ(p.data_flash.blank_rows.back(), 2047);
}

TEST(JigParser, RealsAreDecimalOnly) {
  std::string head = std::string("[adapter ") + kAdapterA + "]\n";
  EXPECT_EQ(simtest::MustParse(head + "ambient_c = +2.5\n").adapters[0].ambient_c, 2.5);
  EXPECT_EQ(simtest::MustParse(head + "ambient_c = -.5\n").adapters[0].ambient_c, -0.5);
  for (const char* value : {"0x1p3", "+-1", "1e999", "nan", "inf", "2,5", "+"}) {
    EXPECT_EQ(ErrorOf(head + "ambient_c = " + value + "\n").rfind("line 2: bad value", 0), 0u)
        << value;
  }
}

// The station programs run under the user's locale; a comma-decimal locale must not make
// "24.5" unreadable.
TEST(JigParser, RealsIgnoreTheLocale) {
  const std::string saved = std::setlocale(LC_NUMERIC, nullptr);
  if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") == nullptr) {
    GTEST_SKIP() << "no comma-decimal locale installed";
  }
  std::string error;
  auto jig = ParseJigText(std::string("[adapter ") + kAdapterA + "]\nambient_c = 24.5\n", error);
  std::setlocale(LC_NUMERIC, saved.c_str());
  ASSERT_TRUE(jig) << error;
  EXPECT_EQ(jig->adapters[0].ambient_c, 24.5);
}

// Errors quote the file, but a NUL or an escape sequence in it must not cut or garble the
// message, and a huge line is not copied whole into it.
TEST(JigParser, ErrorsQuoteTheFileSafely) {
  std::string head = std::string("[adapter ") + kAdapterA + "]\n[pack]\n";
  EXPECT_EQ(ErrorOf(head + std::string("family = 1\0\x1B[2J\n", 16)),
            "line 3: bad value \"1\\x00\\x1B[2J\" for family: expects a whole number from 0 "
            "to 999");
  std::string error = ErrorOf(head + "family = " + std::string(1'000'000, '7') + "\n");
  EXPECT_EQ(error, "line 3: bad value \"" + std::string(60, '7') +
                       "...\" for family: expects a whole number from 0 to 999");
  // A cut never splits a UTF-8 character: 59 ASCII bytes, then a two-byte character.
  error = ErrorOf(head + std::string(59, 'a') + "\xC3\xBC" + "xyz = 1\n");
  EXPECT_EQ(error, "line 3: unknown pack key \"" + std::string(59, 'a') + "...\"");
}

TEST(JigParser, ByteOrderMarkAndLineEndsAreTolerated) {
  JigDescription jig = simtest::MustParse(std::string("\xEF\xBB\xBF[adapter ") + kAdapterA +
                                          "]\r\ncal_board = no\r\n[pack x]\r\nfamily = 7");
  ASSERT_EQ(jig.adapters.size(), 1u);
  EXPECT_FALSE(jig.adapters[0].cal_board);
  ASSERT_EQ(jig.adapters[0].packs.size(), 1u);
  EXPECT_EQ(jig.adapters[0].packs[0].family, 7);
  EXPECT_EQ(jig.adapters[0].packs[0].label, "x");
}

// A folder opens and reads as empty; it must not pass for a jig without stations.
TEST(JigParser, FolderIsNotAJigFile) {
  simtest::LockDir dir;
  std::string error;
  EXPECT_FALSE(ParseJigFile(dir.Path(), error));
  EXPECT_EQ(error, "cannot read jig file: cannot read " + dir.Path() + ": Is a directory");
}

// A pipe without a writer would block the program for good: it is refused unopened.
TEST(JigParser, PipeIsNotAJigFile) {
  simtest::LockDir dir;
  const std::string path = dir.Path() + "/jig.pipe";
  ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
  std::string error;
  EXPECT_FALSE(ParseJigFile(path, error));
  EXPECT_EQ(error, "cannot read jig file: cannot read " + path + ": not a regular file");
}

}  // namespace
}  // namespace tester
