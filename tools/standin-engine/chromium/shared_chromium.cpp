#include "chromium/shared_chromium.h"

#include <map>
#include <utility>

#include "chromium/utf16_text.h"

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
    if (!language.empty()) launch.language = wideToUtf8(language);
    launch.extraArguments = wideToUtf8(browserArguments);
    return launch;
}

std::shared_ptr<ChromiumProcess> sharedChromium(const ChromiumLaunch& launch) {
    const std::filesystem::path key = launch.profileFolder.lexically_normal();
    auto& browsers = runningBrowsers();
    if (const auto found = browsers.find(key); found != browsers.end()) {
        if (auto running = found->second.process.lock()) {
            if (found->second.language != launch.language || found->second.extraArguments != launch.extraArguments) {
                throw ChromiumOptionsMismatch("a browser with other options already runs on " + wideToUtf8(key.wstring()));
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
