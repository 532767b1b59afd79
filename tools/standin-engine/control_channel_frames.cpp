// The control channel's frames: the live frames of a view, and the frame a command names
// for what its document does (post a message, report an edit, take a middle click).
#include <string>

#include "base/wide_text_win.h"
#include "control_channel_commands.h"

namespace vesko::standin {

using Json = nlohmann::ordered_json;

Json liveFramesJson(ICoreWebView2Controller* controller) {
    Json list = Json::array();
    for (const LiveFrame& frame : liveFrames(controller)) {
        list.push_back({{"id", frame.id}, {"parent", frame.parent}, {"name", toUtf8(frame.name)},
                        {"source", toUtf8(frame.source)}});
    }
    return list;
}

std::optional<LiveFrame> namedFrame(ICoreWebView2Controller* controller, const Json& request) {
    if (!request.contains("frame")) return std::nullopt;
    const Json& wanted = request.at("frame");
    if (!wanted.is_string() && !wanted.is_number_unsigned()) refuse("BAD_REQUEST", "a frame is its id, name or address");
    for (const LiveFrame& frame : liveFrames(controller)) {
        const bool match = wanted.is_string() ? toUtf8(frame.name) == wanted.get<std::string>() ||
                                                    toUtf8(frame.source) == wanted.get<std::string>()
                                              : frame.id == wanted.get<std::uint64_t>();
        if (match) return frame;
    }
    refuse("NO_SUCH_FRAME", "no live frame " + wanted.dump());
}

void postFrom(ICoreWebView2Controller* controller, const std::optional<LiveFrame>& frame, const std::wstring& source,
              const std::wstring& json) {
    if (!frame) {
        postWebMessage(controller, source, json);
    } else if (!postFrameMessage(controller, frame->id, json)) {
        refuse("NO_SUCH_FRAME", "the frame has gone");
    }
}

}  // namespace vesko::standin
