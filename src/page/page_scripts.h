#pragma once
// The document script that every view runs at the creation of each document: the
// removal of WebRTC, the asset pack's zone diagnostic hook, then the page-activity text,
// then the dirty marker. The texts are JavaScript sources of this folder, embedded at
// build time with the portal host filled in; every block but the first is inert on any
// other host.

#include <string>
#include <string_view>

namespace vesko {

// The activity tracker (with its busy badge), the background-open hook and the
// zone-result hook: three blocks, each introduced by ";", one empty line between
// them, ending with a line break and an empty line.
std::string_view pageActivityText();

// The dirty marker: begins with a line break and ";", ends with a line break.
std::string_view dirtyMarkerText();

// The WebRTC removal and an empty line, then zoneDiagnosticScript + pageActivityText() +
// dirtyMarkerText(), nothing between them.
std::string documentScript(std::string_view zoneDiagnosticScript);

}  // namespace vesko
