#include "site_backend.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <system_error>

namespace vesko::standin {
namespace {

std::string lower(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string removeDotSegments(std::string_view path) {
    std::vector<std::string_view> kept;
    bool endsInFolder = false;
    std::size_t start = path.starts_with("/") ? 1 : 0;
    while (true) {
        const std::size_t end = path.find('/', start);
        const bool last = end == std::string_view::npos;
        const std::string_view segment = path.substr(start, last ? std::string_view::npos : end - start);
        if (segment == "..") {
            if (!kept.empty()) kept.pop_back();
            endsInFolder = last;
        } else if (segment == ".") {
            endsInFolder = last;
        } else {
            kept.push_back(segment);
            endsInFolder = false;
        }
        if (last) break;
        start = end + 1;
    }
    std::string out;
    for (const auto segment : kept) out += "/" + std::string(segment);
    if (out.empty() || endsInFolder) out += "/";
    return out;
}

std::string mediaType(const std::filesystem::path& file) {
    static const std::pair<const char*, const char*> kTypes[] = {
        {".html", "text/html; charset=utf-8"}, {".htm", "text/html; charset=utf-8"},
        {".css", "text/css"},                  {".js", "text/javascript"},
        {".json", "application/json"},         {".png", "image/png"},
        {".jpg", "image/jpeg"},                {".jpeg", "image/jpeg"},
        {".gif", "image/gif"},                 {".svg", "image/svg+xml"},
        {".ico", "image/x-icon"},              {".woff", "font/woff"},
        {".woff2", "font/woff2"},              {".txt", "text/plain; charset=utf-8"},
    };
    const std::string extension = lower(file.extension().string());
    for (const auto& [ext, type] : kTypes) {
        if (extension == ext) return type;
    }
    return "application/octet-stream";
}

// The value of attribute `name` inside one tag's text, decoded; nullopt when absent.
std::optional<std::string> attribute(std::string_view tag, std::string_view name) {
    const std::string lowered = lower(tag);
    std::size_t at = 0;
    while ((at = lowered.find(name, at)) != std::string::npos) {
        const bool boundary = at > 0 && std::isspace(static_cast<unsigned char>(lowered[at - 1]));
        std::size_t i = at + name.size();
        while (i < tag.size() && std::isspace(static_cast<unsigned char>(tag[i]))) ++i;
        if (!boundary || i >= tag.size() || tag[i] != '=') {
            at += name.size();
            continue;
        }
        ++i;
        while (i < tag.size() && std::isspace(static_cast<unsigned char>(tag[i]))) ++i;
        if (i >= tag.size()) return std::string();
        if (tag[i] == '"' || tag[i] == '\'') {
            const std::size_t close = tag.find(tag[i], i + 1);
            return std::string(tag.substr(i + 1, (close == std::string_view::npos ? tag.size() : close) - i - 1));
        }
        std::size_t end = i;
        while (end < tag.size() && !std::isspace(static_cast<unsigned char>(tag[end])) && tag[end] != '>') ++end;
        return std::string(tag.substr(i, end - i));
    }
    return std::nullopt;
}

// Whether the tag carries attribute `name`, bare ("download") or with a value; names
// inside quoted values do not count.
bool hasAttribute(std::string_view tag, std::string_view name) {
    std::size_t i = tag.find_first_of(" \t\r\n");
    while (i != std::string_view::npos && i < tag.size()) {
        while (i < tag.size() && (std::isspace(static_cast<unsigned char>(tag[i])) || tag[i] == '/')) ++i;
        const std::size_t start = i;
        while (i < tag.size() && !std::isspace(static_cast<unsigned char>(tag[i])) && tag[i] != '=' && tag[i] != '>' &&
               tag[i] != '/') {
            ++i;
        }
        if (i > start && lower(tag.substr(start, i - start)) == name) return true;
        while (i < tag.size() && std::isspace(static_cast<unsigned char>(tag[i]))) ++i;
        if (i < tag.size() && tag[i] == '=') {
            ++i;
            while (i < tag.size() && std::isspace(static_cast<unsigned char>(tag[i]))) ++i;
            if (i < tag.size() && (tag[i] == '"' || tag[i] == '\'')) {
                const std::size_t quote = tag.find(tag[i], i + 1);
                i = quote == std::string_view::npos ? tag.size() : quote + 1;
            } else {
                while (i < tag.size() && !std::isspace(static_cast<unsigned char>(tag[i])) && tag[i] != '>') ++i;
            }
        }
        if (i < tag.size() && tag[i] == '>') break;
        if (i == start) ++i;
    }
    return false;
}

// A character reference ("&#x202E;", "&#8238;") at the start of `text`: the character in
// UTF-8 and the reference's length; nullopt for anything else, a surrogate or a number
// beyond Unicode.
std::optional<std::pair<std::string, std::size_t>> numericReference(std::string_view text) {
    if (!text.starts_with("&#")) return std::nullopt;
    const bool hex = text.size() > 2 && (text[2] == 'x' || text[2] == 'X');
    const std::size_t first = hex ? 3 : 2;
    const std::size_t semicolon = text.find(';', first);
    if (semicolon == std::string_view::npos || semicolon == first || semicolon - first > 6) return std::nullopt;
    std::uint32_t value = 0;
    for (const char c : text.substr(first, semicolon - first)) {
        const int digit = hex ? hexValue(c) : (c >= '0' && c <= '9' ? c - '0' : -1);
        if (digit < 0) return std::nullopt;
        value = value * (hex ? 16 : 10) + static_cast<std::uint32_t>(digit);
    }
    if (value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return std::nullopt;
    std::string utf8;
    if (value < 0x80) {
        utf8 += static_cast<char>(value);
    } else if (value < 0x800) {
        utf8 += static_cast<char>(0xC0 | (value >> 6));
        utf8 += static_cast<char>(0x80 | (value & 0x3F));
    } else if (value < 0x10000) {
        utf8 += static_cast<char>(0xE0 | (value >> 12));
        utf8 += static_cast<char>(0x80 | ((value >> 6) & 0x3F));
        utf8 += static_cast<char>(0x80 | (value & 0x3F));
    } else {
        utf8 += static_cast<char>(0xF0 | (value >> 18));
        utf8 += static_cast<char>(0x80 | ((value >> 12) & 0x3F));
        utf8 += static_cast<char>(0x80 | ((value >> 6) & 0x3F));
        utf8 += static_cast<char>(0x80 | (value & 0x3F));
    }
    return std::pair{utf8, semicolon + 1};
}

std::string decodeEntities(std::string_view text) {
    static const std::pair<std::string_view, std::string_view> kEntities[] = {
        {"&amp;", "&"}, {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&#39;", "'"}, {"&nbsp;", " "}};
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        if (const auto reference = numericReference(text.substr(i))) {
            out += reference->first;
            i += reference->second;
            continue;
        }
        bool replaced = false;
        for (const auto& [entity, value] : kEntities) {
            if (text.substr(i, entity.size()) == entity) {
                out += value;
                i += entity.size();
                replaced = true;
                break;
            }
        }
        if (!replaced) out += text[i++];
    }
    return out;
}

std::string collapseSpace(std::string_view text) {
    std::string out;
    bool space = false;
    for (const char c : text) {
        if (std::isspace(static_cast<unsigned char>(c))) {
            space = !out.empty();
        } else {
            if (space) out += ' ';
            out += c;
            space = false;
        }
    }
    return out;
}

class SiteFolderBackend final : public Backend {
public:
    explicit SiteFolderBackend(std::filesystem::path folder) : folder_(std::move(folder)) {}

    FetchResult fetch(const std::string& url) override {
        FetchResult result;
        const auto parts = splitHttpUrl(url);
        if (!parts) {
            result.networkError = true;
            result.errorStatus = COREWEBVIEW2_WEB_ERROR_STATUS_UNEXPECTED_ERROR;
            return result;
        }
        std::error_code error;
        const std::filesystem::path hostFolder = folder_ / parts->host;
        if (folder_.empty() || parts->host.find_first_of("/\\:") != std::string::npos ||
            !std::filesystem::is_directory(hostFolder, error)) {
            result.networkError = true;
            result.errorStatus = COREWEBVIEW2_WEB_ERROR_STATUS_HOST_NAME_NOT_RESOLVED;
            return result;
        }
        const std::string defaultPort = parts->scheme == "https" ? "443" : "80";
        if (!parts->port.empty() && parts->port != defaultPort) {
            // The site answers on its default port only; nothing listens elsewhere.
            result.networkError = true;
            result.errorStatus = COREWEBVIEW2_WEB_ERROR_STATUS_CANNOT_CONNECT;
            return result;
        }
        // A host folder holding ".certificate-error" stands for an https server whose
        // certificate the engine doubts: the caller asks the host before using the answer.
        result.certificateError =
            parts->scheme == "https" && std::filesystem::exists(hostFolder / ".certificate-error", error);
        const auto relative = sitePath(parts->path);
        std::filesystem::path file = relative ? hostFolder / *relative : std::filesystem::path();
        if (relative && std::filesystem::is_directory(file, error)) file /= "index.html";
        if (!relative || !std::filesystem::is_regular_file(file, error)) {
            result.statusCode = 404;
            result.reasonPhrase = "Not Found";
            result.headers = {{"Content-Type", "text/html; charset=utf-8"}};
            result.body = "<!doctype html><title>404 Not Found</title><h1>Not Found</h1>";
            return result;
        }
        std::ifstream in(file, std::ios::binary);
        result.statusCode = 200;
        result.reasonPhrase = "OK";
        result.headers = {{"Content-Type", mediaType(file)}};
        result.body.assign(std::istreambuf_iterator<char>(in), {});
        return result;
    }

    PageModel describePage(const std::string& url, const std::string& html) override { return scanHtml(url, html); }

private:
    std::filesystem::path folder_;
};

}  // namespace

std::optional<UrlParts> splitHttpUrl(std::string_view url) {
    const std::size_t colon = url.find("://");
    if (colon == std::string_view::npos) return std::nullopt;
    UrlParts parts;
    parts.scheme = lower(url.substr(0, colon));
    if (parts.scheme != "http" && parts.scheme != "https") return std::nullopt;
    std::string_view rest = url.substr(colon + 3);
    const std::size_t fragment = rest.find('#');
    if (fragment != std::string_view::npos) rest = rest.substr(0, fragment);
    const std::size_t pathStart = rest.find_first_of("/?");
    std::string_view authority = rest.substr(0, pathStart);
    if (authority.find('@') != std::string_view::npos) return std::nullopt;
    const std::size_t portColon = authority.rfind(':');
    if (portColon != std::string_view::npos) {
        parts.port = std::string(authority.substr(portColon + 1));
        authority = authority.substr(0, portColon);
        if (parts.port.empty() || !std::all_of(parts.port.begin(), parts.port.end(), [](unsigned char c) {
                return std::isdigit(c);
            })) {
            return std::nullopt;
        }
    }
    if (authority.empty()) return std::nullopt;
    parts.host = lower(authority);
    std::string_view pathAndQuery = pathStart == std::string_view::npos ? std::string_view() : rest.substr(pathStart);
    const std::size_t query = pathAndQuery.find('?');
    parts.path = std::string(pathAndQuery.substr(0, query));
    if (parts.path.empty()) parts.path = "/";
    if (query != std::string_view::npos) parts.query = std::string(pathAndQuery.substr(query));
    return parts;
}

std::string resolveUrl(std::string_view base, std::string_view reference) {
    const std::size_t schemeEnd = reference.find(':');
    const std::size_t firstSpecial = reference.find_first_of("/?#");
    if (schemeEnd != std::string_view::npos && (firstSpecial == std::string_view::npos || schemeEnd < firstSpecial)) {
        return std::string(reference);
    }
    const auto parts = splitHttpUrl(base);
    if (!parts) return std::string(reference);
    const std::string origin = parts->scheme + "://" + parts->host + (parts->port.empty() ? "" : ":" + parts->port);
    if (reference.starts_with("//")) return parts->scheme + ":" + std::string(reference);
    if (reference.empty()) return origin + parts->path + parts->query;
    if (reference.front() == '#') return origin + parts->path + parts->query + std::string(reference);
    if (reference.front() == '?') return origin + parts->path + std::string(reference);
    std::string_view path = reference;
    std::string tail;
    const std::size_t cut = reference.find_first_of("?#");
    if (cut != std::string_view::npos) {
        path = reference.substr(0, cut);
        tail = std::string(reference.substr(cut));
    }
    std::string merged;
    if (path.starts_with("/")) {
        merged = std::string(path);
    } else {
        merged = parts->path.substr(0, parts->path.rfind('/') + 1) + std::string(path);
    }
    return origin + removeDotSegments(merged) + tail;
}

std::optional<std::filesystem::path> sitePath(std::string_view urlPath) {
    std::string decoded;
    for (std::size_t i = 0; i < urlPath.size(); ++i) {
        if (urlPath[i] == '%' && i + 2 < urlPath.size() && hexValue(urlPath[i + 1]) >= 0 &&
            hexValue(urlPath[i + 2]) >= 0) {
            decoded += static_cast<char>(hexValue(urlPath[i + 1]) * 16 + hexValue(urlPath[i + 2]));
            i += 2;
        } else {
            decoded += urlPath[i];
        }
    }
    std::filesystem::path relative;
    std::size_t start = 0;
    while (start <= decoded.size()) {
        const std::size_t end = std::min(decoded.find('/', start), decoded.size());
        const std::string segment = decoded.substr(start, end - start);
        start = end + 1;
        if (segment.empty() || segment == ".") continue;
        if (segment == "..") return std::nullopt;
        for (const char c : segment) {
            if (static_cast<unsigned char>(c) < 0x20 || c == '\\' || c == ':' || c == '\x7f') return std::nullopt;
        }
        relative /= std::filesystem::path(std::u8string(segment.begin(), segment.end()));
    }
    if (relative.empty() || decoded.ends_with("/")) relative /= "index.html";
    return relative;
}

PageModel scanHtml(std::string_view url, std::string_view html) {
    PageModel page;
    const std::string lowered = lower(html);
    const std::size_t titleOpen = lowered.find("<title");
    if (titleOpen != std::string::npos) {
        const std::size_t contentStart = lowered.find('>', titleOpen);
        const std::size_t titleClose = lowered.find("</title", contentStart);
        if (contentStart != std::string::npos && titleClose != std::string::npos) {
            page.hasTitle = true;
            page.title = collapseSpace(decodeEntities(html.substr(contentStart + 1, titleClose - contentStart - 1)));
        }
    }
    std::size_t at = 0;
    while ((at = lowered.find('<', at)) != std::string::npos) {
        const std::size_t close = lowered.find('>', at);
        if (close == std::string::npos) break;
        const std::string_view tag = html.substr(at, close - at + 1);
        std::size_t nameEnd = at + 1;
        while (nameEnd < close && std::isalnum(static_cast<unsigned char>(lowered[nameEnd]))) ++nameEnd;
        const std::string name = lowered.substr(at + 1, nameEnd - at - 1);
        const auto add = [&](std::vector<std::string>& list, std::string_view attributeName) {
            if (auto value = attribute(tag, attributeName); value && !value->empty()) {
                list.push_back(resolveUrl(url, decodeEntities(*value)));
            }
        };
        const auto addResource = [&](std::string_view attributeName, COREWEBVIEW2_WEB_RESOURCE_CONTEXT context) {
            const std::size_t before = page.subresources.size();
            add(page.subresources, attributeName);
            if (page.subresources.size() > before) page.subresourceContexts.push_back(context);
        };
        if (name == "a") add(page.links, "href");
        else if (name == "script") addResource("src", COREWEBVIEW2_WEB_RESOURCE_CONTEXT_SCRIPT);
        else if (name == "img") addResource("src", COREWEBVIEW2_WEB_RESOURCE_CONTEXT_IMAGE);
        else if (name == "video" || name == "audio" || name == "source") {
            addResource("src", COREWEBVIEW2_WEB_RESOURCE_CONTEXT_MEDIA);
        } else if (name == "link") {
            const auto rel = attribute(tag, "rel");
            addResource("href", rel && lower(*rel).find("stylesheet") != std::string::npos
                                    ? COREWEBVIEW2_WEB_RESOURCE_CONTEXT_STYLESHEET
                                    : COREWEBVIEW2_WEB_RESOURCE_CONTEXT_OTHER);
        } else if (name == "iframe" || name == "frame") {
            const std::size_t before = page.frames.size();
            add(page.frames, "src");
            const auto frameName = attribute(tag, "name");
            if (page.frames.size() > before) page.frameNames.push_back(frameName ? decodeEntities(*frameName) : "");
        }
        at = close + 1;
    }
    return page;
}

std::vector<LinkModel> scanLinks(std::string_view url, std::string_view html) {
    std::vector<LinkModel> links;
    const std::string lowered = lower(html);
    std::size_t at = 0;
    while ((at = lowered.find("<a", at)) != std::string::npos) {
        const std::size_t close = lowered.find('>', at);
        if (close == std::string::npos) break;
        const bool isAnchor = at + 2 < lowered.size() && !std::isalnum(static_cast<unsigned char>(lowered[at + 2]));
        const std::string_view tag = html.substr(at, close - at + 1);
        const auto href = isAnchor ? attribute(tag, "href") : std::nullopt;
        at = close + 1;
        if (!href || href->empty()) continue;
        LinkModel link;
        link.href = resolveUrl(url, decodeEntities(*href));
        link.target = decodeEntities(attribute(tag, "target").value_or(""));
        link.download = hasAttribute(tag, "download");
        link.downloadName = decodeEntities(attribute(tag, "download").value_or(""));
        const std::size_t end = lowered.find("</a", at);
        std::string text;
        bool inTag = false;
        for (const char c : html.substr(at, (end == std::string::npos ? html.size() : end) - at)) {
            if (c == '<') inTag = true;
            else if (c == '>') inTag = false;
            else if (!inTag) text += c;
        }
        link.text = collapseSpace(decodeEntities(text));
        links.push_back(std::move(link));
    }
    return links;
}

std::unique_ptr<Backend> makeSiteFolderBackend(std::filesystem::path siteFolder) {
    return std::make_unique<SiteFolderBackend>(std::move(siteFolder));
}

}  // namespace vesko::standin
