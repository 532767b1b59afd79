#pragma once
// The engine's host-resolver rules as Chromium reads them, and the browser arguments
// they come in. The stand-in needs both: it resolves names for its own loopback test
// servers underneath whatever rules the host gave, as a network's name service would.

#include <optional>
#include <string>
#include <vector>

namespace vesko::standin {

inline constexpr wchar_t kResolverRulesSwitch[] = L"--host-resolver-rules";

// Arguments of one command-line text: split at spaces outside double quotes, quotes
// removed, a backslash before a quote keeping the quote.
std::vector<std::wstring> splitArguments(const std::wstring& text);
// The reverse: arguments holding a space are quoted.
std::wstring joinArguments(const std::vector<std::wstring>& arguments);
// The value of the last "--name=value" argument, if any.
std::optional<std::wstring> switchValue(const std::wstring& text, const std::wstring& name);

// "MAP pattern target" and "EXCLUDE pattern", separated by commas. Exclusions are looked
// at first; then the first MAP whose pattern (with * and ? wildcards) matches the host.
struct ResolverRule {
    bool exclude = false;
    std::string pattern;
    std::string target;
};
std::vector<ResolverRule> parseResolverRules(const std::string& text);
// What the rules make of `host`: the MAP target ("~NOTFOUND" for none), or nothing when
// they leave it to the name service.
std::optional<std::string> rewriteHost(const std::vector<ResolverRule>& rules, const std::string& host);

// One rule text for Chromium with the effect of the host's rules over the stand-in's:
// `environment` maps test hosts to loopback servers (its MAP rules of plain host names),
// and everything else resolves to nothing but loopback (127.0.0.1, localhost and
// *.localhost, as every browser resolves them). A host the host's rules rewrite gets
// their answer; only the rest gets the environment's.
std::string composeResolverRules(const std::string& hostRules, const std::string& environment);

}  // namespace vesko::standin
