#include "platform/automation/run_record_json.h"

#include <QJsonArray>
#include <QJsonValue>
#include <cmath>
#include <limits>

namespace tester {
namespace {

QString Text(const std::string& text) { return QString::fromStdString(text); }

template <std::size_t N>
QJsonArray Numbers(const std::array<int16_t, N>& values, std::size_t count = N) {
  QJsonArray out;
  for (std::size_t i = 0; i < count && i < N; ++i) out.append(values[i]);
  return out;
}

QJsonObject ComputedJson(const CalibrationResults& r) {
  return {{"cellGain", Numbers(r.CellGain)}, {"packGain", r.PackGain},
          {"ccOffsetTotal", r.CCOffsetTotal}, {"boardOffset", r.BoardOffset},
          {"ccGain", r.CCGain}, {"ccDelta", r.CCDelta}, {"tempOffsets", Numbers(r.TempOffset)}};
}

QJsonObject CheckedJson(const CalLimitReadings& r) {
  QJsonObject out;
  if (r.cell_gain) out.insert("cellGain", *r.cell_gain);
  if (r.sense_resistance) out.insert("senseResistance", *r.sense_resistance);
  if (r.temp_offsets) out.insert("tempOffsets", Numbers(*r.temp_offsets));
  return out;
}

QJsonArray StepsJson(const std::vector<RunStep>& steps) {
  QJsonArray out;
  for (const RunStep& s : steps) {
    out.append(QJsonObject{{"text", Text(s.text)}, {"status", s.status},
                           {"startMs", static_cast<double>(s.start_ms)},
                           {"durationMs", static_cast<double>(s.duration_ms)}});
  }
  return out;
}

QJsonArray MeasurementsJson(const std::vector<RunMeasurement>& measurements) {
  QJsonArray out;
  for (const RunMeasurement& m : measurements) {
    QJsonObject item{{"name", Text(m.name)}, {"value", m.value}, {"unit", Text(m.unit)}};
    if (m.low) item.insert("low", *m.low);
    if (m.high) item.insert("high", *m.high);
    out.append(item);
  }
  return out;
}

// Reads the members of an object, remembering the first one of a wrong type.
class Reader {
public:
  explicit Reader(const QJsonObject& object) : object_(object) {}

  void Text(const char* name, std::string& out) {
    const QJsonValue v = object_.value(name);
    if (v.isUndefined()) return;
    if (!v.isString()) return Fail(name);
    out = v.toString().toStdString();
  }
  template <typename T>
  void Whole(const char* name, T& out) {
    const QJsonValue v = object_.value(name);
    if (v.isUndefined()) return;
    const double d = v.toDouble();
    if (!v.isDouble() || std::trunc(d) != d || d < std::numeric_limits<T>::min() ||
        d > std::numeric_limits<T>::max()) {
      return Fail(name);
    }
    out = static_cast<T>(d);
  }
  void Real(const char* name, double& out) {
    const QJsonValue v = object_.value(name);
    if (v.isUndefined()) return;
    if (!v.isDouble()) return Fail(name);
    out = v.toDouble();
  }
  void Flag(const char* name, bool& out) {
    const QJsonValue v = object_.value(name);
    if (v.isUndefined()) return;
    if (!v.isBool()) return Fail(name);
    out = v.toBool();
  }
  QJsonArray Array(const char* name) {
    const QJsonValue v = object_.value(name);
    if (!v.isUndefined() && !v.isArray()) Fail(name);
    return v.toArray();
  }
  QJsonObject Object(const char* name) {
    const QJsonValue v = object_.value(name);
    if (!v.isUndefined() && !v.isObject()) Fail(name);
    return v.toObject();
  }
  bool Has(const char* name) const { return object_.contains(name); }
  void Fail(const std::string& name) {
    if (error.empty()) error = "record member " + name + " has the wrong type";
  }

