#pragma once
// Value syntax of the jig file: numbers (decimal, 0x hexadecimal, negative), reals,
// yes/no flags, lists separated by blanks or commas, runs of hexadecimal byte digits.
// Each parser returns nothing on malformed text.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tester {

std::optional<int64_t> ParseJigInt(const std::string& text, int64_t min, int64_t max);
// A real from `min` to `max`: every real of the jig has the range its model can compute
// with (docs/jig-file.md gives each key's range).
std::optional<double> ParseJigReal(const std::string& text, double min, double max);
std::optional<bool> ParseJigFlag(const std::string& text);
std::vector<std::string> SplitJigList(const std::string& text);
std::optional<std::vector<int64_t>> ParseJigIntList(const std::string& text, int64_t min,
                                                    int64_t max);
// One to `max_count` reals, each from `min` to `max`.
std::optional<std::vector<double>> ParseJigRealList(const std::string& text, double min,
                                                    double max, std::size_t max_count);
// "5 7 20-22" -> 5 7 20 21 22, in ascending order, each row once.
std::optional<std::vector<int>> ParseJigRanges(const std::string& text, int min, int max);
// "0A0B FF" -> 0A 0B FF (blanks between digit pairs allowed).
std::optional<std::vector<uint8_t>> ParseJigHexBytes(const std::string& text);
std::string TrimJig(const std::string& text);

}  // namespace tester
