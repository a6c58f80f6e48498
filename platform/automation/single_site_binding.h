#pragma once
// The engine side's method table: serves every member of SingleSiteMembers under its name
// on an automation server. Results are objects: "value" holds the member's result (null
// for a member without one) and every by-reference parameter comes back under its name
// with its value after the call. A member that throws is answered with kRpcCallFailed and
// the exception's text; a parameter missing or of the wrong type with kRpcInvalidParams.
// After Quit has been answered the server's loop ends.
#include "platform/automation/automation_server.h"
#include "common/automation_contract.h"

namespace tester {

// `site` outlives the server's loop.
void BindSingleSite(AutomationServer& server, SingleSiteMembers& site);

}  // namespace tester
