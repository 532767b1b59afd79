#pragma once
// A view's settings object: every switch the host may set, with an engine's defaults.
// The view reads whether web messages and script dialogs reach the host; the record and
// the view's state show the PDF toolbar items hidden.

#include <string>

#include "com_support.h"
#include "engine/engine_lockdown_interface_win.h"

namespace vesko::standin {

class ViewSettings final
    : public ComObject<ICoreWebView2Settings7, IID_ICoreWebView2Settings, IID_ICoreWebView2Settings2,
                       IID_ICoreWebView2Settings3, IID_ICoreWebView2Settings4, IID_ICoreWebView2Settings5,
                       IID_ICoreWebView2Settings6, IID_ICoreWebView2Settings7> {
public:
    // version: the newest of the seven interfaces an older runtime offers.
    ViewSettings(std::string owner, int version) : ComObject(version), owner_(std::move(owner) + ".settings") {}
    HRESULT STDMETHODCALLTYPE get_IsScriptEnabled(BOOL* v) override { return get(v, script_, "get_IsScriptEnabled"); }
    HRESULT STDMETHODCALLTYPE put_IsScriptEnabled(BOOL v) override { return put(script_, v, "put_IsScriptEnabled"); }
    HRESULT STDMETHODCALLTYPE get_IsWebMessageEnabled(BOOL* v) override { return get(v, webMessage_, "get_IsWebMessageEnabled"); }
    HRESULT STDMETHODCALLTYPE put_IsWebMessageEnabled(BOOL v) override { return put(webMessage_, v, "put_IsWebMessageEnabled"); }
    HRESULT STDMETHODCALLTYPE get_AreDefaultScriptDialogsEnabled(BOOL* v) override { return get(v, dialogs_, "get_AreDefaultScriptDialogsEnabled"); }
    HRESULT STDMETHODCALLTYPE put_AreDefaultScriptDialogsEnabled(BOOL v) override { return put(dialogs_, v, "put_AreDefaultScriptDialogsEnabled"); }
    HRESULT STDMETHODCALLTYPE get_IsStatusBarEnabled(BOOL* v) override { return get(v, statusBar_, "get_IsStatusBarEnabled"); }
    HRESULT STDMETHODCALLTYPE put_IsStatusBarEnabled(BOOL v) override { return put(statusBar_, v, "put_IsStatusBarEnabled"); }
    HRESULT STDMETHODCALLTYPE get_AreDevToolsEnabled(BOOL* v) override { return get(v, devTools_, "get_AreDevToolsEnabled"); }
    HRESULT STDMETHODCALLTYPE put_AreDevToolsEnabled(BOOL v) override { return put(devTools_, v, "put_AreDevToolsEnabled"); }
    HRESULT STDMETHODCALLTYPE get_AreDefaultContextMenusEnabled(BOOL* v) override { return get(v, contextMenus_, "get_AreDefaultContextMenusEnabled"); }
    HRESULT STDMETHODCALLTYPE put_AreDefaultContextMenusEnabled(BOOL v) override { return put(contextMenus_, v, "put_AreDefaultContextMenusEnabled"); }
    HRESULT STDMETHODCALLTYPE get_AreHostObjectsAllowed(BOOL* v) override { return get(v, hostObjects_, "get_AreHostObjectsAllowed"); }
    HRESULT STDMETHODCALLTYPE put_AreHostObjectsAllowed(BOOL v) override { return put(hostObjects_, v, "put_AreHostObjectsAllowed"); }
    HRESULT STDMETHODCALLTYPE get_IsZoomControlEnabled(BOOL* v) override { return get(v, zoomControl_, "get_IsZoomControlEnabled"); }
    HRESULT STDMETHODCALLTYPE put_IsZoomControlEnabled(BOOL v) override { return put(zoomControl_, v, "put_IsZoomControlEnabled"); }
    HRESULT STDMETHODCALLTYPE get_IsBuiltInErrorPageEnabled(BOOL* v) override { return get(v, errorPage_, "get_IsBuiltInErrorPageEnabled"); }
    HRESULT STDMETHODCALLTYPE put_IsBuiltInErrorPageEnabled(BOOL v) override { return put(errorPage_, v, "put_IsBuiltInErrorPageEnabled"); }
    HRESULT STDMETHODCALLTYPE get_UserAgent(LPWSTR* value) override {
        record(owner_, "get_UserAgent");
        return copyToTaskMemory(userAgent_, value);
    }
    HRESULT STDMETHODCALLTYPE put_UserAgent(LPCWSTR value) override {
        record(owner_, "put_UserAgent", toUtf8(value != nullptr ? value : L""));
        if (value == nullptr) return E_INVALIDARG;
        userAgent_ = value;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_AreBrowserAcceleratorKeysEnabled(BOOL* v) override { return get(v, acceleratorKeys_, "get_AreBrowserAcceleratorKeysEnabled"); }
    HRESULT STDMETHODCALLTYPE put_AreBrowserAcceleratorKeysEnabled(BOOL v) override { return put(acceleratorKeys_, v, "put_AreBrowserAcceleratorKeysEnabled"); }

    HRESULT STDMETHODCALLTYPE get_IsPasswordAutosaveEnabled(BOOL* v) override { return get(v, passwordAutosave_, "get_IsPasswordAutosaveEnabled"); }
    HRESULT STDMETHODCALLTYPE put_IsPasswordAutosaveEnabled(BOOL v) override { return put(passwordAutosave_, v, "put_IsPasswordAutosaveEnabled"); }
    HRESULT STDMETHODCALLTYPE get_IsGeneralAutofillEnabled(BOOL* v) override { return get(v, autofill_, "get_IsGeneralAutofillEnabled"); }
    HRESULT STDMETHODCALLTYPE put_IsGeneralAutofillEnabled(BOOL v) override { return put(autofill_, v, "put_IsGeneralAutofillEnabled"); }
    HRESULT STDMETHODCALLTYPE get_IsPinchZoomEnabled(BOOL* v) override { return get(v, pinchZoom_, "get_IsPinchZoomEnabled"); }
    HRESULT STDMETHODCALLTYPE put_IsPinchZoomEnabled(BOOL v) override { return put(pinchZoom_, v, "put_IsPinchZoomEnabled"); }
    HRESULT STDMETHODCALLTYPE get_IsSwipeNavigationEnabled(BOOL* v) override { return get(v, swipe_, "get_IsSwipeNavigationEnabled"); }
    HRESULT STDMETHODCALLTYPE put_IsSwipeNavigationEnabled(BOOL v) override { return put(swipe_, v, "put_IsSwipeNavigationEnabled"); }
    HRESULT STDMETHODCALLTYPE get_HiddenPdfToolbarItems(COREWEBVIEW2_PDF_TOOLBAR_ITEMS* value) override {
        record(owner_, "get_HiddenPdfToolbarItems");
        if (value == nullptr) return E_POINTER;
        *value = hiddenPdfItems_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_HiddenPdfToolbarItems(COREWEBVIEW2_PDF_TOOLBAR_ITEMS value) override {
        record(owner_, "put_HiddenPdfToolbarItems", std::to_string(value));
        hiddenPdfItems_ = value;
        return S_OK;
    }

    bool webMessagesEnabled() const { return webMessage_ != FALSE; }
    bool scriptDialogsEnabled() const { return dialogs_ != FALSE; }
    COREWEBVIEW2_PDF_TOOLBAR_ITEMS hiddenPdfToolbarItems() const { return hiddenPdfItems_; }

private:
    HRESULT get(BOOL* out, BOOL value, const char* method) {
        record(owner_, method);
        if (out == nullptr) return E_POINTER;
        *out = value;
        return S_OK;
    }
    HRESULT put(BOOL& field, BOOL value, const char* method) {
        record(owner_, method, boolText(value));
        field = value ? TRUE : FALSE;
        return S_OK;
    }
    std::string owner_;
    // An engine's defaults: everything on except nothing.
    BOOL script_ = TRUE, webMessage_ = TRUE, dialogs_ = TRUE, statusBar_ = TRUE, devTools_ = TRUE,
         contextMenus_ = TRUE, hostObjects_ = TRUE, zoomControl_ = TRUE, errorPage_ = TRUE, acceleratorKeys_ = TRUE,
         passwordAutosave_ = FALSE, autofill_ = TRUE, pinchZoom_ = TRUE, swipe_ = TRUE;
    // The PDF viewer shows every toolbar item until the host hides some.
    COREWEBVIEW2_PDF_TOOLBAR_ITEMS hiddenPdfItems_ = COREWEBVIEW2_PDF_TOOLBAR_ITEMS_NONE;
    std::wstring userAgent_ = L"Mozilla/5.0 (Windows NT 10.0; Win64; x64) VeskoStandIn/1.0";
};

}  // namespace vesko::standin
