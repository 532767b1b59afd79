#pragma once
// The backend decides what pages do; the COM layer only delivers it. The first backend
// answers from a folder of files, one subfolder per host name.

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/engine_interface_win.h"

namespace vesko::standin {

using HeaderList = std::vector<std::pair<std::string, std::string>>;

// What a request got: a response, or a network error with its status.
struct FetchResult {
    bool networkError = false;
    COREWEBVIEW2_WEB_ERROR_STATUS errorStatus = COREWEBVIEW2_WEB_ERROR_STATUS_UNKNOWN;
    int statusCode = 0;
    std::string reasonPhrase;
    HeaderList headers;
    std::string body;
    // The server's certificate is in doubt: nothing of this answer may be used before the
    // host's ServerCertificateErrorDetected handler has decided.
    bool certificateError = false;
};

// What a loaded document holds, with every address made absolute.
struct PageModel {
    std::string title;
    bool hasTitle = false;  // a <title> element, even an empty one
    std::vector<std::string> links;
    std::vector<std::string> subresources;  // scripts, style sheets, images, media
    // The engine's resource context of each sub-resource, in the same order.
    std::vector<COREWEBVIEW2_WEB_RESOURCE_CONTEXT> subresourceContexts;
    std::vector<std::string> frames;
    std::vector<std::string> frameNames;  // each frame's name attribute, in the same order
};

class Backend {
public:
    virtual ~Backend() = default;
    // The answer to a request that the host left to the network.
    virtual FetchResult fetch(const std::string& url) = 0;
    virtual PageModel describePage(const std::string& url, const std::string& html) = 0;
};

std::unique_ptr<Backend> makeSiteFolderBackend(std::filesystem::path siteFolder);

// An absolute http or https URL taken apart; nullopt for anything else.
struct UrlParts {
    std::string scheme;  // lower case
    std::string host;    // lower case
    std::string port;    // as written, empty when absent
    std::string path;    // starts with '/'
    std::string query;   // with its '?', or empty
};
std::optional<UrlParts> splitHttpUrl(std::string_view url);

// `reference` resolved against the absolute `base`, dot segments removed.
std::string resolveUrl(std::string_view base, std::string_view reference);

// The file a path names inside a host folder: percent-decoded, "index.html" for a
// folder. nullopt for anything that could leave the folder ("..", backslashes, drive
// letters, NUL, control characters).
std::optional<std::filesystem::path> sitePath(std::string_view urlPath);

PageModel scanHtml(std::string_view url, std::string_view html);

// A link of a document as a click finds it: its address made absolute, its text with the
// markup removed, and the attributes that change what a click does.
struct LinkModel {
    std::string href;
    std::string text;
    std::string target;  // empty when absent
    bool download = false;
    std::string downloadName;  // the download attribute's value, as the page wrote it
};
std::vector<LinkModel> scanLinks(std::string_view url, std::string_view html);

}  // namespace vesko::standin
