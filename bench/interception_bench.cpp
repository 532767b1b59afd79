// The per-request decisions of the portable core: what the interception does with one
// request (policy, pack rules, header block or refusal record), and the decoding of one
// page message. One iteration is one request or one message.
#include <fstream>
#include <iterator>
#include <string>

#include <benchmark/benchmark.h>

#include "asset_request_mix.h"
#include "default_rules_pack.h"
#include "assets/asset_pack.h"
#include "assets/resource_decision.h"
#include "assets/runtime_probe_page.h"
#include "assets/synthetic_response.h"
#include "page/web_message.h"
#include "policy/compiled_config.h"

namespace {

using namespace vesko;
using Json = nlohmann::ordered_json;

// Everything the handler computes before it talks to the engine: the decision, then the
// header block of a pack file or the refusal record (on a list that is already full, as
// on a busy page).
void decideAndPrepare(const AssetPack& pack, const bench::MixRequest& request, const ProbeServing& probe,
                      Json& records, std::size_t& served, std::size_t& refused) {
    // Read once, as the handler does: the decision and the refusal record share the parse.
    const PolicyUrl url(request.url);
    const ResourceDecision decision = decideResourceRequest(pack, url, "GET", request.kind, probe);
    switch (decision.action) {
        case ResourceAction::packFile: {
            const std::string headers = responseHeaders(decision.entry->mime, decision.entry->size, true);
            benchmark::DoNotOptimize(headers.data());
            ++served;
            break;
        }
        case ResourceAction::refuse: {
            noteBlockedRequest(records, url, request.kind, "GET");
            const std::string headers = responseHeaders(decision.answer.contentType, decision.answer.body.size(), false);
            benchmark::DoNotOptimize(headers.data());
            ++refused;
            break;
        }
        default:
            benchmark::DoNotOptimize(decision);
    }
}

// Args: 0 the default request mix; 1 the same while a probe runs.
void BM_ResourceDecisionMix(benchmark::State& state) {
    static const auto mix = bench::defaultPackMix();
    const std::string nonce = "00112233445566778899aabbccddeeff";
    const ProbeServing probe{state.range(0) == 1, nonce};
    Json records = Json::array();
    std::size_t next = 0, served = 0, refused = 0;
    for (auto _ : state) {
        decideAndPrepare(bench::defaultRulesPack(), mix[next], probe, records, served, refused);
        next = next + 1 == mix.size() ? 0 : next + 1;
    }
    const auto n = static_cast<double>(state.iterations());
    state.counters["served"] = benchmark::Counter(static_cast<double>(served) / n);
    state.counters["refused"] = benchmark::Counter(static_cast<double>(refused) / n);
}
BENCHMARK(BM_ResourceDecisionMix)->ArgName("probeRunning")->Arg(0)->Arg(1);

// Args: 0 a pack hit, 1 a pass-through (portal file), 2 a refusal.
void BM_ResourceDecisionOne(benchmark::State& state) {
    static const bench::MixRequest kRequests[] = {
        {"https://code.jquery.com/jquery-3.7.1.min.js", "script"},
        {"https://" + std::string(config::kPortalHost) + "/js/portal.js", "script"},
        {"https://tracker.example/collect.js", "script"},
    };
    const bench::MixRequest& request = kRequests[state.range(0)];
    Json records = Json::array();
    std::size_t served = 0, refused = 0;
    for (auto _ : state) decideAndPrepare(bench::defaultRulesPack(), request, {}, records, served, refused);
}
BENCHMARK(BM_ResourceDecisionOne)->ArgName("case")->DenseRange(0, 2);

// One message of each type as the page scripts send it, from a portal page.
void BM_WebMessageDecode(benchmark::State& state) {
    const std::string nonce = "00112233445566778899aabbccddeeff";
    const std::string portal = "https://" + std::string(config::kPortalHost);
    const std::string messages[] = {
        R"({"type":"vesk-activity","busy":true})",
        R"({"type":"vesko-dirty","dirty":true})",
        R"({"type":"vesk-zone-result","rows":12,"status":200})",
        R"({"type":"vesk-open-background","url":")" + portal + R"(/ndertesa-12.html"})",
        R"({"type":"vesko-probe","nonce":")" + nonce + R"(","cors":true,"mixed":true})",
    };
    const std::string& message = messages[state.range(0)];
    const std::string source = state.range(0) == 4 ? probeAddresses(nonce).index : portal + "/ndertesat.html";
    const WebMessageContext context{true, nonce, true};
    for (auto _ : state) {
        const WebMessageDecision decision = decodeWebMessage(source, message, context);
        benchmark::DoNotOptimize(decision);
    }
}
BENCHMARK(BM_WebMessageDecode)->ArgName("type")->DenseRange(0, 4);

// The largest message that is still parsed, and one byte more, which is dropped unread.
void BM_WebMessageLimit(benchmark::State& state) {
    const std::string head = R"({"type":"vesk-activity","busy":true,"pad":")";
    const std::string tail = R"("})";
    const std::size_t size = 16384 + static_cast<std::size_t>(state.range(0));
    const std::string message = head + std::string(size - head.size() - tail.size(), 'x') + tail;
    const std::string source = "https://" + std::string(config::kPortalHost) + "/";
    for (auto _ : state) {
        const WebMessageDecision decision = decodeWebMessage(source, message, {});
        benchmark::DoNotOptimize(decision);
    }
}
BENCHMARK(BM_WebMessageLimit)->ArgName("overBy")->Arg(0)->Arg(1);

}  // namespace
