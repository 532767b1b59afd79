#pragma once
// The tab's ear on its view's frames. The engine raises a frame's messages on that frame's
// own object only, so the tab takes every frame it is handed (the view's FrameCreated for
// the top document's frames, each frame's own for the frames inside it) and listens to its
// messages with the top document's rules, until the frame goes or the tab closes.

#include <memory>

#include "engine/engine_frame_interface_win.h"
#include "engine/tab_host_win.h"
#include "engine/tab_view_win.h"

namespace vesko {

Microsoft::WRL::ComPtr<ICoreWebView2FrameCreatedEventHandler> makeFrameCreatedHandler(TabHost& host,
                                                                                      std::weak_ptr<TabView> tab);

}  // namespace vesko
