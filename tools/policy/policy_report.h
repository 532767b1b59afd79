#pragma once

#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

namespace vesko::tool {

// What the policy says about one URL: the parse and every predicate, members in a
// fixed order. Strings hold the input's bytes with invalid UTF-8 replaced by U+FFFD.
nlohmann::ordered_json describeUrl(std::string_view url);

// The sanitized download name of one suggested name, as a JSON string.
nlohmann::ordered_json describeDownloadName(std::string_view name);

// The compiled-in configuration.
nlohmann::ordered_json describeConfig();

// One JSON value on one line, ending in a line feed.
std::string toJsonLine(const nlohmann::ordered_json& value);

// A document: indent 2 and a final line feed.
std::string toJsonDocument(const nlohmann::ordered_json& value);

}  // namespace vesko::tool
