#include "engine/environment_options_win.h"

#include <cstring>
#include <string>

#include "base/com_object_win.h"
#include "base/wide_text_win.h"
#include "engine/engine_settings.h"
#include "engine/engine_switches.h"

namespace vesko {
namespace {

// The options the engine reads while it creates the environment. The engine keeps its
// own references, so the object may outlive startEngine.
class EnvironmentOptions final
    : public ComObject<ICoreWebView2EnvironmentOptions, IID_ICoreWebView2EnvironmentOptions> {
public:
    EnvironmentOptions()
        : additionalBrowserArguments_(toWide(engineSwitches())),
          language_(toWide(kEngineLanguage)),
          targetCompatibleBrowserVersion_(toWide(kTargetCompatibleBrowserVersion)) {}

    HRESULT STDMETHODCALLTYPE get_AdditionalBrowserArguments(LPWSTR* value) override {
        return copyOut(additionalBrowserArguments_, value);
    }
    HRESULT STDMETHODCALLTYPE put_AdditionalBrowserArguments(LPCWSTR value) override {
        return store(additionalBrowserArguments_, value);
    }
    HRESULT STDMETHODCALLTYPE get_Language(LPWSTR* value) override { return copyOut(language_, value); }
    HRESULT STDMETHODCALLTYPE put_Language(LPCWSTR value) override { return store(language_, value); }
    HRESULT STDMETHODCALLTYPE get_TargetCompatibleBrowserVersion(LPWSTR* value) override {
        return copyOut(targetCompatibleBrowserVersion_, value);
    }
    HRESULT STDMETHODCALLTYPE put_TargetCompatibleBrowserVersion(LPCWSTR value) override {
        return store(targetCompatibleBrowserVersion_, value);
    }
    HRESULT STDMETHODCALLTYPE get_AllowSingleSignOnUsingOSPrimaryAccount(BOOL* allow) override {
        if (allow == nullptr) return E_POINTER;
        *allow = allowSingleSignOnUsingOSPrimaryAccount_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_AllowSingleSignOnUsingOSPrimaryAccount(BOOL allow) override {
        allowSingleSignOnUsingOSPrimaryAccount_ = allow;
        return S_OK;
    }

private:
    ~EnvironmentOptions() override = default;

    // The caller owns the copy and frees it with CoTaskMemFree.
    static HRESULT copyOut(const std::wstring& text, LPWSTR* out) {
        if (out == nullptr) return E_POINTER;
        const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
        auto* copy = static_cast<wchar_t*>(CoTaskMemAlloc(bytes));
        if (copy == nullptr) {
            *out = nullptr;
            return E_OUTOFMEMORY;
        }
        std::memcpy(copy, text.c_str(), bytes);
        *out = copy;
        return S_OK;
    }
    static HRESULT store(std::wstring& field, LPCWSTR value) {
        field = value != nullptr ? value : L"";
        return S_OK;
    }

    std::wstring additionalBrowserArguments_;
    std::wstring language_;
    std::wstring targetCompatibleBrowserVersion_;
    BOOL allowSingleSignOnUsingOSPrimaryAccount_ = FALSE;
};

}  // namespace

Microsoft::WRL::ComPtr<ICoreWebView2EnvironmentOptions> createEnvironmentOptions() {
    return makeComObject<EnvironmentOptions>();
}

}  // namespace vesko
