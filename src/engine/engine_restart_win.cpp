#include "engine/engine_restart_win.h"

#include <stdexcept>

#include "base/files.h"

namespace vesko {

bool EngineRestart::browserLost() {
    if (lost_ || restarting_) return false;
    if (!engine_.canRecreate()) {
        lost_ = true;
        host_.showRestartStatus(kEngineStoppedStatus);
        return true;
    }
    if (!restarts_.allow(unixTimeMs())) {
        lost_ = true;
        host_.showRestartStatus(kEngineLostStatus);
        return true;
    }
    restarting_ = true;
    host_.showRestartStatus(kEngineRestartingStatus);
    // Never inside the engine's event: the views it is reporting to go first.
    host_.postRestart();
    return true;
}

void EngineRestart::restart() {
    if (!restarting_ || waiting_ || engine_.starting()) return;
    host_.dropViews();
    // An exit already reported is not waited for again.
    if (engine_.browserExitSettled()) return recreate();
    waiting_ = true;
    host_.startExitWait(kBrowserExitWaitMs);
}

void EngineRestart::browserGone() {
    // The report and the time-out may both come: the first one counts, and neither
    // before the views have been let go.
    if (!waiting_) return;
    waiting_ = false;
    host_.stopExitWait();
    recreate();
}

void EngineRestart::recreate() {
    try {
        engine_.recreate([this](HRESULT result, ICoreWebView2Environment* environment) {
            recreated(result, environment);
            return S_OK;
        });
    } catch (const std::exception&) {
        recreated(E_FAIL, nullptr);
    }
}

void EngineRestart::recreated(HRESULT result, ICoreWebView2Environment* environment) {
    restarting_ = false;
    if (engine_.adopt(result, environment)) {
        lost_ = true;
        host_.showRestartStatus(kEngineRestartFailedStatus);
        host_.engineGone();
        return;
    }
    lost_ = false;
    host_.engineBack();
}

}  // namespace vesko
