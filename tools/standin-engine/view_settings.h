#pragma once
// A view's settings object: every switch the host may set, with an engine's defaults.
// The view reads two of them: whether web messages and script dialogs reach the host.

#include <string>

#include "com_support.h"

namespace vesko::standin {

class ViewSettings final : public ComObject<ICoreWebView2Settings3, IID_ICoreWebView2Settings,
                                            IID_ICoreWebView2Settings2, IID_ICoreWebView2Settings3> {
public:
    // version: the newest of the three interfaces an older runtime offers.
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

    bool webMessagesEnabled() const { return webMessage_ != FALSE; }
    bool scriptDialogsEnabled() const { return dialogs_ != FALSE; }

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
         contextMenus_ = TRUE, hostObjects_ = TRUE, zoomControl_ = TRUE, errorPage_ = TRUE, acceleratorKeys_ = TRUE;
    std::wstring userAgent_ = L"Mozilla/5.0 (Windows NT 10.0; Win64; x64) VeskoStandIn/1.0";
};

}  // namespace vesko::standin
