// Per-request cost of the URL policy: every sub-resource a portal page loads is parsed
// and checked once on the UI thread.
#include <array>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "policy/compiled_config.h"
#include "policy/portal_policy.h"
#include "policy/resource_kind.h"
#include "policy/url_parser.h"

namespace {

struct Request {
    std::string url;
    vesko::ResourceKind kind;
};

// Roughly what one portal page asks for: its own documents and calls, pinned libraries
// from the CDN hosts, a few inline images, and some foreign or malformed addresses.
std::vector<Request> requestMix() {
    const std::string portal(vesko::config::kPortalHost);
    const std::string cdn0(vesko::config::kCdnHosts[0]);
    const std::string cdn1(vesko::config::kCdnHosts[1]);
    const std::string cdn6(vesko::config::kCdnHosts[6]);
    using namespace vesko;
    return {
        {"https://" + portal + "/", ResourceKind::document},
        {"https://" + portal + "/zone/list?region=7&lang=sq", ResourceKind::xmlHttpRequest},
        {"https://" + portal + "/static/css/main.4f2a9c.css", ResourceKind::stylesheet},
        {"https://" + portal + "/static/js/app.91bd03.js", ResourceKind::script},
        {"https://" + portal + "/api/v2/documents/48213/attachments?page=2#list", ResourceKind::xmlHttpRequest},
        {"https://" + portal + "/img/logo.svg", ResourceKind::image},
        {"blob:https://" + portal + "/6a1f0d3e-6f2b-4c1e-9a57-2b1d4e8c9f10", ResourceKind::other},
        {"https://" + cdn0 + "/ajax/libs/jquery/3.7.1/jquery.min.js", ResourceKind::script},
        {"https://" + cdn0 + "/ajax/libs/font-awesome/6.5.1/css/all.min.css", ResourceKind::stylesheet},
        {"https://" + cdn1 + "/npm/bootstrap@5.3.3/dist/js/bootstrap.bundle.min.js", ResourceKind::script},
        {"https://" + cdn6 + "/s/roboto/v30/KFOmCnqEu92Fr1Mu4mxK.woff2", ResourceKind::font},
        {"data:image/png;base64,iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlEQVR42mNkYPhfDwAChwGA60e6kgAAAABJRU5ErkJggg==",
         ResourceKind::image},
        {"https://www.google-analytics.com/analytics.js", ResourceKind::script},
        {"https://tracker.example.net/pixel.gif?id=17", ResourceKind::image},
        {"https://" + portal + ":8443/admin", ResourceKind::document},
        {"https://user@" + portal + "/", ResourceKind::document},
    };
}

void reportPerUrl(benchmark::State& state, std::size_t urlsPerIteration) {
    const auto count = static_cast<std::int64_t>(urlsPerIteration);
    state.SetItemsProcessed(state.iterations() * count);
    // Shown as time per URL (the inverse of the item rate).
    state.counters["per_url"] = benchmark::Counter(
        static_cast<double>(count), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void parseUrlMix(benchmark::State& state) {
    const auto requests = requestMix();
    for (auto _ : state) {
        for (const auto& r : requests) benchmark::DoNotOptimize(vesko::parseUrl(r.url));
    }
    reportPerUrl(state, requests.size());
}
BENCHMARK(parseUrlMix);

void isAllowedCdnRequestMix(benchmark::State& state) {
    const auto requests = requestMix();
    for (auto _ : state) {
        for (const auto& r : requests) {
            benchmark::DoNotOptimize(vesko::PortalPolicy::isAllowedCdnRequest(r.url, r.kind));
        }
    }
    reportPerUrl(state, requests.size());
}
BENCHMARK(isAllowedCdnRequestMix);

// The longest URL the parser accepts, for the worst case of the byte scans.
void parseUrlLongest(benchmark::State& state) {
    const std::string prefix = "https://" + std::string(vesko::config::kPortalHost) + "/q?x=";
    const std::string url = prefix + std::string(vesko::kMaxUrlLength - prefix.size(), 'a');
    for (auto _ : state) benchmark::DoNotOptimize(vesko::parseUrl(url));
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(url.size()));
}
BENCHMARK(parseUrlLongest);

}  // namespace
