// matchAsset per request: the default pack over a realistic request mix, and packs of
// 10, 100 and 1,000 regular-expression rules, each walked with the prefilter and with the
// plain in-order scan. One benchmark iteration is one request, so Time is ns per request.
#include <fstream>
#include <iterator>
#include <string>

#include <benchmark/benchmark.h>

#include "asset_request_mix.h"
#include "default_rules_pack.h"
#include "assets/asset_pack.h"
#include "assets/asset_rules.h"

namespace {

using namespace vesko;
using Json = nlohmann::ordered_json;

RegexRuleScan scanOf(const benchmark::State& state, int argument) {
    return state.range(argument) == 0 ? RegexRuleScan::prefiltered : RegexRuleScan::inOrder;
}

void runMix(benchmark::State& state, const AssetPack& pack, const std::vector<bench::MixRequest>& mix,
            RegexRuleScan scan) {
    std::size_t next = 0;
    std::size_t answered = 0;
    for (auto _ : state) {
        const bench::MixRequest& request = mix[next];
        next = next + 1 == mix.size() ? 0 : next + 1;
        const AssetMatch match = explainAssetMatch(pack, request.url, "GET", request.kind, scan);
        answered += match.entry != nullptr;
        benchmark::DoNotOptimize(match);
    }
    state.counters["answered"] = benchmark::Counter(static_cast<double>(answered) / static_cast<double>(state.iterations()));
}

// Args: scan (0 prefiltered, 1 in order).
void BM_DefaultPackMix(benchmark::State& state) {
    static const auto mix = bench::defaultPackMix();
    runMix(state, bench::defaultRulesPack(), mix, scanOf(state, 0));
}
BENCHMARK(BM_DefaultPackMix)->ArgName("inOrder")->Arg(0)->Arg(1);

// One kind of request from the default mix at a time, to see where the time goes.
void BM_DefaultPackByStep(benchmark::State& state) {
    static const auto mix = bench::defaultPackMix();
    // Index ranges of the mix: exact, regex, version-query, file-name, CDN misses, portal, foreign.
    static const std::pair<std::size_t, std::size_t> kGroups[] = {{0, 5}, {5, 12}, {12, 14}, {14, 15},
                                                                  {15, 19}, {19, 22}, {22, 24}};
    const auto [first, last] = kGroups[state.range(0)];
    const std::vector<bench::MixRequest> group(mix.begin() + first, mix.begin() + last);
    runMix(state, bench::defaultRulesPack(), group, scanOf(state, 1));
}
BENCHMARK(BM_DefaultPackByStep)
    ->ArgNames({"group", "inOrder"})
    ->ArgsProduct({{0, 1, 2, 3, 4, 5, 6}, {0, 1}});

// Args: rule count, scan, and which requests (0 hits, 1 misses on the same CDN hosts).
void BM_RegexRuleGrowth(benchmark::State& state) {
    const auto rules = static_cast<std::size_t>(state.range(0));
    const AssetPack pack = parseAssetPack(bench::syntheticRegexPack(rules));
    auto mix = bench::syntheticMix(rules);
    if (state.range(2) == 0) {
        mix.erase(mix.begin() + 8, mix.end());
    } else {
        mix.erase(mix.begin(), mix.begin() + 8);
        mix.pop_back();  // the foreign host is refused before any rule is tried
    }
    runMix(state, pack, mix, scanOf(state, 1));
}
BENCHMARK(BM_RegexRuleGrowth)
    ->ArgNames({"rules", "inOrder", "miss"})
    ->ArgsProduct({{10, 100, 1000}, {0, 1}, {0, 1}});

}  // namespace
