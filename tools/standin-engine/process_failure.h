#pragma once
// Failed engine processes: the arguments of a view's ProcessFailed and of the
// environment's BrowserProcessExited, and what a failure does to the views it hits.

#include <string>
#include <vector>

#include "engine/engine_process_interface_win.h"
#include "event_args.h"

namespace vesko::standin {

class NavigationPipeline;
struct EngineContext;

// One frame a failed renderer took with it.
struct FailedFrame {
    std::wstring name;
    std::wstring source;
};

class FrameInfo final : public ComObject<ICoreWebView2FrameInfo, IID_ICoreWebView2FrameInfo> {
public:
    FrameInfo(std::string owner, FailedFrame frame) : owner_(std::move(owner)), frame_(std::move(frame)) {}
    HRESULT STDMETHODCALLTYPE get_Name(LPWSTR* value) override { return answerText(owner_, "get_Name", frame_.name, value); }
    HRESULT STDMETHODCALLTYPE get_Source(LPWSTR* value) override { return answerText(owner_, "get_Source", frame_.source, value); }

private:
    std::string owner_;
    FailedFrame frame_;
};

class FrameInfoIterator final
    : public ComObject<ICoreWebView2FrameInfoCollectionIterator, IID_ICoreWebView2FrameInfoCollectionIterator> {
public:
    FrameInfoIterator(std::string owner, std::vector<FailedFrame> frames)
        : owner_(std::move(owner)), frames_(std::move(frames)) {}
    HRESULT STDMETHODCALLTYPE get_HasCurrent(BOOL* value) override {
        return answerValue(owner_, "get_HasCurrent", value, index_ < frames_.size() ? TRUE : FALSE);
    }
    HRESULT STDMETHODCALLTYPE GetCurrent(ICoreWebView2FrameInfo** value) override;
    HRESULT STDMETHODCALLTYPE MoveNext(BOOL* value) override;

private:
    std::string owner_;
    std::vector<FailedFrame> frames_;
    std::size_t index_ = 0;
};

class FrameInfoCollection final
    : public ComObject<ICoreWebView2FrameInfoCollection, IID_ICoreWebView2FrameInfoCollection> {
public:
    FrameInfoCollection(std::string owner, std::vector<FailedFrame> frames)
        : owner_(std::move(owner)), frames_(std::move(frames)) {}
    HRESULT STDMETHODCALLTYPE GetIterator(ICoreWebView2FrameInfoCollectionIterator** value) override {
        record(owner_, "GetIterator");
        if (value == nullptr) return E_POINTER;
        *value = makeComObject<FrameInfoIterator>(owner_, frames_).Detach();
        return S_OK;
    }

private:
    std::string owner_;
    std::vector<FailedFrame> frames_;
};

class ProcessFailedArgs final
    : public ComObject<ICoreWebView2ProcessFailedEventArgs3, IID_ICoreWebView2ProcessFailedEventArgs,
                       IID_ICoreWebView2ProcessFailedEventArgs2, IID_ICoreWebView2ProcessFailedEventArgs3> {
    LiveMark<LiveKind::eventArgs> live_;
public:
    ProcessFailedArgs(std::string owner, COREWEBVIEW2_PROCESS_FAILED_KIND kind, COREWEBVIEW2_PROCESS_FAILED_REASON reason,
                      int exitCode, std::wstring description, std::vector<FailedFrame> frames)
        : owner_(std::move(owner)), kind_(kind), reason_(reason), exitCode_(exitCode),
          description_(std::move(description)), frames_(std::move(frames)) {}
    HRESULT STDMETHODCALLTYPE get_ProcessFailedKind(COREWEBVIEW2_PROCESS_FAILED_KIND* value) override {
        return answerValue(owner_, "get_ProcessFailedKind", value, kind_);
    }
    HRESULT STDMETHODCALLTYPE get_Reason(COREWEBVIEW2_PROCESS_FAILED_REASON* value) override {
        return answerValue(owner_, "get_Reason", value, reason_);
    }
    HRESULT STDMETHODCALLTYPE get_ExitCode(int* value) override { return answerValue(owner_, "get_ExitCode", value, exitCode_); }
    HRESULT STDMETHODCALLTYPE get_ProcessDescription(LPWSTR* value) override {
        return answerText(owner_, "get_ProcessDescription", description_, value);
    }
    HRESULT STDMETHODCALLTYPE get_FrameInfosForFailedProcess(ICoreWebView2FrameInfoCollection** value) override {
        record(owner_, "get_FrameInfosForFailedProcess");
        if (value == nullptr) return E_POINTER;
        *value = makeComObject<FrameInfoCollection>(owner_, frames_).Detach();
        return S_OK;
    }
    // A module the engine blames for the failure; the stand-in never knows one.
    HRESULT STDMETHODCALLTYPE get_FailureSourceModulePath(LPWSTR* value) override {
        return answerText(owner_, "get_FailureSourceModulePath", L"", value);
    }

private:
    std::string owner_;
    COREWEBVIEW2_PROCESS_FAILED_KIND kind_;
    COREWEBVIEW2_PROCESS_FAILED_REASON reason_;
    int exitCode_;
    std::wstring description_;
    std::vector<FailedFrame> frames_;
};

class BrowserProcessExitedArgs final
    : public ComObject<ICoreWebView2BrowserProcessExitedEventArgs, IID_ICoreWebView2BrowserProcessExitedEventArgs> {
    LiveMark<LiveKind::eventArgs> live_;
public:
    BrowserProcessExitedArgs(COREWEBVIEW2_BROWSER_PROCESS_EXIT_KIND kind, UINT32 processId)
        : kind_(kind), processId_(processId) {}
    HRESULT STDMETHODCALLTYPE get_BrowserProcessExitKind(COREWEBVIEW2_BROWSER_PROCESS_EXIT_KIND* value) override {
        return answerValue("browserProcessExited", "get_BrowserProcessExitKind", value, kind_);
    }
    HRESULT STDMETHODCALLTYPE get_BrowserProcessId(UINT32* value) override {
        return answerValue("browserProcessExited", "get_BrowserProcessId", value, processId_);
    }

private:
    COREWEBVIEW2_BROWSER_PROCESS_EXIT_KIND kind_;
    UINT32 processId_;
};

// --- what a failure does (process_failure.cpp) ---

// Raises the failure on the view now, with the engine's consequences for its kind: a
// renderer's exit leaves the engine's error page, a hang repeats its report until it ends,
// a browser's exit reaches every view of the environment and closes them.
void failView(NavigationPipeline& pipeline, COREWEBVIEW2_PROCESS_FAILED_KIND kind,
              COREWEBVIEW2_PROCESS_FAILED_REASON reason, int exitCode);
// The renderer answers again: no more reports of its hang.
void stopUnresponsiveReports(NavigationPipeline& pipeline);
// The browser of this environment is gone: every view hears it and closes, and the
// environment reports it once the host has let go of every view.
// Its exit code is always 1.
void browserProcessGone(EngineContext& context, COREWEBVIEW2_PROCESS_FAILED_REASON reason);

// The environment's side (environment.cpp): its handlers hear that the browser exited.
void raiseBrowserProcessExited(ICoreWebView2Environment* environment, COREWEBVIEW2_BROWSER_PROCESS_EXIT_KIND kind,
                               UINT32 processId);

}  // namespace vesko::standin
