#pragma once
// Bringing the engine back after its browser process was lost: once per loss, however
// the engine reports it (a view's ProcessFailed, the environment's BrowserProcessExited,
// in either order), within the restart limit, after the old browser has been reported
// gone or a wait has run out.

#include <windows.h>

#include <cstdint>

#include "base/user_text.h"
#include "engine/engine_runtime_win.h"
#include "engine/process_recovery.h"

namespace vesko {

// What a restart asks of the program around it.
class EngineRestartHost {
public:
    virtual void showRestartStatus(const StatusMessage& message) = 0;
    // Runs EngineRestart::restart later, once the engine's event has returned.
    virtual void postRestart() = 0;
    // Every tab lets go of its view, keeping what a new one needs (address, zoom).
    virtual void dropViews() = 0;
    // Runs EngineRestart::browserGone after `milliseconds`, unless stopped first.
    virtual void startExitWait(std::uint32_t milliseconds) = 0;
    virtual void stopExitWait() = 0;
    // The new environment is ready for views.
    virtual void engineBack() = 0;
    // No engine any more: the window shows what is left without one.
    virtual void engineGone() = 0;

protected:
    ~EngineRestartHost() = default;
};

class EngineRestart {
public:
    EngineRestart(EngineRuntime& engine, EngineRestartHost& host) : engine_(engine), host_(host) {}

    // The browser process is lost. True when this report started the answer; false when
    // the loss is already being answered (or was past answering), so it is reported once.
    bool browserLost();
    // The posted step: views let go, then a wait for the old browser to be reported gone
    // unless it already was.
    void restart();
    // The old browser was reported gone, or the wait ran out: the first of them counts,
    // and only while the restart waits for it.
    void browserGone();

    bool restarting() const { return restarting_; }
    bool lost() const { return lost_; }

private:
    void recreate();
    void recreated(HRESULT result, ICoreWebView2Environment* environment);

    EngineRuntime& engine_;
    EngineRestartHost& host_;
    // Restarting until a new environment answers; lost for good past the limit or after
    // a failed restart.
    bool restarting_ = false;
    bool waiting_ = false;
    bool lost_ = false;
    RateLimit restarts_{kEngineRestarts, kEngineRestartWindowMs};
};

}  // namespace vesko
