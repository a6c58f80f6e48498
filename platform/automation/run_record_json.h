#pragma once
// A run's record as a JSON object: the `record` of the Completed event and the body of the
// console run's report line (docs/run-report.md names every member). Reading it back is
// lenient about what it does not know (a newer engine may add members) and strict about
// the types of what it does.
#include <QJsonObject>
#include <optional>
#include <string>

#include "common/run_record.h"

namespace tester {

QJsonObject RunRecordToJson(const RunRecord& record);

// nullopt with `error` naming the member when a known member has the wrong type.
std::optional<RunRecord> RunRecordFromJson(const QJsonObject& object, std::string& error);

}  // namespace tester
