// Failed engine processes and what they do to the views: the reports, the engine's error
// page, the repeated reports of a hang, and the browser's exit closing every view.
#include "process_failure.h"

#include <algorithm>
#include <map>
#include <utility>

#include "controller.h"

namespace vesko::standin {
namespace {

// A crash's exit code as the system reports it: an access violation.
constexpr int kCrashExitCode = static_cast<int>(0xC0000005u);

std::string failureText(COREWEBVIEW2_PROCESS_FAILED_KIND kind, COREWEBVIEW2_PROCESS_FAILED_REASON reason,
                        int exitCode) {
    return "kind=" + std::to_string(kind) + " reason=" + std::to_string(reason) + " exitCode=" + std::to_string(exitCode);
}

// Hung views by their report timer; the timer finds its view only while it lives.
std::map<UINT_PTR, ICoreWebView2*>& reportTimers() {
    static std::map<UINT_PTR, ICoreWebView2*> timers;
    return timers;
}

void raise(NavigationPipeline& pipeline, COREWEBVIEW2_PROCESS_FAILED_KIND kind,
           COREWEBVIEW2_PROCESS_FAILED_REASON reason, int exitCode, std::vector<FailedFrame> frames) {
    record(pipeline.name(), "ProcessFailed", failureText(kind, reason, exitCode));
    const auto args = makeComObject<ProcessFailedArgs>(pipeline.name(), kind, reason, exitCode, L"", std::move(frames));
    pipeline.raiseProcessFailed(args.Get());
}

void CALLBACK reportHangAgain(HWND, UINT, UINT_PTR timer, DWORD) {
    const auto found = reportTimers().find(timer);
    NavigationPipeline* const pipeline = found != reportTimers().end() ? pipelineOf(found->second) : nullptr;
    if (pipeline == nullptr || pipeline->closed() || !pipeline->failure().unresponsive) {
        KillTimer(nullptr, timer);
        if (found != reportTimers().end()) reportTimers().erase(found);
        return;
    }
    ComPtr<ICoreWebView2> keep(found->second);
    raise(*pipeline, COREWEBVIEW2_PROCESS_FAILED_KIND_RENDER_PROCESS_UNRESPONSIVE,
          COREWEBVIEW2_PROCESS_FAILED_REASON_UNRESPONSIVE, STILL_ACTIVE, {});
}

Controller* openController(ICoreWebView2Controller* controller) {
    if (controller == nullptr || liveControllers().count(controller) == 0) return nullptr;
    auto* const live = static_cast<Controller*>(controller);
    return live->closed() ? nullptr : live;
}

}  // namespace

int defaultExitCode(COREWEBVIEW2_PROCESS_FAILED_KIND kind) {
    switch (kind) {
        case COREWEBVIEW2_PROCESS_FAILED_KIND_BROWSER_PROCESS_EXITED: return 1;
        case COREWEBVIEW2_PROCESS_FAILED_KIND_RENDER_PROCESS_UNRESPONSIVE: return STILL_ACTIVE;
        default: return kCrashExitCode;
    }
}

COREWEBVIEW2_PROCESS_FAILED_REASON defaultReason(COREWEBVIEW2_PROCESS_FAILED_KIND kind) {
    switch (kind) {
        case COREWEBVIEW2_PROCESS_FAILED_KIND_BROWSER_PROCESS_EXITED: return COREWEBVIEW2_PROCESS_FAILED_REASON_UNEXPECTED;
        case COREWEBVIEW2_PROCESS_FAILED_KIND_RENDER_PROCESS_UNRESPONSIVE: return COREWEBVIEW2_PROCESS_FAILED_REASON_UNRESPONSIVE;
        default: return COREWEBVIEW2_PROCESS_FAILED_REASON_CRASHED;
    }
}

HRESULT FrameInfoIterator::GetCurrent(ICoreWebView2FrameInfo** value) {
    record(owner_, "GetCurrent");
    if (value == nullptr) return E_POINTER;
    if (index_ >= frames_.size()) return E_INVALIDARG;
    *value = makeComObject<FrameInfo>(owner_, frames_[index_]).Detach();
    return S_OK;
}

HRESULT FrameInfoIterator::MoveNext(BOOL* value) {
    record(owner_, "MoveNext");
    if (value == nullptr) return E_POINTER;
    if (index_ < frames_.size()) ++index_;
    *value = index_ < frames_.size() ? TRUE : FALSE;
    return S_OK;
}

void failView(NavigationPipeline& pipeline, COREWEBVIEW2_PROCESS_FAILED_KIND kind,
              COREWEBVIEW2_PROCESS_FAILED_REASON reason, int exitCode) {
    if (pipeline.closed()) return;
    std::vector<FailedFrame> frames;
    if (kind == COREWEBVIEW2_PROCESS_FAILED_KIND_FRAME_RENDER_PROCESS_EXITED) {
        for (const FrameState& frame : pipeline.page().frames) {
            if (!frame.cancelled) frames.push_back({L"", frame.uri});
        }
    }
    if (kind == COREWEBVIEW2_PROCESS_FAILED_KIND_RENDER_PROCESS_UNRESPONSIVE) {
        reason = COREWEBVIEW2_PROCESS_FAILED_REASON_UNRESPONSIVE;
        exitCode = STILL_ACTIVE;
        FailureState& failure = pipeline.failure();
        failure.unresponsive = true;
        if (failure.reportTimer == 0) {
            const int interval = pipeline.context().knobs.unresponsiveIntervalMs;
            failure.reportTimer = SetTimer(nullptr, 0, static_cast<UINT>(interval), &reportHangAgain);
            if (failure.reportTimer != 0) reportTimers()[failure.reportTimer] = pipeline.view();
        }
    }
    raise(pipeline, kind, reason, exitCode, std::move(frames));
    if (kind == COREWEBVIEW2_PROCESS_FAILED_KIND_RENDER_PROCESS_EXITED && !pipeline.closed()) {
        // The engine's error page: the document and its frames are gone, Source stays.
        pipeline.failure().rendererGone = true;
        pipeline.frameTree().destroyAll();
        pipeline.page().model = PageModel{};
        pipeline.page().frames.clear();
        pipeline.repaint();
    }
}

void stopUnresponsiveReports(NavigationPipeline& pipeline) {
    FailureState& failure = pipeline.failure();
    failure.unresponsive = false;
    if (failure.reportTimer == 0) return;
    KillTimer(nullptr, failure.reportTimer);
    reportTimers().erase(failure.reportTimer);
    failure.reportTimer = 0;
}

void browserProcessGone(EngineContext& context, COREWEBVIEW2_PROCESS_FAILED_REASON reason) {
    if (context.browserExited) return;
    context.browserExited = true;
    std::vector<ComPtr<Controller>> controllers;
    for (const LiveView& view : liveViews()) {
        auto* const controller = static_cast<Controller*>(view.controller);
        if (controller->context() == &context) controllers.emplace_back(controller);
    }
    // The processes are gone already: the environment reports the exit without waiting
    // for the host to let go of anything, before or after the views hear of it (the
    // engine promises no order).
    std::function<void()> exited;
    if (context.environment != nullptr) {
        ComPtr<ICoreWebView2Environment> environment(context.environment);
        const UINT32 processId = context.browserProcessId;
        exited = [environment, processId]() {
            raiseBrowserProcessExited(environment.Get(), COREWEBVIEW2_BROWSER_PROCESS_EXIT_KIND_FAILED, processId);
        };
    }
    if (exited && context.knobs.exitBeforeFailure) std::exchange(exited, nullptr)();
    for (const auto& controller : controllers) {
        raise(controller->view()->pipeline(), COREWEBVIEW2_PROCESS_FAILED_KIND_BROWSER_PROCESS_EXITED, reason,
              defaultExitCode(COREWEBVIEW2_PROCESS_FAILED_KIND_BROWSER_PROCESS_EXITED), {});
    }
    for (const auto& controller : controllers) controller->closeByEngine();
    if (exited) context.dispatcher->post(std::move(exited));
}

bool raiseProcessFailure(ICoreWebView2Controller* controller, COREWEBVIEW2_PROCESS_FAILED_KIND kind,
                         COREWEBVIEW2_PROCESS_FAILED_REASON reason, int exitCode) {
    Controller* const live = openController(controller);
    if (live == nullptr) return false;
    ComPtr<WebView> view(live->view());
    NavigationPipeline& pipeline = view->pipeline();
    record(pipeline.name(), "RaiseProcessFailure", failureText(kind, reason, exitCode));
    // A real browser fails for real; its own report raises the event.
    if (pipeline.driver().failProcess(kind)) return true;
    pipeline.later([view, kind, reason, exitCode]() {
        NavigationPipeline& failing = view->pipeline();
        if (kind == COREWEBVIEW2_PROCESS_FAILED_KIND_BROWSER_PROCESS_EXITED) {
            if (!failing.closed()) browserProcessGone(failing.context(), reason);
            return;
        }
        failView(failing, kind, reason, exitCode);
    });
    return true;
}

bool endUnresponsive(ICoreWebView2Controller* controller) {
    Controller* const live = openController(controller);
    if (live == nullptr) return false;
    NavigationPipeline& pipeline = live->view()->pipeline();
    if (!pipeline.failure().unresponsive) return false;
    record(pipeline.name(), "EndUnresponsive");
    pipeline.driver().endHang();
    stopUnresponsiveReports(pipeline);
    return true;
}

}  // namespace vesko::standin
