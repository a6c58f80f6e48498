#include "components/cli/results_cli.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <cctype>
#include <cstdio>

#include "components/result_columns.h"

namespace tester {
namespace {

constexpr int kExitOk = 0;
constexpr int kExitCannotStart = 2;

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

QString Q(const std::string& text) { return QString::fromStdString(text); }

QJsonObject RunJson(const LoggedRun& run) {
  QJsonObject o;
  o["id"] = static_cast<qint64>(run.id);
  o["loggedAt"] = Q(run.logged_at);
  o["startedAt"] = Q(run.started_at);
  o["station"] = Q(run.station);
  if (run.socket) o["socket"] = *run.socket;
  o["adapter"] = Q(run.adapter);
  o["serial"] = Q(run.serial);
  o["outcome"] = Q(std::string(OutcomeText(run.outcome)));
  o["errCode"] = run.err_code;
  o["extErrCode"] = run.ext_err_code;
  o["message"] = Q(run.message);
  o["target"] = Q(run.target);
  o["version"] = Q(run.version_text);
  o["durationMs"] = static_cast<qint64>(run.duration_ms);
  o["logFile"] = Q(run.log_file);
  o["customLog"] = Q(run.custom_log);
  QJsonArray steps;
  for (const RunStep& step : run.steps) {
    steps.append(QJsonObject{{"text", Q(step.text)},
                             {"status", step.status},
                             {"startMs", static_cast<qint64>(step.start_ms)},
                             {"durationMs", static_cast<qint64>(step.duration_ms)}});
  }
  o["steps"] = steps;
  QJsonArray measurements;
  for (const LoggedMeasurement& m : run.measurements) {
    QJsonObject item{{"name", Q(m.measurement.name)},
                     {"value", m.measurement.value},
                     {"unit", Q(m.measurement.unit)},
                     {"passed", m.passed}};
    if (m.measurement.low) item["low"] = *m.measurement.low;
    if (m.measurement.high) item["high"] = *m.measurement.high;
    measurements.append(item);
  }
  o["measurements"] = measurements;
  return o;
}

void WriteCsv(const std::vector<LoggedRun>& runs, std::ostream& out) {
  out << CsvLine(ResultColumnNames());
  for (const LoggedRun& run : runs) out << CsvLine(ResultCells(run));
}

void WriteYield(const std::vector<StationYield>& yields, std::ostream& out) {
  out << "Station,First runs,Passed,First-pass yield (%)\r\n";
  for (const StationYield& y : yields) {
    char percent[16];
    std::snprintf(percent, sizeof percent, "%.1f", 100.0 * y.Yield());
    out << CsvLine({y.station, std::to_string(y.first_runs), std::to_string(y.passed), percent});
  }
}

}  // namespace

std::optional<ResultsArgs> MakeResultsArgs(const std::string& since, const std::string& station,
                                           const std::string& outcome,
                                           const std::string& format, bool yield,
                                           std::string& error) {
  ResultsArgs args;
  args.filter.since = since;
  args.filter.station = station;
  args.yield = yield;
  if (!outcome.empty()) {
    args.filter.outcome = OutcomeFromText(Upper(outcome));
    if (!args.filter.outcome) {
      error = "--outcome " + outcome + ": expects PASS, FAIL, ERROR or ABORTED";
      return std::nullopt;
    }
  }
  if (format.empty() || format == "csv") {
    args.format = ExportFormat::kCsv;
  } else if (format == "json") {
    args.format = ExportFormat::kJson;
  } else {
    error = "--format " + format + ": expects csv or json";
    return std::nullopt;
  }
  args.filter.details = args.format == ExportFormat::kJson;
  return args;
}

int RunResultsVerb(ResultQuery& log, const ResultsArgs& args, std::ostream& out,
                   std::ostream& err) {
  std::string error;
  if (args.yield) {
    const auto yields = log.FirstPassYield(args.filter, error);
    if (!yields) {
      err << "gangwright: " << error << "\n";
      return kExitCannotStart;
    }
    WriteYield(*yields, out);
    return kExitOk;
  }
  const auto runs = log.Runs(args.filter, error);
  if (!runs) {
    err << "gangwright: " << error << "\n";
    return kExitCannotStart;
  }
  if (args.format == ExportFormat::kCsv) {
    WriteCsv(*runs, out);
  } else {
    QJsonArray array;
    for (const LoggedRun& run : *runs) array.append(RunJson(run));
    out << QJsonDocument(array).toJson(QJsonDocument::Indented).toStdString();
  }
  return kExitOk;
}

}  // namespace tester
