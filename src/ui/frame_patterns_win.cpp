#include "ui/frame_patterns_win.h"

#include <oleauto.h>

#include <utility>

#include "base/com_object_win.h"
#include "base/wide_text_win.h"
#include "ui/frame_provider_win.h"
#include "ui/uia_interface_win.h"

namespace vesko {
namespace {

using Microsoft::WRL::ComPtr;

// A pattern of one part: it looks the part up on every call, since the frame may have
// changed since the client asked for the pattern.
template <typename Interface, const IID& Id>
class FramePattern : public ComObject<Interface, Id> {
public:
    FramePattern(std::shared_ptr<FrameModel> model, std::uint32_t key) : model_(std::move(model)), key_(key) {}

    // The part as it is now, or the error for a part that is gone.
    HRESULT current(FrameElement& out) const {
        auto found = model_->element(key_);
        if (!found) return uia::kElementNotAvailable;
        out = std::move(*found);
        return S_OK;
    }
    // What a click on the part does, carried out by the window; a disabled part refuses.
    HRESULT click() const {
        FrameElement element;
        if (const HRESULT hr = current(element); FAILED(hr)) return hr;
        if (!element.enabled) return uia::kElementNotEnabled;
        return model_->request(FrameRequest::Click, key_) ? S_OK : uia::kElementNotAvailable;
    }

