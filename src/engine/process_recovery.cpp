#include "engine/process_recovery.h"

#include <array>
#include <utility>

#include "policy/portal_policy.h"

namespace vesko {
namespace {

constexpr std::array<std::string_view, 10> kKindNames = {
    "browser-process-exited", "render-process-exited", "render-process-unresponsive",
    "frame-render-process-exited", "utility-process-exited", "sandbox-helper-process-exited",
    "gpu-process-exited", "ppapi-plugin-process-exited", "ppapi-broker-process-exited",
    "unknown-process-exited",
};
constexpr std::array<std::string_view, 7> kReasonNames = {
    "unexpected", "unresponsive", "terminated", "crashed", "launch-failed", "out-of-memory", "profile-deleted",
};

}  // namespace

FailureKind failureKind(std::int32_t engineKind) {
    switch (engineKind) {
        case 0: return FailureKind::browserExited;
        case 1: return FailureKind::rendererExited;
        case 2: return FailureKind::rendererUnresponsive;
        case 3: return FailureKind::frameRendererExited;
        default: return FailureKind::otherProcess;
    }
}

std::string_view failureKindName(std::int32_t engineKind) {
    return engineKind >= 0 && static_cast<std::size_t>(engineKind) < kKindNames.size() ? kKindNames[engineKind]
                                                                                        : "unknown";
}

std::string_view failureReasonName(std::int32_t engineReason) {
    return engineReason >= 0 && static_cast<std::size_t>(engineReason) < kReasonNames.size()
               ? kReasonNames[engineReason]
               : "unknown";
}

bool RateLimit::allow(std::int64_t nowMs) {
    while (!times_.empty() && nowMs - times_.front() >= windowMs_) times_.pop_front();
    if (times_.size() >= limit_) return false;
    times_.push_back(nowMs);
    return true;
}

std::string recoveryAddress(std::string_view shown) {
    return PortalPolicy::isAllowedNavigation(shown, false) ? std::string(shown) : PortalPolicy::portalStartUrl();
}

HangWatch::Step HangWatch::report(std::int64_t nowMs) {
    lastReportMs_ = nowMs;
    if (!active_) {
        active_ = true;
        askAtMs_ = nowMs + kHangAskAfterMs;
        return Step::showStatus;
    }
    if (asking_ || nowMs < askAtMs_) return Step::none;
    asking_ = true;
    return Step::ask;
}

void HangWatch::waited(std::int64_t nowMs) {
    asking_ = false;
    askAtMs_ = nowMs + kHangAskAgainAfterMs;
}

void FailureLog::add(DiagnosticsFailure failure) {
    entries_.push_back(std::move(failure));
    while (entries_.size() > kFailureLogLimit) entries_.pop_front();
}

}  // namespace vesko
