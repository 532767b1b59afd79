// The whole handling of one intercepted request, as a tab's handler does it with the
// stand-in engine in this process: from the event's arguments through the decision to
// put_Response (a pack file, a refusal) or to leaving the request to the network. One
// iteration is one request.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include <benchmark/benchmark.h>

#include "base/wide_text_win.h"
#include "assets/asset_pack.h"
#include "engine/com_callback_win.h"
#include "engine/resource_interception_win.h"
#include "engine/environment_options_win.h"
#include "policy/compiled_config.h"
#include "standin.h"
#include "browser_app_test_access.h"

namespace {

using namespace vesko;
using Microsoft::WRL::ComPtr;

void pumpUntil(const std::function<bool()>& done) {
    const ULONGLONG deadline = GetTickCount64() + 10000;
    while (!done() && GetTickCount64() < deadline) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
        if (!done()) MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

// A fixture that cannot be made is a broken run, not a slow one: say why and stop, so
// the smoke run in the tests fails instead of measuring nothing.
[[noreturn]] void setupFailed(const char* what, HRESULT result = S_OK) {
    if (FAILED(result)) std::fprintf(stderr, "vesko_win_bench: %s (0x%08lx)\n", what, static_cast<unsigned long>(result));
    else std::fprintf(stderr, "vesko_win_bench: %s\n", what);
    std::exit(1);
}

// One application with the built pack, the stand-in environment and one tab's view.
struct Bench {
    BrowserApp app{nullptr};
    BrowserAppTestAccess inside{app};
    std::shared_ptr<TabView> tab;
    HWND host = nullptr;

    Bench() {
        std::ifstream in(VESKO_ASSET_PACK_PATH, std::ios::binary);
        if (!in) setupFailed("the asset pack cannot be read");
        inside.assetPack() = parseAssetPack(std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {}));
        standin::configure({});
        // Under Wine a window needs an X display; without one this is where it shows.
        host = CreateWindowExW(0, L"STATIC", L"bench", WS_OVERLAPPEDWINDOW, 0, 0, 640, 480, nullptr, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
        if (host == nullptr) setupFailed("no host window (no display?)", HRESULT_FROM_WIN32(GetLastError()));
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        const std::filesystem::path data = std::filesystem::path(temp) / L"vesko-bench-userdata";
        const auto options = createEnvironmentOptions();
        ComPtr<ICoreWebView2Environment> environment;
        HRESULT completed = E_PENDING;
        HRESULT started = standin::createEnvironmentWithOptions(
            nullptr, data.c_str(), options.Get(),
            makeCallback<EnvironmentCompletedCallback>([&](HRESULT result, ICoreWebView2Environment* e) {
                completed = result;
                environment = e;
                return S_OK;
            }).Get());
        if (FAILED(started)) setupFailed("the environment was refused", started);
        pumpUntil([&] { return completed != E_PENDING; });
        if (!environment) setupFailed("no environment arrived", completed);
        inside.window().window = host;
        inside.adoptEnvironment(environment.Get());
        inside.setProbePassed(true);
        // The tab as the program makes it: its view, handlers and filter.
        app.openTab(L"https://" + toWide(config::kPortalHost) + L"/", {}, false);
        if (app.tabs().size() != 1) setupFailed("the tab was refused");
        tab = app.tabs()[0];
        pumpUntil([&] { return tab->filterInstalled(); });
        if (!tab->filterInstalled()) setupFailed("the tab's view got no filter");
        standin::setRecording(false);
    }
};

Bench& bench() {
    static Bench instance;
    return instance;
}

// Args: 0 a pack hit, 1 a pass-through to the network, 2 a refusal.
void BM_InterceptOneRequest(benchmark::State& state) {
    Bench& b = bench();
    static const struct {
        std::wstring uri;
        COREWEBVIEW2_WEB_RESOURCE_CONTEXT context;
    } kRequests[] = {
        {L"https://code.jquery.com/jquery-3.7.1.min.js", COREWEBVIEW2_WEB_RESOURCE_CONTEXT_SCRIPT},
        {L"https://" + toWide(config::kPortalHost) + L"/js/portal.js", COREWEBVIEW2_WEB_RESOURCE_CONTEXT_SCRIPT},
        {L"https://tracker.example/collect.js", COREWEBVIEW2_WEB_RESOURCE_CONTEXT_SCRIPT},
    };
    const auto& request = kRequests[state.range(0)];
    const auto args = standin::makeResourceRequestArgs(request.uri, L"GET", request.context);
    const std::uint64_t servedBefore = b.tab->localAssets;
    for (auto _ : state) handleResourceRequest(b.app, *b.tab, args.Get());
    ComPtr<ICoreWebView2WebResourceResponse> response;
    args->get_Response(&response);
    int status = 0;
    if (response) response->get_StatusCode(&status);
    state.counters["status"] = status;
    state.counters["served"] = benchmark::Counter(static_cast<double>(b.tab->localAssets - servedBefore) /
                                                  static_cast<double>(state.iterations()));
}
BENCHMARK(BM_InterceptOneRequest)->ArgName("case")->DenseRange(0, 2);

}  // namespace
