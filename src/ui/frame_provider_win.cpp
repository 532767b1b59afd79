#include "ui/frame_provider_win.h"

#include <oleauto.h>

#include <atomic>
#include <utility>

#include "base/wide_text_win.h"
#include "ui/frame_patterns_win.h"
#include "ui/uia_interface_win.h"

namespace vesko {
namespace {

using Microsoft::WRL::ComPtr;

CONTROLTYPEID controlType(FrameRole role) {
    switch (role) {
        case FrameRole::TitleBar: return uia::kTitleBarControl;
        case FrameRole::Button:
        case FrameRole::MenuButton: return uia::kButtonControl;
        case FrameRole::TabList: return uia::kTabControl;
        case FrameRole::TabItem: return uia::kTabItemControl;
        case FrameRole::ToolBar: return uia::kToolBarControl;
        case FrameRole::Edit: return uia::kEditControl;
        case FrameRole::Text: return uia::kTextControl;
        case FrameRole::StatusBar: return uia::kStatusBarControl;
    }
    return uia::kTextControl;
}

int liveSetting(LiveSetting live) {
    switch (live) {
        case LiveSetting::Off: return uia::kLiveOff;
        case LiveSetting::Polite: return uia::kLivePolite;
        case LiveSetting::Assertive: return uia::kLiveAssertive;
    }
    return uia::kLiveOff;
}

void setText(VARIANT* out, const std::wstring& text) {
    out->vt = VT_BSTR;
    out->bstrVal = SysAllocString(text.c_str());
}
void setInt(VARIANT* out, int value) {
    out->vt = VT_I4;
    out->lVal = value;
}
void setBool(VARIANT* out, bool value) {
    out->vt = VT_BOOL;
    out->boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
}

// One node of the tree: the root (key 0) or a part of the frame. Only the root answers as
// the fragment root.
class FrameNode final : public IRawElementProviderSimple,
                        public IRawElementProviderFragment,
                        public IRawElementProviderFragmentRoot {
public:
    FrameNode(std::shared_ptr<FrameModel> model, std::uint32_t key) : model_(std::move(model)), key_(key) {}
    FrameNode(const FrameNode&) = delete;
    FrameNode& operator=(const FrameNode&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (out == nullptr) return E_POINTER;
        *out = nullptr;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IRawElementProviderSimple)) {
            *out = static_cast<IRawElementProviderSimple*>(this);
        } else if (IsEqualIID(iid, IID_IRawElementProviderFragment)) {
            *out = static_cast<IRawElementProviderFragment*>(this);
        } else if (IsEqualIID(iid, IID_IRawElementProviderFragmentRoot) && key_ == 0) {
            *out = static_cast<IRawElementProviderFragmentRoot*>(this);
        } else {
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++count_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG remaining = --count_;
        if (remaining == 0) delete this;
        return remaining;
    }