  std::string error;

private:
  QJsonObject object_;
};

template <std::size_t N>
void ReadNumbers(Reader& parent, const QJsonArray& array, const char* name,
                 std::array<int16_t, N>& out) {
  if (array.size() > static_cast<qsizetype>(N)) return parent.Fail(name);
  for (qsizetype i = 0; i < array.size(); ++i) {
    const double d = array[i].toDouble();
    if (!array[i].isDouble() || std::trunc(d) != d || d < INT16_MIN || d > INT16_MAX) {
      return parent.Fail(name);
    }
    out[static_cast<std::size_t>(i)] = static_cast<int16_t>(d);
  }
}

}  // namespace

QJsonObject RunRecordToJson(const RunRecord& r) {
  QJsonObject out{{"serial", Text(r.serial)},
                  {"errCode", r.err_code},
                  {"extErrCode", r.ext_err_code},
                  {"outcome", QString::fromUtf8(OutcomeText(r.outcome))},
                  {"message", Text(r.message)},
                  {"completed", r.completed},
                  {"station", Text(r.adapter)},
                  {"stationName", Text(r.station)},
                  {"startedAt", Text(r.started_at)},
                  {"durationMs", static_cast<double>(r.duration_ms)},
                  {"software", Text(r.software_version)},
                  {"target", Text(r.target)},
                  {"version", Text(r.version_text)},
                  {"process", r.new_main ? "new-main" : "main"},
                  {"steps", StepsJson(r.steps)},
                  {"measurements", MeasurementsJson(r.measurements)}};
  if (r.computed || r.checked) {
    QJsonObject calibration;
    if (r.computed) calibration.insert("computed", ComputedJson(*r.computed));
    if (r.checked) calibration.insert("checked", CheckedJson(*r.checked));
    out.insert("calibration", calibration);
  }
  if (r.date_code) out.insert("dateCode", *r.date_code);
  if (!r.image_file.empty()) {
    out.insert("imageFile", Text(r.image_file));
    out.insert("imageSha256", Text(r.image_sha256));
  }
  if (!r.warnings.empty()) {
    QJsonArray warnings;
    for (const std::string& w : r.warnings) warnings.append(Text(w));
    out.insert("warnings", warnings);
  }
  return out;
}

std::optional<RunRecord> RunRecordFromJson(const QJsonObject& object, std::string& error) {
  RunRecord r;
  Reader in(object);
  in.Text("serial", r.serial);
  in.Whole("errCode", r.err_code);
  in.Whole("extErrCode", r.ext_err_code);
  std::string outcome;
  in.Text("outcome", outcome);
  if (!outcome.empty()) {
    if (const std::optional<RunOutcome> o = OutcomeFromText(outcome)) {
      r.outcome = *o;
    } else {
      in.Fail("outcome");
    }
  }
  in.Text("message", r.message);
  in.Flag("completed", r.completed);
  in.Text("station", r.adapter);
  in.Text("stationName", r.station);
  in.Text("startedAt", r.started_at);
  in.Whole("durationMs", r.duration_ms);
  in.Text("software", r.software_version);
  in.Text("target", r.target);
  in.Text("version", r.version_text);
  std::string process;
  in.Text("process", process);
  r.new_main = process == "new-main";
  for (const QJsonValue& v : in.Array("steps")) {
    Reader step(v.toObject());
    RunStep s;
    step.Text("text", s.text);
    step.Whole("status", s.status);
    step.Whole("startMs", s.start_ms);
    step.Whole("durationMs", s.duration_ms);
    if (!v.isObject() || !step.error.empty()) in.Fail("steps");
    r.steps.push_back(std::move(s));
  }
  for (const QJsonValue& v : in.Array("measurements")) {
    Reader item(v.toObject());
    RunMeasurement m;
    item.Text("name", m.name);
    item.Real("value", m.value);
    item.Text("unit", m.unit);
    if (item.Has("low")) item.Real("low", m.low.emplace());
    if (item.Has("high")) item.Real("high", m.high.emplace());
    if (!v.isObject() || !item.error.empty()) in.Fail("measurements");
    r.measurements.push_back(std::move(m));
  }
  const QJsonObject calibration = in.Object("calibration");
  Reader cal(calibration);
  if (calibration.contains("computed")) {
    Reader c(cal.Object("computed"));
    CalibrationResults v;
    ReadNumbers(in, c.Array("cellGain"), "calibration.computed.cellGain", v.CellGain);
    c.Whole("packGain", v.PackGain);
    c.Whole("ccOffsetTotal", v.CCOffsetTotal);
    c.Whole("boardOffset", v.BoardOffset);
    c.Real("ccGain", v.CCGain);
    c.Real("ccDelta", v.CCDelta);
    ReadNumbers(in, c.Array("tempOffsets"), "calibration.computed.tempOffsets", v.TempOffset);
    if (!c.error.empty()) in.Fail("calibration.computed");
    r.computed = v;
  }
  if (calibration.contains("checked")) {
    const QJsonObject checked = cal.Object("checked");
    Reader c(checked);
    CalLimitReadings v;
    if (checked.contains("cellGain")) c.Whole("cellGain", v.cell_gain.emplace());
    if (checked.contains("senseResistance")) {
      c.Whole("senseResistance", v.sense_resistance.emplace());
    }
    if (checked.contains("tempOffsets")) {
      ReadNumbers(in, c.Array("tempOffsets"), "calibration.checked.tempOffsets",
                  v.temp_offsets.emplace());
    }
    if (!c.error.empty()) in.Fail("calibration.checked");
    r.checked = v;
  }
  if (!cal.error.empty()) in.Fail("calibration");
  if (object.contains("dateCode")) in.Whole("dateCode", r.date_code.emplace());
  in.Text("imageFile", r.image_file);
  in.Text("imageSha256", r.image_sha256);
  for (const QJsonValue& v : in.Array("warnings")) {
    if (!v.isString()) in.Fail("warnings");
    r.warnings.push_back(v.toString().toStdString());
  }
  if (!in.error.empty()) {
    error = in.error;
    return std::nullopt;
  }
  return r;
}

}  // namespace tester
