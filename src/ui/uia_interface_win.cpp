#include "ui/uia_interface_win.h"

namespace vesko::uia {
namespace {

template <typename Function>
void load(HMODULE module, const char* name, Function& function) {
    function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// Wine exports some provider functions as stubs that end the calling process.
bool underWine() {
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

Api loadApi() {
    Api result;
    // Kept loaded: providers handed out live as long as their clients hold them.
    HMODULE module = LoadLibraryW(L"uiautomationcore.dll");
    if (module == nullptr) return result;
    load(module, "UiaReturnRawElementProvider", result.returnRawElementProvider);
    load(module, "UiaHostProviderFromHwnd", result.hostProviderFromHwnd);
    load(module, "UiaRaiseAutomationEvent", result.raiseAutomationEvent);
    load(module, "UiaRaiseAutomationPropertyChangedEvent", result.raisePropertyChangedEvent);
    // Wine 8's is such a stub; Windows raises the event.
    if (!underWine()) load(module, "UiaRaiseStructureChangedEvent", result.raiseStructureChangedEvent);
    load(module, "UiaDisconnectProvider", result.disconnectProvider);
    return result;
}

}  // namespace

const Api& api() {
    static const Api loaded = loadApi();
    return loaded;
}

}  // namespace vesko::uia
