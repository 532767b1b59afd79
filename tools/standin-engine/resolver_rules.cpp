#include "resolver_rules.h"

#include <algorithm>
#include <cctype>
#include <utility>

namespace vesko::standin {
namespace {

std::string trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

std::string lowered(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

// Chromium's pattern match: '*' any run, '?' one character.
bool matches(const char* pattern, const char* text) {
    if (*pattern == '\0') return *text == '\0';
    if (*pattern == '*') return matches(pattern + 1, text) || (*text != '\0' && matches(pattern, text + 1));
    if (*text == '\0') return false;
    return (*pattern == '?' || *pattern == *text) && matches(pattern + 1, text + 1);
}

// The names every browser resolves to this machine without asking a name service.
constexpr const char* kLoopbackNames[] = {"127.0.0.1", "localhost", "*.localhost"};

}  // namespace

std::vector<std::wstring> splitArguments(const std::wstring& text) {
    std::vector<std::wstring> arguments;
    std::wstring current;
    bool quoted = false, any = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const wchar_t c = text[i];
        if (c == L'\\' && i + 1 < text.size() && text[i + 1] == L'"') {
            current += L'"';
            any = true;
            ++i;
        } else if (c == L'"') {
            quoted = !quoted;
            any = true;
        } else if (c == L' ' && !quoted) {
            if (any) arguments.push_back(std::exchange(current, {}));
            any = false;
        } else {
            current += c;
            any = true;
        }
    }
    if (any) arguments.push_back(current);
    return arguments;
}

std::wstring joinArguments(const std::vector<std::wstring>& arguments) {
    std::wstring text;
    for (const auto& argument : arguments) {
        if (!text.empty()) text += L' ';
        text += argument.find(L' ') == std::wstring::npos ? argument : L'"' + argument + L'"';
    }
    return text;
}

std::optional<std::wstring> switchValue(const std::wstring& text, const std::wstring& name) {
    std::optional<std::wstring> value;
    for (const auto& argument : splitArguments(text)) {
        if (argument.starts_with(name + L"=")) value = argument.substr(name.size() + 1);
    }
    return value;
}

std::vector<ResolverRule> parseResolverRules(const std::string& text) {
    std::vector<ResolverRule> rules;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t comma = std::min(text.find(',', start), text.size());
        const std::string rule = trimmed(text.substr(start, comma - start));
        start = comma + 1;
        const std::size_t space = rule.find(' ');
        if (space == std::string::npos) continue;
        const std::string verb = lowered(rule.substr(0, space));
        const std::string rest = trimmed(rule.substr(space + 1));
        if (verb == "exclude") {
            rules.push_back({true, lowered(rest), {}});
        } else if (verb == "map") {
            const std::size_t gap = rest.find(' ');
            if (gap != std::string::npos) rules.push_back({false, lowered(rest.substr(0, gap)), trimmed(rest.substr(gap))});
        }
    }
    return rules;
}

std::optional<std::string> rewriteHost(const std::vector<ResolverRule>& rules, const std::string& host) {
    const std::string name = lowered(host);
    for (const auto& rule : rules) {
        if (rule.exclude && matches(rule.pattern.c_str(), name.c_str())) return std::nullopt;
    }
    for (const auto& rule : rules) {
        if (!rule.exclude && matches(rule.pattern.c_str(), name.c_str())) return rule.target;
    }
    return std::nullopt;
}

std::string composeResolverRules(const std::string& hostRules, const std::string& environment) {
    const auto host = parseResolverRules(hostRules);
    std::vector<std::string> out;
    for (const auto& rule : parseResolverRules(environment)) {
        if (rule.exclude || rule.pattern.find_first_of("*?") != std::string::npos) continue;
        out.push_back("MAP " + rule.pattern + " " + rewriteHost(host, rule.pattern).value_or(rule.target));
    }
    for (const auto& rule : host) {
        if (!rule.exclude) out.push_back("MAP " + rule.pattern + " " + rule.target);
    }
    out.push_back("MAP * ~NOTFOUND");
    for (const std::string name : kLoopbackNames) {
        const std::string sample = name[0] == '*' ? "name" + name.substr(1) : name;
        if (!rewriteHost(host, sample)) out.push_back("EXCLUDE " + name);
    }
    std::string text;
    for (const auto& rule : out) text += (text.empty() ? "" : ", ") + rule;
    return text;
}

}  // namespace vesko::standin
