#pragma once
// Chromium's names for what happens in a page, read as the engine's enumerations.

#include <windows.h>

#include <string_view>

#include "engine/engine_interface_win.h"

namespace vesko::standin {

// The protocol's resource type ("Document", "Script", "XHR", ...) as a resource context;
// OTHER for anything unnamed here.
COREWEBVIEW2_WEB_RESOURCE_CONTEXT resourceContextOf(std::string_view resourceType);

// A network error text ("net::ERR_NAME_NOT_RESOLVED") as the status a failed navigation
// reports; UNEXPECTED_ERROR for errors without a closer match.
COREWEBVIEW2_WEB_ERROR_STATUS webErrorStatusOf(std::string_view errorText);

}  // namespace vesko::standin
