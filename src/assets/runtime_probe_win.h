#pragma once
// The runtime probe in a tab: a fresh nonce, the time-out, and the navigation to the
// probe page that the interception serves.

#include <cstddef>
#include <memory>
#include <string>

#include "ui/browser_app.h"

namespace vesko {

// Lower-case hexadecimal of `count` bytes from the system's random generator. Throws
// RANDOM_FAILED.
std::string randomHex(std::size_t count);

// Begins a probe in `tab`: new nonce, timer 2, the waiting text, and the tab's view sent
// to the probe page. Throws RANDOM_FAILED before anything changes.
void startRuntimeProbe(BrowserApp& app, const std::shared_ptr<BrowserApp::Tab>& tab);

}  // namespace vesko
