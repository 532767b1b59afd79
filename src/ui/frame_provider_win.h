#pragma once
// The frame's UI Automation providers: a fragment root for the main window's client area and
// one fragment per part of the frame description, known by the part's key.

#include <windows.h>
#include <uiautomationcore.h>
#include <wrl/client.h>

#include <cstdint>
#include <memory>
#include <string>

#include "ui/frame_model_win.h"

namespace vesko {

// The provider of the part with `key`; key 0 is the fragment root. Providers are cheap and
// made on demand: UI Automation tells elements apart by their runtime ids, [append, key].
Microsoft::WRL::ComPtr<IRawElementProviderSimple> makeFrameProvider(std::shared_ptr<FrameModel> model,
                                                                    std::uint32_t key);

// The automation id of the part with `key`, stable for as long as the part exists.
std::wstring frameAutomationId(std::uint32_t key);

}  // namespace vesko
