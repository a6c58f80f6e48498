#include "engine/cli/run_json.h"

#include <QJsonDocument>
#include <QJsonObject>

#include "platform/automation/run_record_json.h"

namespace tester {

std::string RunReportJson(const CompletionReport& report, const RunRecord& record) {
  QJsonObject line = RunRecordToJson(record);
  line.insert("serial", QString::fromStdString(report.sSerial));
  line.insert("errCode", report.nErrCode);
  line.insert("extErrCode", report.nExtErrCode);
  line.insert("logFile", QString::fromStdString(report.sLogFile));
  line.insert("custom", QString::fromStdString(report.sCustomLogStr));
  return QJsonDocument(line).toJson(QJsonDocument::Compact).toStdString();
}

}  // namespace tester
