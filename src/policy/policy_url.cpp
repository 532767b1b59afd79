#include "policy/policy_url.h"

namespace vesko {
namespace {

constexpr std::string_view kBlobPrefix = "blob:";

}  // namespace

PolicyUrl::PolicyUrl(std::string_view url)
    : text(url), blob(url.starts_with(kBlobPrefix)), parsed(parseUrl(blob ? url.substr(kBlobPrefix.size()) : url)) {}

}  // namespace vesko
