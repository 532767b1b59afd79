#pragma once

#include <functional>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

namespace vesko {

inline constexpr std::string_view kSelfTestReportName = "Vesko_self_test.json";

// {"product", "version", "tests": []}; "pass" is added once every check has run.
nlohmann::ordered_json newSelfTestReport();

// Runs one check and appends its result; a standard exception counts as a failure
// and its message is recorded. Other exceptions are not the check's to swallow.
void runTestCase(nlohmann::ordered_json& report, std::string_view name, int& failures,
                 const std::function<void()>& check);

// The navigation policy admits the portal start address and refuses a look-alike host
// and a local file; throws "ASSERTION_FAILED" at the first answer that is wrong.
void checkPortalNavigationPolicy();

// Runs every offline check; returns the finished report and the number of failures.
struct SelfTestOutcome {
    nlohmann::ordered_json report;
    int failures = 0;
};
SelfTestOutcome runSelfTestChecks();

// The report as written to disk: indent 2 and a final line feed.
std::string selfTestReportText(const nlohmann::ordered_json& report);

}  // namespace vesko