    // IRawElementProviderSimple
    HRESULT STDMETHODCALLTYPE get_ProviderOptions(ProviderOptions* result) override {
        if (result == nullptr) return E_INVALIDARG;
        *result = ProviderOptions_ServerSideProvider;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetPatternProvider(PATTERNID pattern, IUnknown** result) override {
        if (result == nullptr) return E_INVALIDARG;
        *result = nullptr;
        if (key_ == 0) return S_OK;
        const auto element = model_->element(key_);
        if (!element) return uia::kElementNotAvailable;
        *result = makeFramePattern(model_, *element, pattern).Detach();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetPropertyValue(PROPERTYID property, VARIANT* result) override {
        if (result == nullptr) return E_INVALIDARG;
        VariantInit(result);
        if (key_ == 0) {
            // The window's own host provider gives the root its name and control type.
            if (property == uia::kProviderDescriptionProperty) setText(result, L"Vesko: korniza e dritares");
            return S_OK;
        }
        const auto element = model_->element(key_);
        if (!element) return uia::kElementNotAvailable;
        describe(*element, property, result);
        return S_OK;
    }
    // The root sits on the window; the address field's part on its edit window, so that
    // the system merges the native edit's own properties with the ones given here. Under
    // Wine 8 a client in another process sees the field with the name and control type
    // given here.
    HRESULT STDMETHODCALLTYPE get_HostRawElementProvider(IRawElementProviderSimple** result) override {
        if (result == nullptr) return E_INVALIDARG;
        *result = nullptr;
        HWND host = key_ == 0 ? model_->window() : key_ == frame_keys::Address ? model_->addressField() : nullptr;
        if (key_ != 0 && !model_->element(key_)) return uia::kElementNotAvailable;
        const auto hostFromHwnd = uia::api().hostProviderFromHwnd;
        if (host == nullptr || hostFromHwnd == nullptr) return S_OK;
        return hostFromHwnd(host, result);
    }

    // IRawElementProviderFragment
    HRESULT STDMETHODCALLTYPE Navigate(NavigateDirection direction, IRawElementProviderFragment** result) override {
        if (result == nullptr) return E_INVALIDARG;
        *result = nullptr;
        if (key_ != 0 && !model_->element(key_)) return uia::kElementNotAvailable;
        const auto next = model_->navigate(key_, direction);
        if (next) fragment(*next, result);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetRuntimeId(SAFEARRAY** result) override {
        if (result == nullptr) return E_INVALIDARG;
        *result = nullptr;
        // The root's id comes from its window.
        if (key_ == 0) return S_OK;
        if (!model_->element(key_)) return uia::kElementNotAvailable;
        *result = SafeArrayCreateVector(VT_I4, 0, 2);
        if (*result == nullptr) return E_OUTOFMEMORY;
        LONG parts[2] = {uia::kAppendRuntimeId, static_cast<LONG>(key_)};
        for (LONG i = 0; i < 2; ++i) SafeArrayPutElement(*result, &i, &parts[i]);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_BoundingRectangle(UiaRect* result) override {
        if (result == nullptr) return E_INVALIDARG;
        *result = UiaRect{};
        if (key_ == 0) return S_OK;
        const auto element = model_->element(key_);
        if (!element) return uia::kElementNotAvailable;
        if (element->offscreen) return S_OK;
        const RECT screen = model_->toScreen(element->bounds);
        *result = UiaRect{static_cast<double>(screen.left), static_cast<double>(screen.top),
                          static_cast<double>(screen.right - screen.left), static_cast<double>(screen.bottom - screen.top)};
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetEmbeddedFragmentRoots(SAFEARRAY** result) override {
        if (result == nullptr) return E_INVALIDARG;
        *result = nullptr;
        return S_OK;
    }
    // The frame's keyboard focus follows the keyboard and the mouse only.
    HRESULT STDMETHODCALLTYPE SetFocus() override {
        return key_ == 0 || model_->element(key_) ? S_OK : uia::kElementNotAvailable;
    }
    HRESULT STDMETHODCALLTYPE get_FragmentRoot(IRawElementProviderFragmentRoot** result) override {
        if (result == nullptr) return E_INVALIDARG;
        const ComPtr<IRawElementProviderSimple> root = makeFrameProvider(model_, 0);
        return root.CopyTo(result);
    }

    // IRawElementProviderFragmentRoot
    HRESULT STDMETHODCALLTYPE ElementProviderFromPoint(double x, double y, IRawElementProviderFragment** result) override {
        if (result == nullptr) return E_INVALIDARG;
        *result = nullptr;
        POINT point{static_cast<LONG>(x), static_cast<LONG>(y)};
        ScreenToClient(model_->window(), &point);
        if (const auto hit = model_->elementAt(Point{point.x, point.y})) fragment(*hit, result);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetFocus(IRawElementProviderFragment** result) override {
        if (result == nullptr) return E_INVALIDARG;
        *result = nullptr;
        if (const auto focused = model_->focusedElement()) fragment(*focused, result);
        return S_OK;
    }

private:
    ~FrameNode() = default;

    void fragment(std::uint32_t key, IRawElementProviderFragment** result) const {
        const ComPtr<IRawElementProviderSimple> node = makeFrameProvider(model_, key);
        node.CopyTo(result);
    }

    static void describe(const FrameElement& element, PROPERTYID property, VARIANT* result) {
        switch (property) {
            case uia::kNameProperty: return setText(result, toWide(element.name));
            case uia::kControlTypeProperty: return setInt(result, controlType(element.role));
            case uia::kAutomationIdProperty: return setText(result, frameAutomationId(element.key));
            case uia::kIsEnabledProperty: return setBool(result, element.enabled);
            case uia::kIsKeyboardFocusableProperty: return setBool(result, element.focusable);
            case uia::kHasKeyboardFocusProperty: return setBool(result, element.focused);
            case uia::kIsOffscreenProperty: return setBool(result, element.offscreen);
            case uia::kItemStatusProperty:
                if (element.role == FrameRole::TabItem) setText(result, toWide(element.itemStatus));
                return;
            case uia::kLiveSettingProperty:
                if (element.live != LiveSetting::Off) setInt(result, liveSetting(element.live));
                return;
            default: return;
        }
    }

    const std::shared_ptr<FrameModel> model_;
    const std::uint32_t key_;
    std::atomic<ULONG> count_{1};
};

}  // namespace

ComPtr<IRawElementProviderSimple> makeFrameProvider(std::shared_ptr<FrameModel> model, std::uint32_t key) {
    ComPtr<IRawElementProviderSimple> node;
    *node.ReleaseAndGetAddressOf() = new FrameNode(std::move(model), key);
    return node;
}

std::wstring frameAutomationId(std::uint32_t key) { return L"vesko-" + std::to_wstring(key); }

}  // namespace vesko
