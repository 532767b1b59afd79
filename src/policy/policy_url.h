#pragma once

#include <optional>
#include <string_view>

#include "policy/url_parser.h"

namespace vesko {

// An address as every guard reads it: the text as given and its parse, made once so that
// each predicate a request or navigation passes looks at the same parse. A "blob:"
// address is parsed after its prefix, the one form in which the policy accepts it. The
// text is not copied: it must outlive the value.
struct PolicyUrl {
    std::string_view text;
    bool blob = false;                // the text starts with "blob:" (lower case)
    std::optional<ParsedUrl> parsed;  // of the text, or of what follows "blob:"

    explicit PolicyUrl(std::string_view url);

    // The parse of the address itself: none for a blob address, which is no http(s) URL.
    const ParsedUrl* httpUrl() const noexcept { return blob || !parsed ? nullptr : &*parsed; }
    // The parse of what a blob address names; none for any other address.
    const ParsedUrl* blobTarget() const noexcept { return blob && parsed ? &*parsed : nullptr; }
};

}  // namespace vesko
