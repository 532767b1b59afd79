// A Chromium page's failures for real: its renderer crashed or killed, a script that never
// ends seen by a liveness check, and the browser killed from outside.
#include <map>
#include <thread>

#include "chromium/linux_processes.h"
#include "chromium_page_driver.h"
#include "controller.h"
#include "process_failure.h"

namespace vesko::standin {
namespace {

// The page is asked for a trivial value this often; one that has not answered after
// kHangAfter hangs, like the engine's renderer that stops answering its browser.
constexpr ULONGLONG kProbeEvery = 2000;
constexpr ULONGLONG kHangAfter = 3000;
constexpr UINT kTick = 500;

std::map<UINT_PTR, ChromiumPageDriver*>& livenessTimers() {
    static std::map<UINT_PTR, ChromiumPageDriver*> timers;
    return timers;
}

COREWEBVIEW2_PROCESS_FAILED_REASON reasonOf(const std::string& status) {
    if (status == "killed") return COREWEBVIEW2_PROCESS_FAILED_REASON_TERMINATED;
    if (status == "oom") return COREWEBVIEW2_PROCESS_FAILED_REASON_OUT_OF_MEMORY;
    return COREWEBVIEW2_PROCESS_FAILED_REASON_CRASHED;
}

}  // namespace

void ChromiumPageDriver::startLivenessCheck() {
    livenessTimer_ = SetTimer(nullptr, 0, kTick, &ChromiumPageDriver::livenessTick);
    if (livenessTimer_ != 0) livenessTimers()[livenessTimer_] = this;
}

void ChromiumPageDriver::stopLivenessCheck() {
    if (livenessTimer_ == 0) return;
    KillTimer(nullptr, livenessTimer_);
    livenessTimers().erase(livenessTimer_);
    livenessTimer_ = 0;
}

void CALLBACK ChromiumPageDriver::livenessTick(HWND, UINT, UINT_PTR timer, DWORD) {
    const auto found = livenessTimers().find(timer);
    if (found != livenessTimers().end()) found->second->checkLiveness();
}

void ChromiumPageDriver::checkLiveness() {
    if (!page_ || pipeline_.closed() || pipeline_.failure().rendererGone || dialogsOpen_ > 0) return;
    const ULONGLONG now = GetTickCount64();
    if (probing_) {
        if (!hanging_ && now - probeSent_ >= kHangAfter) {
            hanging_ = true;
            // Reported now and again every few seconds until the page answers.
            failView(pipeline_, COREWEBVIEW2_PROCESS_FAILED_KIND_RENDER_PROCESS_UNRESPONSIVE,
                     COREWEBVIEW2_PROCESS_FAILED_REASON_UNRESPONSIVE, STILL_ACTIVE);
        }
        return;
    }
    if (now - probeSent_ < kProbeEvery) return;
    probing_ = true;
    probeSent_ = now;
    page_->probe([this]() {
        probing_ = false;
        if (!hanging_) return;
        hanging_ = false;
        record(pipeline_.name(), "RendererAnswers");
        stopUnresponsiveReports(pipeline_);
    });
}

bool ChromiumPageDriver::failProcess(int kind) {
    if (!page_) return false;
    switch (kind) {
        case COREWEBVIEW2_PROCESS_FAILED_KIND_RENDER_PROCESS_EXITED:
            page_->crashRenderer();
            return true;
        case COREWEBVIEW2_PROCESS_FAILED_KIND_RENDER_PROCESS_UNRESPONSIVE:
            page_->hangRenderer();
            return true;
        case COREWEBVIEW2_PROCESS_FAILED_KIND_BROWSER_PROCESS_EXITED: {
            // Killed from outside, on a thread of its own: the lost connection reports it.
            const long browser = static_cast<long>(pipeline_.context().browserProcessId);
            if (browser == 0) return false;
            std::thread([browser]() { endLinuxProcesses({browser}, std::chrono::milliseconds{5000}); }).detach();
            return true;
        }
        default:
            return false;
    }
}

void ChromiumPageDriver::endHang() {
    if (page_) page_->terminateScript();
}

void ChromiumPageDriver::rendererExited(const std::string& status, int exitCode) {
    record(pipeline_.name(), "RendererExited", status + " " + std::to_string(exitCode));
    probing_ = false;
    if (hanging_) stopUnresponsiveReports(pipeline_);
    hanging_ = false;
    failView(pipeline_, COREWEBVIEW2_PROCESS_FAILED_KIND_RENDER_PROCESS_EXITED, reasonOf(status),
             exitCode != 0 ? exitCode : defaultExitCode(COREWEBVIEW2_PROCESS_FAILED_KIND_RENDER_PROCESS_EXITED));
}

void ChromiumPageDriver::findProcesses(std::function<void(const BrowserProcesses&, long)> done) {
    if (!page_) {
        done(BrowserProcesses{}, 0);
        return;
    }
    page_->findRenderer(std::move(done));
}

std::shared_ptr<ProcessIds> processIds(ICoreWebView2Controller* controller) {
    if (controller == nullptr || liveControllers().count(controller) == 0) return nullptr;
    auto* const live = static_cast<Controller*>(controller);
    if (live->closed()) return nullptr;
    auto ids = std::make_shared<ProcessIds>();
    ids->browser = static_cast<long>(live->context()->browserProcessId);
    auto* const chromium = dynamic_cast<ChromiumPageDriver*>(&live->view()->pipeline().driver());
    if (chromium == nullptr) {
        ids->done = true;
        return ids;
    }
    ComPtr<WebView> keep(live->view());
    chromium->findProcesses([ids, keep](const BrowserProcesses& processes, long renderer) {
        if (processes.browser != 0) ids->browser = processes.browser;
        ids->renderers = processes.renderers;
        ids->renderer = renderer;
        ids->done = true;
    });
    return ids;
}

}  // namespace vesko::standin
