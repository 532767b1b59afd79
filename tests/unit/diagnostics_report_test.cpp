// The diagnostics report document.
#include <string>

#include <gtest/gtest.h>

#include "page/diagnostics_report.h"

namespace vesko {
namespace {

DiagnosticsState sampleState() {
    DiagnosticsState state;
    state.capturedAt = 1767225600123;
    state.runtime = "120.0.2210.91";
    state.arguments = "--disable-web-security --allow-running-insecure-content";
    state.runtimeProbePassed = true;
    state.assetCount = 7;
    state.rules = 9;
    DiagnosticsTab tab;
    tab.localAssets = 4;
    tab.dirty = true;
    tab.blockedRequests.push_back({{"host", "t.example"}, {"kind", "script"}, {"method", "GET"}});
    state.tabs.push_back(tab);
    state.tabs.push_back(DiagnosticsTab{});
    return state;
}

std::vector<std::string> keys(const nlohmann::ordered_json& object) {
    std::vector<std::string> out;
    for (const auto& item : object.items()) out.push_back(item.key());
    return out;
}

TEST(DiagnosticsReport, MembersInTheirFixedOrder) {
    const auto report = diagnosticsReport(sampleState());
    EXPECT_EQ(keys(report), (std::vector<std::string>{"product", "version", "capturedAt", "runtime", "arguments",
                                                      "runtimeProbePassed", "assetCount", "rules", "tabs"}));
    EXPECT_EQ(report["product"], "vesko-browser");
    EXPECT_EQ(report["version"], "0.1.12");
    EXPECT_EQ(report["capturedAt"], 1767225600123);
    ASSERT_EQ(report["tabs"].size(), 2u);
    EXPECT_EQ(keys(report["tabs"][0]),
              (std::vector<std::string>{"profile", "localAssets", "dirty", "loading", "ajaxBusy", "blockedRequests"}));
    EXPECT_EQ(report["tabs"][0]["profile"], 1);
    EXPECT_EQ(report["tabs"][0]["blockedRequests"][0]["host"], "t.example");
    EXPECT_EQ(report["tabs"][1]["blockedRequests"], nlohmann::ordered_json::array());
}

TEST(DiagnosticsReport, TextIsIndentedUtf8WithOneFinalLineFeed) {
    DiagnosticsState state;
    state.runtime = "m\xC3\xABn";
    const std::string text = diagnosticsText(diagnosticsReport(state));
    EXPECT_TRUE(text.starts_with("{\n  \"product\": \"vesko-browser\",\n  \"version\": \"0.1.12\",\n"));
    EXPECT_NE(text.find("\"runtime\": \"m\xC3\xABn\""), std::string::npos);  // not \u00eb
    EXPECT_NE(text.find("\"tabs\": []\n}\n"), std::string::npos);
    EXPECT_FALSE(text.ends_with("\n\n"));
}

TEST(DiagnosticsReport, PortalDiagnosticsComeLastAndReplaceAnEarlierValue) {
    auto report = diagnosticsReport(sampleState());
    addPortalDiagnostics(report, R"([{"zones":3},{"zones":0}])");
    EXPECT_EQ(keys(report).back(), "portalDiagnostics");
    EXPECT_EQ(report["portalDiagnostics"][0]["zones"], 3);
    addPortalDiagnostics(report, "[]");
    EXPECT_EQ(keys(report).size(), 10u);
    EXPECT_EQ(report["portalDiagnostics"], nlohmann::ordered_json::array());

    // A result that is no strict JSON leaves the report as it was.
    const auto before = report;
    EXPECT_ANY_THROW(addPortalDiagnostics(report, "[1] // c"));
    EXPECT_ANY_THROW(addPortalDiagnostics(report, ""));
    EXPECT_EQ(report, before);
}

TEST(DiagnosticsReport, CollectorVisitsAtMostThirtyFramesPerWindowAndSurvivesThrows) {
    const std::string_view script = portalDiagnosticsCollector();
    EXPECT_NE(script.find("__KORDIS_LOCAL_DIAGNOSTICS_204__"), std::string_view::npos);
    EXPECT_NE(script.find("snapshot()"), std::string_view::npos);
    EXPECT_NE(script.find("Math.min(w.frames.length,30)"), std::string_view::npos);
    EXPECT_NE(script.find("catch"), std::string_view::npos);
}

}  // namespace
}  // namespace vesko
