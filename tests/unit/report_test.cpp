// The diagnostics report and the self-test report, as written to disk.
#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

#include "page/diagnostics_report.h"
#include "selftest/self_test_report.h"

namespace vesko {
namespace {

using Json = nlohmann::ordered_json;

std::vector<std::string> keys(const Json& object) {
    std::vector<std::string> out;
    for (const auto& item : object.items()) out.push_back(item.key());
    return out;
}

TEST(DiagnosticsReport, MembersInTheirFixedOrder) {
    DiagnosticsState state;
    state.capturedAt = 1767225600123;
    state.tabs = {DiagnosticsTab{0, 0, false, false, false, Json::array({{{"host", "t.example"}}})}, DiagnosticsTab{4}};
    state.processFailures = {{1767225600000, "render-process-exited", "crashed", 3, "renderer", 1},
                             {1767225601000, "browser-process-exited", "unexpected", 1, "", -1}};
    const Json report = diagnosticsReport(state);
    EXPECT_EQ(keys(report), (std::vector<std::string>{"product", "version", "capturedAt", "runtime", "arguments",
                                                      "runtimeProbePassed", "assetCount", "rules", "tabs",
                                                      "processFailures"}));
    EXPECT_EQ(report["processFailures"][0],
              Json::parse(R"({"time":1767225600000,"kind":"render-process-exited","reason":"crashed","exitCode":3,)"
                          R"("process":"renderer","tab":1})"));
    EXPECT_EQ(report["processFailures"][1]["tab"], -1);
    EXPECT_EQ(report["capturedAt"], 1767225600123);
    ASSERT_EQ(report["tabs"].size(), 2u);
    EXPECT_EQ(keys(report["tabs"][0]),
              (std::vector<std::string>{"profile", "localAssets", "dirty", "loading", "ajaxBusy", "blockedRequests"}));
    // Profiles are numbered from one.
    EXPECT_EQ(report["tabs"][0]["profile"], 1);
    EXPECT_EQ(report["tabs"][1]["profile"], 5);
    EXPECT_EQ(report["tabs"][0]["blockedRequests"][0]["host"], "t.example");
}

TEST(DiagnosticsReport, TextIsIndentedUtf8WithOneFinalLineFeed) {
    DiagnosticsState state;
    state.runtime = "m\xC3\xABn";
    state.arguments = "bad \xFF byte";
    const std::string text = diagnosticsText(diagnosticsReport(state));
    EXPECT_TRUE(text.starts_with("{\n  \"product\": \"vesko-browser\",\n  \"version\": \"0.1.12\",\n")) << text;
    EXPECT_NE(text.find("\"runtime\": \"m\xC3\xABn\""), std::string::npos);  // not \u00eb
    // A page's snapshot may hold invalid UTF-8: it is replaced, not a failed report.
    EXPECT_NE(text.find("\"arguments\": \"bad \xEF\xBF\xBD byte\""), std::string::npos);
    EXPECT_TRUE(text.ends_with("\"tabs\": [],\n  \"processFailures\": []\n}\n"));
}

TEST(DiagnosticsReport, PortalDiagnosticsComeLastAndReplaceAnEarlierValue) {
    Json report = diagnosticsReport({});
    addPortalDiagnostics(report, R"([{"zones":3}])");
    addPortalDiagnostics(report, R"([{"zones":0}])");
    EXPECT_EQ(keys(report).back(), "portalDiagnostics");
    EXPECT_EQ(keys(report).size(), 11u);
    EXPECT_EQ(report["portalDiagnostics"][0]["zones"], 0);
    // A result that is no strict JSON leaves the report as it was.
    const Json before = report;
    EXPECT_ANY_THROW(addPortalDiagnostics(report, "[1] // c"));
    EXPECT_EQ(report, before);
}

TEST(SelfTestReport, PassingDocumentAndFailingChecks) {
    const SelfTestOutcome outcome = runSelfTestChecks();
    EXPECT_EQ(outcome.failures, 0);
    EXPECT_EQ(selfTestReportText(outcome.report),
              "{\n  \"product\": \"vesko-browser\",\n  \"version\": \"0.1.12\",\n  \"tests\": [\n    {\n"
              "      \"test\": \"portal_navigation_policy\",\n      \"pass\": true\n    }\n  ],\n"
              "  \"pass\": true\n}\n");
    Json report = newSelfTestReport();
    int failures = 0;
    runTestCase(report, "a", failures, [] { throw std::runtime_error("ASSERTION_FAILED"); });
    runTestCase(report, "b", failures, [] {});
    runTestCase(report, "c", failures, [] { throw std::out_of_range("INDEX"); });
    EXPECT_EQ(failures, 2);
    EXPECT_EQ(report["tests"].dump(), R"([{"test":"a","pass":false,"error":"ASSERTION_FAILED"},)"
                                      R"({"test":"b","pass":true},{"test":"c","pass":false,"error":"INDEX"}])");
    // Exceptions that are not standard ones are not the check's to swallow.
    EXPECT_THROW(runTestCase(report, "odd", failures, [] { throw 42; }), int);
    EXPECT_EQ(failures, 2);
}

}  // namespace
}  // namespace vesko