    const std::shared_ptr<FrameModel> model_;
    const std::uint32_t key_;
};

class InvokePattern final : public FramePattern<uia::IInvokeProvider, uia::IID_IInvokeProvider> {
public:
    using FramePattern::FramePattern;
    HRESULT STDMETHODCALLTYPE Invoke() override { return click(); }
};

class ExpandCollapsePattern final
    : public FramePattern<uia::IExpandCollapseProvider, uia::IID_IExpandCollapseProvider> {
public:
    using FramePattern::FramePattern;
    HRESULT STDMETHODCALLTYPE Expand() override {
        FrameElement element;
        if (const HRESULT hr = current(element); FAILED(hr) || element.expanded) return hr;
        return click();
    }
    // The menu runs a modal loop of its own; the cancel message ends it the way a click
    // elsewhere would.
    HRESULT STDMETHODCALLTYPE Collapse() override {
        FrameElement element;
        if (const HRESULT hr = current(element); FAILED(hr) || !element.expanded) return hr;
        PostMessageW(model_->window(), WM_CANCELMODE, 0, 0);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_ExpandCollapseState(uia::ExpandCollapseState* result) override {
        if (result == nullptr) return E_INVALIDARG;
        FrameElement element;
        if (const HRESULT hr = current(element); FAILED(hr)) return hr;
        *result = element.expanded ? uia::ExpandCollapseState_Expanded : uia::ExpandCollapseState_Collapsed;
        return S_OK;
    }
};

class SelectionPattern final : public FramePattern<uia::ISelectionProvider, uia::IID_ISelectionProvider> {
public:
    using FramePattern::FramePattern;
    HRESULT STDMETHODCALLTYPE GetSelection(SAFEARRAY** result) override {
        if (result == nullptr) return E_INVALIDARG;
        *result = nullptr;
        FrameElement element;
        if (const HRESULT hr = current(element); FAILED(hr)) return hr;
        const auto selected = model_->selectedTab();
        *result = SafeArrayCreateVector(VT_UNKNOWN, 0, selected ? 1 : 0);
        if (*result == nullptr) return E_OUTOFMEMORY;
        if (selected) {
            LONG index = 0;
            const ComPtr<IRawElementProviderSimple> tab = makeFrameProvider(model_, *selected);
            SafeArrayPutElement(*result, &index, tab.Get());
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_CanSelectMultiple(BOOL* result) override { return answer(result, FALSE); }
    HRESULT STDMETHODCALLTYPE get_IsSelectionRequired(BOOL* result) override { return answer(result, TRUE); }

private:
    HRESULT answer(BOOL* result, BOOL value) const {
        if (result == nullptr) return E_INVALIDARG;
        FrameElement element;
        *result = value;
        return current(element);
    }
};

class SelectionItemPattern final
    : public FramePattern<uia::ISelectionItemProvider, uia::IID_ISelectionItemProvider> {
public:
    using FramePattern::FramePattern;
    HRESULT STDMETHODCALLTYPE Select() override { return click(); }
    // One tab is always selected, and only one: adding is fine only for the selected one,
    // removing never is.
    HRESULT STDMETHODCALLTYPE AddToSelection() override {
        FrameElement element;
        if (const HRESULT hr = current(element); FAILED(hr)) return hr;
        return element.selected ? S_OK : uia::kInvalidOperation;
    }
    HRESULT STDMETHODCALLTYPE RemoveFromSelection() override {
        FrameElement element;
        if (const HRESULT hr = current(element); FAILED(hr)) return hr;
        return element.selected ? uia::kInvalidOperation : S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_IsSelected(BOOL* result) override {
        if (result == nullptr) return E_INVALIDARG;
        FrameElement element;
        if (const HRESULT hr = current(element); FAILED(hr)) return hr;
        *result = element.selected ? TRUE : FALSE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_SelectionContainer(IRawElementProviderSimple** result) override {
        if (result == nullptr) return E_INVALIDARG;
        *result = makeFrameProvider(model_, frame_keys::TabList).Detach();
        return S_OK;
    }
};

class ValuePattern final : public FramePattern<uia::IValueProvider, uia::IID_IValueProvider> {
public:
    using FramePattern::FramePattern;
    HRESULT STDMETHODCALLTYPE SetValue(LPCWSTR value) override {
        if (value == nullptr) return E_INVALIDARG;
        FrameElement element;
        if (const HRESULT hr = current(element); FAILED(hr)) return hr;
        model_->setAddressText(value);
        return model_->request(FrameRequest::SetAddressText, key_) ? S_OK : uia::kElementNotAvailable;
    }
    HRESULT STDMETHODCALLTYPE get_Value(BSTR* result) override {
        if (result == nullptr) return E_INVALIDARG;
        FrameElement element;
        if (const HRESULT hr = current(element); FAILED(hr)) return hr;
        *result = SysAllocString(toWide(element.value).c_str());
        return *result != nullptr ? S_OK : E_OUTOFMEMORY;
    }
    HRESULT STDMETHODCALLTYPE get_IsReadOnly(BOOL* result) override {
        if (result == nullptr) return E_INVALIDARG;
        *result = FALSE;
        return S_OK;
    }
};

template <typename Pattern>
ComPtr<IUnknown> make(const std::shared_ptr<FrameModel>& model, std::uint32_t key) {
    ComPtr<IUnknown> result;
    *result.ReleaseAndGetAddressOf() = static_cast<IUnknown*>(makeComObject<Pattern>(model, key).Detach());
    return result;
}

}  // namespace

ComPtr<IUnknown> makeFramePattern(const std::shared_ptr<FrameModel>& model, const FrameElement& element,
                                  PATTERNID pattern) {
    switch (element.role) {
        case FrameRole::Button:
            if (pattern == uia::kInvokePattern) return make<InvokePattern>(model, element.key);
            break;
        case FrameRole::MenuButton:
            if (pattern == uia::kExpandCollapsePattern) return make<ExpandCollapsePattern>(model, element.key);
            break;
        case FrameRole::TabList:
            if (pattern == uia::kSelectionPattern) return make<SelectionPattern>(model, element.key);
            break;
        case FrameRole::TabItem:
            if (pattern == uia::kSelectionItemPattern) return make<SelectionItemPattern>(model, element.key);
            break;
        case FrameRole::Edit:
            if (pattern == uia::kValuePattern) return make<ValuePattern>(model, element.key);
            break;
        default: break;
    }
    return nullptr;
}

}  // namespace vesko
