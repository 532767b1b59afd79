#include "page/diagnostics_report.h"

namespace vesko {

nlohmann::ordered_json diagnosticsReport(const DiagnosticsState& state) {
    nlohmann::ordered_json report = nlohmann::ordered_json::object();
    report["product"] = kDiagnosticsProduct;
    report["version"] = kDiagnosticsVersion;
    report["capturedAt"] = state.capturedAt;
    report["runtime"] = state.runtime;
    report["arguments"] = state.arguments;
    report["runtimeProbePassed"] = state.runtimeProbePassed;
    report["assetCount"] = state.assetCount;
    report["rules"] = state.rules;
    nlohmann::ordered_json tabs = nlohmann::ordered_json::array();
    for (const DiagnosticsTab& tab : state.tabs) {
        nlohmann::ordered_json entry = nlohmann::ordered_json::object();
        entry["profile"] = static_cast<std::int64_t>(tab.profileIndex) + 1;
        entry["localAssets"] = tab.localAssets;
        entry["dirty"] = tab.dirty;
        entry["loading"] = tab.loading;
        entry["ajaxBusy"] = tab.ajaxBusy;
        entry["blockedRequests"] = tab.blockedRequests;
        tabs.push_back(std::move(entry));
    }
    report["tabs"] = std::move(tabs);
    nlohmann::ordered_json failures = nlohmann::ordered_json::array();
    for (const DiagnosticsFailure& failure : state.processFailures) {
        nlohmann::ordered_json entry = nlohmann::ordered_json::object();
        entry["time"] = failure.time;
        entry["kind"] = failure.kind;
        entry["reason"] = failure.reason;
        entry["exitCode"] = failure.exitCode;
        entry["process"] = failure.process;
        entry["tab"] = failure.tab;
        failures.push_back(std::move(entry));
    }
    report["processFailures"] = std::move(failures);
    return report;
}

std::string diagnosticsText(const nlohmann::ordered_json& report) {
    // Invalid UTF-8 from a page's snapshot is replaced rather than failing the write.
    return report.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
}

void addPortalDiagnostics(nlohmann::ordered_json& report, std::string_view collectorResult) {
    nlohmann::ordered_json value = nlohmann::ordered_json::parse(collectorResult, nullptr, true, false);
    report.erase("portalDiagnostics");
    report["portalDiagnostics"] = std::move(value);
}

std::string_view portalDiagnosticsCollector() {
    return "(()=>{const out=[];const visit=(w)=>{try{const hook=w.__KORDIS_LOCAL_DIAGNOSTICS_204__;"
           "if(hook)out.push(hook.snapshot());const n=Math.min(w.frames.length,30);"
           "for(let i=0;i<n;i++)visit(w.frames[i]);}catch(e){}};visit(window);return out;})()";
}

}  // namespace vesko
