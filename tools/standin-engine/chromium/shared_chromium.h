#pragma once
// One Chromium per profile folder, shared by every live environment on that folder: the
// first environment starts it, the last reference ends it, as the engine's own browser
// process lives on while any environment or view of it does.

#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>

#include "chromium/chromium_process.h"

namespace vesko::standin {

// What an environment's options make of the browser: the profile folder inside the user
// data folder, the language ("en-US" when none was given) and the additional arguments
// exactly as the host wrote them.
ChromiumLaunch chromiumLaunchFor(const std::filesystem::path& userDataFolder, const std::wstring& language,
                                 const std::wstring& browserArguments);

// The host's argument text with every occurrence of the switch (as a whole argument,
// with or without "=value") taken out; the rest stays, quoted where it holds a space.
std::wstring withoutSwitch(const std::wstring& arguments, const std::wstring& droppedSwitch);

// The stand-in's own switches after the host's: the trusted keys' servers accepted
// whatever their certificates say (any other certificate error is the host's to answer),
// frames kept in the page's process (so its requests pause in the page's
// session), no back-forward cache (a history step loads its document again, as requests
// must be seen), plain http left as the page wrote it (an address the host approved is
// the one loaded), and host names resolved as the host's own resolver rules say, and
// otherwise as the environment's rules map the test servers (nothing but loopback
// resolves beyond those). The host's --host-resolver-rules must not reach Chromium as
// well: a second one would replace these.
std::string standInChromiumArguments(const std::wstring& environmentRules, const std::wstring& hostRules,
                                     const std::wstring& trustedKeys);

// The running browser for launch.profileFolder, started when none runs. Throws
// ChromiumOptionsMismatch when one runs there with another language or other arguments
// (the engine refuses a second environment on the same folder with different options),
// std::runtime_error when the browser cannot be started.
std::shared_ptr<ChromiumProcess> sharedChromium(const ChromiumLaunch& launch);

class ChromiumOptionsMismatch : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace vesko::standin
