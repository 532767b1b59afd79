#pragma once
// The frame for MSAA clients: the window's client object as an IAccessible whose simple
// children, ids 1 to N, are the parts of the frame description in its order.

#include <windows.h>
#include <oleacc.h>
#include <wrl/client.h>

#include <memory>

#include "ui/frame_model_win.h"

namespace vesko {

Microsoft::WRL::ComPtr<IAccessible> makeFrameAccessible(std::shared_ptr<FrameModel> model);

}  // namespace vesko
