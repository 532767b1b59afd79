#pragma once
// The control patterns of the frame's parts: what Invoke, Select, Expand and SetValue do,
// which is what a click (or typing into the address field) does.

#include <windows.h>
#include <unknwn.h>
#include <wrl/client.h>

#include <memory>

#include "ui/frame_model_win.h"

namespace vesko {

// The provider of `pattern` for `element`, or null when its role has no such pattern.
Microsoft::WRL::ComPtr<IUnknown> makeFramePattern(const std::shared_ptr<FrameModel>& model, const FrameElement& element,
                                                  PATTERNID pattern);

}  // namespace vesko
