#pragma once
// The arguments of the engine's events that lead out of a kiosk view: the context menu
// (its items, as the engine names them, and its target), a server-certificate error and
// the launch of a program for an external scheme.

#include <string>
#include <vector>

#include "engine/engine_lockdown_interface_win.h"
#include "event_args.h"

namespace vesko::standin {

class MenuItemCollection;

// One item of the engine's menu: a command, check box, separator or submenu.
class MenuItemObject final : public ComObject<ICoreWebView2ContextMenuItem, IID_ICoreWebView2ContextMenuItem> {
public:
    MenuItemObject(std::string owner, std::wstring name, COREWEBVIEW2_CONTEXT_MENU_ITEM_KIND kind, INT32 commandId,
                   ComPtr<MenuItemCollection> children);
    HRESULT STDMETHODCALLTYPE get_Name(LPWSTR* v) override { return answerText(owner_, "get_Name", name_, v); }
    HRESULT STDMETHODCALLTYPE get_Label(LPWSTR* v) override { return answerText(owner_, "get_Label", name_, v); }
    HRESULT STDMETHODCALLTYPE get_CommandId(INT32* v) override { return answerValue(owner_, "get_CommandId", v, commandId_); }
    HRESULT STDMETHODCALLTYPE get_ShortcutKeyDescription(LPWSTR* v) override { return answerText(owner_, "get_ShortcutKeyDescription", L"", v); }
    HRESULT STDMETHODCALLTYPE get_Icon(IStream** v) override { return answerValue(owner_, "get_Icon", v, nullptr); }
    HRESULT STDMETHODCALLTYPE get_Kind(COREWEBVIEW2_CONTEXT_MENU_ITEM_KIND* v) override { return answerValue(owner_, "get_Kind", v, kind_); }
    HRESULT STDMETHODCALLTYPE put_IsEnabled(BOOL v) override { return answerFlag(owner_, "put_IsEnabled", v, enabled_); }
    HRESULT STDMETHODCALLTYPE get_IsEnabled(BOOL* v) override { return answerValue(owner_, "get_IsEnabled", v, enabled_); }
    HRESULT STDMETHODCALLTYPE put_IsChecked(BOOL v) override { return answerFlag(owner_, "put_IsChecked", v, checked_); }
    HRESULT STDMETHODCALLTYPE get_IsChecked(BOOL* v) override { return answerValue(owner_, "get_IsChecked", v, checked_); }
    // Only a submenu has children; the engine hands out null for any other item.
    HRESULT STDMETHODCALLTYPE get_Children(ICoreWebView2ContextMenuItemCollection** v) override;
    HRESULT STDMETHODCALLTYPE add_CustomItemSelected(ICoreWebView2CustomItemSelectedEventHandler*, EventRegistrationToken*) override { return answerUnsupported(owner_, "add_CustomItemSelected"); }
    HRESULT STDMETHODCALLTYPE remove_CustomItemSelected(EventRegistrationToken) override { return answerUnsupported(owner_, "remove_CustomItemSelected"); }

