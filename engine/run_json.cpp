#include "engine/run_json.h"

#include <cmath>
#include <cstdio>
#include <sstream>

namespace tester {
namespace {

template <typename Range>
std::string JsonArray(const Range& values) {
  std::string out = "[";
  bool first = true;
  for (const auto& v : values) {
    if (!first) out += ",";
    first = false;
    out += std::to_string(v);
  }
  return out + "]";
}

// Doubles with enough digits to read back the same value; not-a-number has no JSON form.
std::string JsonNumber(double value) {
  if (!std::isfinite(value)) return "null";
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.9g", value);
  return buffer;
}

std::string ComputedJson(const CalibrationResults& r) {
  std::ostringstream out;
  out << "{\"cellGain\":" << JsonArray(r.CellGain) << ",\"packGain\":" << r.PackGain
      << ",\"ccOffsetTotal\":" << r.CCOffsetTotal << ",\"boardOffset\":" << r.BoardOffset
      << ",\"ccGain\":" << JsonNumber(r.CCGain) << ",\"ccDelta\":" << JsonNumber(r.CCDelta)
      << ",\"tempOffsets\":" << JsonArray(r.TempOffset) << "}";
  return out.str();
}

std::string CheckedJson(const CalLimitReadings& r) {
  std::ostringstream out;
  out << "{";
  const char* separator = "";
  if (r.cell_gain) {
    out << "\"cellGain\":" << *r.cell_gain;
    separator = ",";
  }
  if (r.sense_resistance) {
    out << separator << "\"senseResistance\":" << *r.sense_resistance;
    separator = ",";
  }
  if (r.temp_offsets) out << separator << "\"tempOffsets\":" << JsonArray(*r.temp_offsets);
  out << "}";
  return out.str();
}

std::string StepsJson(const std::vector<RunStep>& steps) {
  std::ostringstream out;
  out << "[";
  for (std::size_t i = 0; i < steps.size(); ++i) {
    const RunStep& s = steps[i];
    out << (i == 0 ? "" : ",") << "{\"text\":" << JsonString(s.text) << ",\"status\":" << s.status
        << ",\"startMs\":" << s.start_ms << ",\"durationMs\":" << s.duration_ms << "}";
  }
  out << "]";
  return out.str();
}

}  // namespace

std::string JsonString(std::string_view text) {
  std::string out = "\"";
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (byte < 0x20 || byte == 0x7F) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
          out += escaped;
        } else {
          out += c;
        }
    }
  }
  return out + "\"";
}

std::string RunReportJson(const CompletionReport& report, const RunRecord& record,
                          const std::string& station) {
  std::ostringstream out;
  out << "{\"serial\":" << JsonString(report.sSerial) << ",\"errCode\":" << report.nErrCode
      << ",\"extErrCode\":" << report.nExtErrCode
      << ",\"logFile\":" << JsonString(report.sLogFile)
      << ",\"custom\":" << JsonString(report.sCustomLogStr)
      << ",\"station\":" << JsonString(station)
      << ",\"durationMs\":" << record.duration_ms
      << ",\"version\":" << JsonString(record.version_text)
      << ",\"process\":" << JsonString(record.new_main ? "new-main" : "main")
      << ",\"steps\":" << StepsJson(record.steps);
  if (record.computed || record.checked) {
    out << ",\"calibration\":{";
    if (record.computed) out << "\"computed\":" << ComputedJson(*record.computed);
    if (record.checked) {
      out << (record.computed ? "," : "") << "\"checked\":" << CheckedJson(*record.checked);
    }
    out << "}";
  }
  if (record.date_code) out << ",\"dateCode\":" << *record.date_code;
  if (!record.image_file.empty()) {
    out << ",\"imageFile\":" << JsonString(record.image_file)
        << ",\"imageSha256\":" << JsonString(record.image_sha256);
  }
  if (!record.warnings.empty()) {
    out << ",\"warnings\":[";
    for (std::size_t i = 0; i < record.warnings.size(); ++i) {
      out << (i == 0 ? "" : ",") << JsonString(record.warnings[i]);
    }
    out << "]";
  }
  out << "}";
  return out.str();
}

}  // namespace tester
