#include "selftest/self_test_report.h"

#include <stdexcept>

#include "policy/portal_policy.h"

namespace vesko {
namespace {

// The report format's own version; tools that collect reports key on it.
constexpr std::string_view kReportVersion = "0.1.12";

void expect(bool condition) {
    if (!condition) throw std::runtime_error("ASSERTION_FAILED");
}

}  // namespace

nlohmann::ordered_json newSelfTestReport() {
    nlohmann::ordered_json report;
    report["product"] = "vesko-browser";
    report["version"] = kReportVersion;
    report["tests"] = nlohmann::ordered_json::array();
    return report;
}

void runTestCase(nlohmann::ordered_json& report, std::string_view name, int& failures,
                 const std::function<void()>& check) {
    nlohmann::ordered_json result;
    result["test"] = name;
    try {
        check();
        result["pass"] = true;
    } catch (const std::exception& error) {
        ++failures;
        result["pass"] = false;
        result["error"] = error.what();
    }
    report["tests"].push_back(std::move(result));
}

void checkPortalNavigationPolicy() {
    const std::string portal(PortalPolicy::portalHost());
    expect(PortalPolicy::isAllowedNavigation("https://" + portal + "/", false));
    expect(!PortalPolicy::isAllowedNavigation("https://" + portal + ".evil.test/", false));
    expect(!PortalPolicy::isAllowedNavigation("file:///C:/Windows/", false));
}

SelfTestOutcome runSelfTestChecks() {
    SelfTestOutcome outcome{newSelfTestReport(), 0};
    runTestCase(outcome.report, "portal_navigation_policy", outcome.failures, checkPortalNavigationPolicy);
    outcome.report["pass"] = outcome.failures == 0;
    return outcome;
}

std::string selfTestReportText(const nlohmann::ordered_json& report) {
    return report.dump(2) + "\n";
}

}  // namespace vesko