    const std::wstring& name() const { return name_; }
    COREWEBVIEW2_CONTEXT_MENU_ITEM_KIND kind() const { return kind_; }
    MenuItemCollection* children() const { return children_.Get(); }

private:
    std::string owner_;
    std::wstring name_;
    COREWEBVIEW2_CONTEXT_MENU_ITEM_KIND kind_;
    INT32 commandId_;
    ComPtr<MenuItemCollection> children_;
    bool enabled_ = true;
    bool checked_ = false;
};

class MenuItemCollection final
    : public ComObject<ICoreWebView2ContextMenuItemCollection, IID_ICoreWebView2ContextMenuItemCollection> {
public:
    explicit MenuItemCollection(std::string owner) : owner_(std::move(owner)) {}
    HRESULT STDMETHODCALLTYPE get_Count(UINT32* v) override { return answerValue(owner_, "get_Count", v, items_.size()); }
    HRESULT STDMETHODCALLTYPE GetValueAtIndex(UINT32 index, ICoreWebView2ContextMenuItem** v) override;
    HRESULT STDMETHODCALLTYPE RemoveValueAtIndex(UINT32 index) override;
    HRESULT STDMETHODCALLTYPE InsertValueAtIndex(UINT32, ICoreWebView2ContextMenuItem*) override { return answerUnsupported(owner_, "InsertValueAtIndex"); }

    void append(ComPtr<MenuItemObject> item) { items_.push_back(std::move(item)); }
    // The items written as "name name | name[child child]": "|" a separator.
    std::string describe() const;

private:
    std::string owner_;
    std::vector<ComPtr<MenuItemObject>> items_;
};

// What the menu was opened on, read from the page.
struct MenuTargetState {
    COREWEBVIEW2_CONTEXT_MENU_TARGET_KIND kind = COREWEBVIEW2_CONTEXT_MENU_TARGET_KIND_PAGE;
    bool editable = false;
    std::wstring pageUri, linkUri, linkText, sourceUri, selection;
};

class MenuTarget final : public ComObject<ICoreWebView2ContextMenuTarget, IID_ICoreWebView2ContextMenuTarget> {
public:
    MenuTarget(std::string owner, MenuTargetState state) : owner_(std::move(owner)), s_(std::move(state)) {}
    HRESULT STDMETHODCALLTYPE get_Kind(COREWEBVIEW2_CONTEXT_MENU_TARGET_KIND* v) override { return answerValue(owner_, "get_Kind", v, s_.kind); }
    HRESULT STDMETHODCALLTYPE get_IsEditable(BOOL* v) override { return answerValue(owner_, "get_IsEditable", v, s_.editable); }
    HRESULT STDMETHODCALLTYPE get_IsRequestedForMainFrame(BOOL* v) override { return answerValue(owner_, "get_IsRequestedForMainFrame", v, true); }
    HRESULT STDMETHODCALLTYPE get_PageUri(LPWSTR* v) override { return answerText(owner_, "get_PageUri", s_.pageUri, v); }
    HRESULT STDMETHODCALLTYPE get_FrameUri(LPWSTR* v) override { return answerText(owner_, "get_FrameUri", s_.pageUri, v); }
    HRESULT STDMETHODCALLTYPE get_HasLinkUri(BOOL* v) override { return answerValue(owner_, "get_HasLinkUri", v, !s_.linkUri.empty()); }
    HRESULT STDMETHODCALLTYPE get_LinkUri(LPWSTR* v) override { return answerText(owner_, "get_LinkUri", s_.linkUri, v); }
    HRESULT STDMETHODCALLTYPE get_HasLinkText(BOOL* v) override { return answerValue(owner_, "get_HasLinkText", v, !s_.linkText.empty()); }
    HRESULT STDMETHODCALLTYPE get_LinkText(LPWSTR* v) override { return answerText(owner_, "get_LinkText", s_.linkText, v); }
    HRESULT STDMETHODCALLTYPE get_HasSourceUri(BOOL* v) override { return answerValue(owner_, "get_HasSourceUri", v, !s_.sourceUri.empty()); }
    HRESULT STDMETHODCALLTYPE get_SourceUri(LPWSTR* v) override { return answerText(owner_, "get_SourceUri", s_.sourceUri, v); }
    HRESULT STDMETHODCALLTYPE get_HasSelection(BOOL* v) override { return answerValue(owner_, "get_HasSelection", v, !s_.selection.empty()); }
    HRESULT STDMETHODCALLTYPE get_SelectionText(LPWSTR* v) override { return answerText(owner_, "get_SelectionText", s_.selection, v); }

private:
    std::string owner_;
    MenuTargetState s_;
};

class ContextMenuArgs final
    : public ComObject<ICoreWebView2ContextMenuRequestedEventArgs, IID_ICoreWebView2ContextMenuRequestedEventArgs> {
    LiveMark<LiveKind::eventArgs> live_;
public:
    ContextMenuArgs(std::string owner, ComPtr<MenuItemCollection> items, ComPtr<MenuTarget> target, POINT location,
                    std::function<void()> resume)
        : owner_(std::move(owner) + ".contextMenuRequested"), items_(std::move(items)), target_(std::move(target)),
          location_(location), deferral_(std::move(resume)) {}
    HRESULT STDMETHODCALLTYPE get_MenuItems(ICoreWebView2ContextMenuItemCollection** v) override { return answerObject(owner_, "get_MenuItems", items_.Get(), v); }
    HRESULT STDMETHODCALLTYPE get_ContextMenuTarget(ICoreWebView2ContextMenuTarget** v) override { return answerObject(owner_, "get_ContextMenuTarget", target_.Get(), v); }
    HRESULT STDMETHODCALLTYPE get_Location(POINT* v) override { return answerValue(owner_, "get_Location", v, location_); }
    HRESULT STDMETHODCALLTYPE put_SelectedCommandId(INT32 v) override {
        record(owner_, "put_SelectedCommandId", std::to_string(v));
        selected_ = v;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_SelectedCommandId(INT32* v) override { return answerValue(owner_, "get_SelectedCommandId", v, selected_); }
    HRESULT STDMETHODCALLTYPE put_Handled(BOOL v) override { return answerFlag(owner_, "put_Handled", v, handled_); }
    HRESULT STDMETHODCALLTYPE get_Handled(BOOL* v) override { return answerValue(owner_, "get_Handled", v, handled_); }
    HRESULT STDMETHODCALLTYPE GetDeferral(ICoreWebView2Deferral** v) override { return deferral_.give(owner_, v); }

    const MenuItemCollection& items() const { return *items_.Get(); }
    bool handled() const { return handled_; }
    INT32 selectedCommand() const { return selected_; }
    bool deferred() const { return deferral_.pending(); }

private:
    std::string owner_;
    ComPtr<MenuItemCollection> items_;
    ComPtr<MenuTarget> target_;
    POINT location_;
    DeferralSlot deferral_;
    INT32 selected_ = -1;
    bool handled_ = false;
};

class CertificateErrorArgs final : public ComObject<ICoreWebView2ServerCertificateErrorDetectedEventArgs,
                                                    IID_ICoreWebView2ServerCertificateErrorDetectedEventArgs> {
    LiveMark<LiveKind::eventArgs> live_;
public:
    CertificateErrorArgs(std::string owner, std::wstring uri, COREWEBVIEW2_WEB_ERROR_STATUS status,
                         std::function<void()> resume)
        : owner_(std::move(owner) + ".serverCertificateErrorDetected"), uri_(std::move(uri)), status_(status),
          deferral_(std::move(resume)) {}
    HRESULT STDMETHODCALLTYPE get_ErrorStatus(COREWEBVIEW2_WEB_ERROR_STATUS* v) override { return answerValue(owner_, "get_ErrorStatus", v, status_); }
    HRESULT STDMETHODCALLTYPE get_RequestUri(LPWSTR* v) override { return answerText(owner_, "get_RequestUri", uri_, v); }
    HRESULT STDMETHODCALLTYPE get_ServerCertificate(ICoreWebView2Certificate**) override { return answerUnsupported(owner_, "get_ServerCertificate"); }
    HRESULT STDMETHODCALLTYPE get_Action(COREWEBVIEW2_SERVER_CERTIFICATE_ERROR_ACTION* v) override { return answerValue(owner_, "get_Action", v, action_); }
    HRESULT STDMETHODCALLTYPE put_Action(COREWEBVIEW2_SERVER_CERTIFICATE_ERROR_ACTION v) override {
        record(owner_, "put_Action", std::to_string(v));
        if (v < COREWEBVIEW2_SERVER_CERTIFICATE_ERROR_ACTION_ALWAYS_ALLOW || v > COREWEBVIEW2_SERVER_CERTIFICATE_ERROR_ACTION_DEFAULT) {
            return E_INVALIDARG;
        }
        action_ = v;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDeferral(ICoreWebView2Deferral** v) override { return deferral_.give(owner_, v); }
    COREWEBVIEW2_SERVER_CERTIFICATE_ERROR_ACTION action() const { return action_; }
    bool deferred() const { return deferral_.pending(); }

private:
    std::string owner_;
    std::wstring uri_;
    COREWEBVIEW2_WEB_ERROR_STATUS status_;
    DeferralSlot deferral_;
    // Without an answer the engine shows its warning page.
    COREWEBVIEW2_SERVER_CERTIFICATE_ERROR_ACTION action_ = COREWEBVIEW2_SERVER_CERTIFICATE_ERROR_ACTION_DEFAULT;
};

class ExternalSchemeArgs final : public ComObject<ICoreWebView2LaunchingExternalUriSchemeEventArgs,
                                                  IID_ICoreWebView2LaunchingExternalUriSchemeEventArgs> {
    LiveMark<LiveKind::eventArgs> live_;
public:
    ExternalSchemeArgs(std::string owner, std::wstring uri, std::wstring origin, bool userInitiated,
                       std::function<void()> resume)
        : owner_(std::move(owner) + ".launchingExternalUriScheme"), uri_(std::move(uri)), origin_(std::move(origin)),
          userInitiated_(userInitiated), deferral_(std::move(resume)) {}
    HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR* v) override { return answerText(owner_, "get_Uri", uri_, v); }
    HRESULT STDMETHODCALLTYPE get_InitiatingOrigin(LPWSTR* v) override { return answerText(owner_, "get_InitiatingOrigin", origin_, v); }
    HRESULT STDMETHODCALLTYPE get_IsUserInitiated(BOOL* v) override { return answerValue(owner_, "get_IsUserInitiated", v, userInitiated_); }
    HRESULT STDMETHODCALLTYPE get_Cancel(BOOL* v) override { return answerValue(owner_, "get_Cancel", v, cancel_); }
    HRESULT STDMETHODCALLTYPE put_Cancel(BOOL v) override { return answerFlag(owner_, "put_Cancel", v, cancel_); }
    HRESULT STDMETHODCALLTYPE GetDeferral(ICoreWebView2Deferral** v) override { return deferral_.give(owner_, v); }
    bool cancelled() const { return cancel_; }
    bool deferred() const { return deferral_.pending(); }

private:
    std::string owner_;
    std::wstring uri_;
    std::wstring origin_;
    bool userInitiated_;
    DeferralSlot deferral_;
    bool cancel_ = false;
};

}  // namespace vesko::standin
