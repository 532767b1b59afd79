#pragma once

#include "engine/engine_interface_win.h"

namespace vesko {

// A new options object (one reference, owned by the result) holding the engine switches,
// the interface language "sq-AL", the minimum runtime "120.0.0.0" and no single sign-on.
Microsoft::WRL::ComPtr<ICoreWebView2EnvironmentOptions> createEnvironmentOptions();

}  // namespace vesko
