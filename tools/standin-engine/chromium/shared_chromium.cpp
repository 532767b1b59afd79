#include "chromium/shared_chromium.h"

#include <cctype>
#include <map>
#include <utility>

#include "base/wide_text_win.h"
#include "resolver_rules.h"

namespace vesko::standin {
namespace {

struct RunningBrowser {
    std::weak_ptr<ChromiumProcess> process;
    std::string language;
    std::string extraArguments;
};

// Touched on the UI thread only, like every engine object.
std::map<std::filesystem::path, RunningBrowser>& runningBrowsers() {
    static std::map<std::filesystem::path, RunningBrowser> browsers;
    return browsers;
}

}  // namespace

ChromiumLaunch chromiumLaunchFor(const std::filesystem::path& userDataFolder, const std::wstring& language,
                                 const std::wstring& browserArguments) {
    ChromiumLaunch launch;
    launch.profileFolder = userDataFolder / L"ChromiumProfile";
    if (!language.empty()) launch.language = toUtf8(language);
    launch.extraArguments = toUtf8(browserArguments);
    return launch;
}

std::wstring withoutSwitch(const std::wstring& arguments, const std::wstring& droppedSwitch) {
    if (droppedSwitch.empty()) return arguments;
    std::vector<std::wstring> kept = splitArguments(arguments);
    std::erase_if(kept, [&](const std::wstring& word) {
        return word == droppedSwitch || word.starts_with(droppedSwitch + L"=");
    });
    return joinArguments(kept);
}

std::string standInChromiumArguments(const std::wstring& environmentRules, const std::wstring& hostRules,
                                     const std::wstring& trustedKeys) {
    const std::string rules = composeResolverRules(toUtf8(hostRules), toUtf8(environmentRules));
    // Only the listed keys are trusted; Chromium honours the list with a profile folder of
    // its own, which every stand-in browser has. Nothing but base64 and commas passes, so
    // the variable cannot add switches of its own.
    std::string keys = toUtf8(trustedKeys);
    std::erase_if(keys, [](char c) { return !std::isalnum(static_cast<unsigned char>(c)) && c != '+' && c != '/' && c != '=' && c != ','; });
    const std::string trusted = keys.empty() ? "" : "--ignore-certificate-errors-spki-list=" + keys + " ";
    return trusted + "--disable-site-isolation-trials"
           " --disable-features=BackForwardCache,IsolateOrigins,site-per-process,HttpsUpgrades"
           " \"--host-resolver-rules=" + rules + "\"";
}

std::shared_ptr<ChromiumProcess> sharedChromium(const ChromiumLaunch& launch) {
    const std::filesystem::path key = launch.profileFolder.lexically_normal();
    auto& browsers = runningBrowsers();
    if (const auto found = browsers.find(key); found != browsers.end()) {
        // A browser killed from outside is still held by what ran on it, but is no use.
        if (auto running = found->second.process.lock(); running && running->running()) {
            if (found->second.language != launch.language || found->second.extraArguments != launch.extraArguments) {
                throw ChromiumOptionsMismatch("a browser with other options already runs on " + toUtf8(key.wstring()));
            }
            return running;
        }
        browsers.erase(found);
    }
    auto started = std::make_shared<ChromiumProcess>(launch);
    browsers[key] = RunningBrowser{started, launch.language, launch.extraArguments};
    return started;
}

}  // namespace vesko::standin
