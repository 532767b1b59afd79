#pragma once
// The engine's interfaces for closing the routes out of a kiosk view: the context menu and
// its items, server-certificate errors, external-scheme launches, the newer settings (the
// PDF toolbar) and controllers (external drops). Written from the engine's published ABI
// facts, like the main header; the Wine test checks every slot, identifier and value.

#include "engine/engine_interface_win.h"

enum COREWEBVIEW2_CONTEXT_MENU_ITEM_KIND : std::int32_t {
    COREWEBVIEW2_CONTEXT_MENU_ITEM_KIND_COMMAND = 0,
    COREWEBVIEW2_CONTEXT_MENU_ITEM_KIND_CHECK_BOX = 1,
    COREWEBVIEW2_CONTEXT_MENU_ITEM_KIND_RADIO = 2,
    COREWEBVIEW2_CONTEXT_MENU_ITEM_KIND_SEPARATOR = 3,
    COREWEBVIEW2_CONTEXT_MENU_ITEM_KIND_SUBMENU = 4,
};

enum COREWEBVIEW2_CONTEXT_MENU_TARGET_KIND : std::int32_t {
    COREWEBVIEW2_CONTEXT_MENU_TARGET_KIND_PAGE = 0,
    COREWEBVIEW2_CONTEXT_MENU_TARGET_KIND_IMAGE = 1,
    COREWEBVIEW2_CONTEXT_MENU_TARGET_KIND_SELECTED_TEXT = 2,
    COREWEBVIEW2_CONTEXT_MENU_TARGET_KIND_AUDIO = 3,
    COREWEBVIEW2_CONTEXT_MENU_TARGET_KIND_VIDEO = 4,
};

enum COREWEBVIEW2_SERVER_CERTIFICATE_ERROR_ACTION : std::int32_t {
    COREWEBVIEW2_SERVER_CERTIFICATE_ERROR_ACTION_ALWAYS_ALLOW = 0,
    COREWEBVIEW2_SERVER_CERTIFICATE_ERROR_ACTION_CANCEL = 1,
    COREWEBVIEW2_SERVER_CERTIFICATE_ERROR_ACTION_DEFAULT = 2,
};

// A bit set.
enum COREWEBVIEW2_PDF_TOOLBAR_ITEMS : std::int32_t {
    COREWEBVIEW2_PDF_TOOLBAR_ITEMS_NONE = 0,
    COREWEBVIEW2_PDF_TOOLBAR_ITEMS_SAVE = 1,
    COREWEBVIEW2_PDF_TOOLBAR_ITEMS_PRINT = 2,
    COREWEBVIEW2_PDF_TOOLBAR_ITEMS_SAVE_AS = 4,
    COREWEBVIEW2_PDF_TOOLBAR_ITEMS_ZOOM_IN = 8,
    COREWEBVIEW2_PDF_TOOLBAR_ITEMS_ZOOM_OUT = 16,
    COREWEBVIEW2_PDF_TOOLBAR_ITEMS_ROTATE = 32,
    COREWEBVIEW2_PDF_TOOLBAR_ITEMS_FIT_PAGE = 64,
    COREWEBVIEW2_PDF_TOOLBAR_ITEMS_PAGE_LAYOUT = 128,
    COREWEBVIEW2_PDF_TOOLBAR_ITEMS_BOOKMARKS = 256,
    COREWEBVIEW2_PDF_TOOLBAR_ITEMS_PAGE_SELECTOR = 512,
    COREWEBVIEW2_PDF_TOOLBAR_ITEMS_SEARCH = 1024,
    COREWEBVIEW2_PDF_TOOLBAR_ITEMS_FULL_SCREEN = 2048,
    COREWEBVIEW2_PDF_TOOLBAR_ITEMS_MORE_SETTINGS = 4096,
};

// Types of slots the program never calls: a colour is four bytes (alpha, red, green,
// blue), the bounds mode a 32-bit value whose members nothing here names.
struct COREWEBVIEW2_COLOR {
    BYTE A;
    BYTE R;
    BYTE G;
    BYTE B;
};
enum COREWEBVIEW2_BOUNDS_MODE : std::int32_t {};

struct ICoreWebView2RasterizationScaleChangedEventHandler;
struct ICoreWebView2CustomItemSelectedEventHandler;
struct ICoreWebView2StringCollection;
struct ICoreWebView2Settings4;
struct ICoreWebView2Settings5;
struct ICoreWebView2Settings6;
struct ICoreWebView2Settings7;
struct ICoreWebView2Controller2;
struct ICoreWebView2Controller3;
struct ICoreWebView2Controller4;
struct ICoreWebView2ContextMenuRequestedEventHandler;
struct ICoreWebView2ContextMenuRequestedEventArgs;
struct ICoreWebView2ContextMenuItemCollection;
struct ICoreWebView2ContextMenuItem;
struct ICoreWebView2ContextMenuTarget;
struct ICoreWebView2ServerCertificateErrorDetectedEventHandler;
struct ICoreWebView2ServerCertificateErrorDetectedEventArgs;
struct ICoreWebView2Certificate;
struct ICoreWebView2LaunchingExternalUriSchemeEventHandler;
struct ICoreWebView2LaunchingExternalUriSchemeEventArgs;

VESKO_ENGINE_IID(ICoreWebView2Settings4, 0xcb56846c, 0x4168, 0x4d53, 0xb0, 0x4f, 0x03, 0xb6, 0xd6, 0x79, 0x6f, 0xf2)
VESKO_ENGINE_IID(ICoreWebView2Settings5, 0x183e7052, 0x1d03, 0x43a0, 0xab, 0x99, 0x98, 0xe0, 0x43, 0xb6, 0x6b, 0x39)
VESKO_ENGINE_IID(ICoreWebView2Settings6, 0x11cb3acd, 0x9bc8, 0x43b8, 0x83, 0xbf, 0xf4, 0x07, 0x53, 0x71, 0x4f, 0x87)
VESKO_ENGINE_IID(ICoreWebView2Settings7, 0x488dc902, 0x35ef, 0x42d2, 0xbc, 0x7d, 0x94, 0xb6, 0x5c, 0x4b, 0xc4, 0x9c)
VESKO_ENGINE_IID(ICoreWebView2Controller2, 0xc979903e, 0xd4ca, 0x4228, 0x92, 0xeb, 0x47, 0xee, 0x3f, 0xa9, 0x6e, 0xab)
VESKO_ENGINE_IID(ICoreWebView2Controller3, 0xf9614724, 0x5d2b, 0x41dc, 0xae, 0xf7, 0x73, 0xd6, 0x2b, 0x51, 0x54, 0x3b)
VESKO_ENGINE_IID(ICoreWebView2Controller4, 0x97d418d5, 0xa426, 0x4e49, 0xa1, 0x51, 0xe1, 0xa1, 0x0f, 0x32, 0x7d, 0x9e)
VESKO_ENGINE_IID(ICoreWebView2ContextMenuRequestedEventHandler, 0x04d3fe1d, 0xab87, 0x42fb, 0xa8, 0x98, 0xda, 0x24, 0x1d, 0x35, 0xb6, 0x3c)
VESKO_ENGINE_IID(ICoreWebView2ContextMenuRequestedEventArgs, 0xa1d309ee, 0xc03f, 0x11eb, 0x85, 0x29, 0x02, 0x42, 0xac, 0x13, 0x00, 0x03)
VESKO_ENGINE_IID(ICoreWebView2ContextMenuItemCollection, 0xf562a2f5, 0xc415, 0x45cf, 0xb9, 0x09, 0xd4, 0xb7, 0xc1, 0xe2, 0x76, 0xd3)
VESKO_ENGINE_IID(ICoreWebView2ContextMenuItem, 0x7aed49e3, 0xa93f, 0x497a, 0x81, 0x1c, 0x74, 0x9c, 0x6b, 0x6b, 0x6c, 0x65)
VESKO_ENGINE_IID(ICoreWebView2ContextMenuTarget, 0xb8611d99, 0xeed6, 0x4f3f, 0x90, 0x2c, 0xa1, 0x98, 0x50, 0x2a, 0xd4, 0x72)
VESKO_ENGINE_IID(ICoreWebView2ServerCertificateErrorDetectedEventHandler, 0x969b3a26, 0xd85e, 0x4795, 0x81, 0x99, 0xfe, 0xf5, 0x73, 0x44, 0xda, 0x22)
VESKO_ENGINE_IID(ICoreWebView2ServerCertificateErrorDetectedEventArgs, 0x012193ed, 0x7c13, 0x48ff, 0x96, 0x9d, 0xa8, 0x4c, 0x1f, 0x43, 0x2a, 0x14)
VESKO_ENGINE_IID(ICoreWebView2Certificate, 0xc5fb2fce, 0x1cac, 0x4aee, 0x9c, 0x79, 0x5e, 0xd0, 0x36, 0x2e, 0xaa, 0xe0)
VESKO_ENGINE_IID(ICoreWebView2LaunchingExternalUriSchemeEventHandler, 0x74f712e0, 0x8165, 0x43a9, 0xa1, 0x3f, 0x0c, 0xce, 0x59, 0x7e, 0x75, 0xdf)
VESKO_ENGINE_IID(ICoreWebView2LaunchingExternalUriSchemeEventArgs, 0x07d1a6c3, 0x7175, 0x4ba1, 0x93, 0x06, 0xe5, 0x93, 0xca, 0x07, 0xe4, 0x6c)

struct ICoreWebView2Settings4 : public ICoreWebView2Settings3 {
    virtual HRESULT STDMETHODCALLTYPE get_IsPasswordAutosaveEnabled(BOOL *value) = 0;  // 25
    virtual HRESULT STDMETHODCALLTYPE put_IsPasswordAutosaveEnabled(BOOL value) = 0;  // 26
    virtual HRESULT STDMETHODCALLTYPE get_IsGeneralAutofillEnabled(BOOL *value) = 0;  // 27
    virtual HRESULT STDMETHODCALLTYPE put_IsGeneralAutofillEnabled(BOOL value) = 0;  // 28
};

struct ICoreWebView2Settings5 : public ICoreWebView2Settings4 {
    virtual HRESULT STDMETHODCALLTYPE get_IsPinchZoomEnabled(BOOL *value) = 0;  // 29
    virtual HRESULT STDMETHODCALLTYPE put_IsPinchZoomEnabled(BOOL value) = 0;  // 30
};

struct ICoreWebView2Settings6 : public ICoreWebView2Settings5 {
    virtual HRESULT STDMETHODCALLTYPE get_IsSwipeNavigationEnabled(BOOL *value) = 0;  // 31
    virtual HRESULT STDMETHODCALLTYPE put_IsSwipeNavigationEnabled(BOOL value) = 0;  // 32
};

struct ICoreWebView2Settings7 : public ICoreWebView2Settings6 {
    virtual HRESULT STDMETHODCALLTYPE get_HiddenPdfToolbarItems(COREWEBVIEW2_PDF_TOOLBAR_ITEMS *value) = 0;  // 33
    virtual HRESULT STDMETHODCALLTYPE put_HiddenPdfToolbarItems(COREWEBVIEW2_PDF_TOOLBAR_ITEMS value) = 0;  // 34
};

struct ICoreWebView2Controller2 : public ICoreWebView2Controller {
    virtual HRESULT STDMETHODCALLTYPE get_DefaultBackgroundColor(COREWEBVIEW2_COLOR *value) = 0;  // 26
    virtual HRESULT STDMETHODCALLTYPE put_DefaultBackgroundColor(COREWEBVIEW2_COLOR value) = 0;  // 27
};

struct ICoreWebView2Controller3 : public ICoreWebView2Controller2 {
    virtual HRESULT STDMETHODCALLTYPE get_RasterizationScale(double *scale) = 0;  // 28
    virtual HRESULT STDMETHODCALLTYPE put_RasterizationScale(double scale) = 0;  // 29
    virtual HRESULT STDMETHODCALLTYPE get_ShouldDetectMonitorScaleChanges(BOOL *value) = 0;  // 30
    virtual HRESULT STDMETHODCALLTYPE put_ShouldDetectMonitorScaleChanges(BOOL value) = 0;  // 31
    virtual HRESULT STDMETHODCALLTYPE add_RasterizationScaleChanged(ICoreWebView2RasterizationScaleChangedEventHandler *eventHandler, EventRegistrationToken *token) = 0;  // 32
    virtual HRESULT STDMETHODCALLTYPE remove_RasterizationScaleChanged(EventRegistrationToken token) = 0;  // 33
    virtual HRESULT STDMETHODCALLTYPE get_BoundsMode(COREWEBVIEW2_BOUNDS_MODE *boundsMode) = 0;  // 34
    virtual HRESULT STDMETHODCALLTYPE put_BoundsMode(COREWEBVIEW2_BOUNDS_MODE boundsMode) = 0;  // 35
};

struct ICoreWebView2Controller4 : public ICoreWebView2Controller3 {
    virtual HRESULT STDMETHODCALLTYPE get_AllowExternalDrop(BOOL *value) = 0;  // 36
    virtual HRESULT STDMETHODCALLTYPE put_AllowExternalDrop(BOOL value) = 0;  // 37
};

struct ICoreWebView2ContextMenuRequestedEventHandler : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2 *sender, ICoreWebView2ContextMenuRequestedEventArgs *args) = 0;  // 3
};

struct ICoreWebView2ContextMenuRequestedEventArgs : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE get_MenuItems(ICoreWebView2ContextMenuItemCollection **value) = 0;  // 3
    virtual HRESULT STDMETHODCALLTYPE get_ContextMenuTarget(ICoreWebView2ContextMenuTarget **value) = 0;  // 4
    virtual HRESULT STDMETHODCALLTYPE get_Location(POINT *value) = 0;  // 5
    virtual HRESULT STDMETHODCALLTYPE put_SelectedCommandId(INT32 value) = 0;  // 6
    virtual HRESULT STDMETHODCALLTYPE get_SelectedCommandId(INT32 *value) = 0;  // 7
    virtual HRESULT STDMETHODCALLTYPE put_Handled(BOOL value) = 0;  // 8
    virtual HRESULT STDMETHODCALLTYPE get_Handled(BOOL *value) = 0;  // 9
    virtual HRESULT STDMETHODCALLTYPE GetDeferral(ICoreWebView2Deferral **deferral) = 0;  // 10
};

struct ICoreWebView2ContextMenuItemCollection : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE get_Count(UINT32 *value) = 0;  // 3
    virtual HRESULT STDMETHODCALLTYPE GetValueAtIndex(UINT32 index, ICoreWebView2ContextMenuItem **value) = 0;  // 4
    virtual HRESULT STDMETHODCALLTYPE RemoveValueAtIndex(UINT32 index) = 0;  // 5
    virtual HRESULT STDMETHODCALLTYPE InsertValueAtIndex(UINT32 index, ICoreWebView2ContextMenuItem *value) = 0;  // 6
};

struct ICoreWebView2ContextMenuItem : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE get_Name(LPWSTR *value) = 0;  // 3
    virtual HRESULT STDMETHODCALLTYPE get_Label(LPWSTR *value) = 0;  // 4
    virtual HRESULT STDMETHODCALLTYPE get_CommandId(INT32 *value) = 0;  // 5
    virtual HRESULT STDMETHODCALLTYPE get_ShortcutKeyDescription(LPWSTR *value) = 0;  // 6
    virtual HRESULT STDMETHODCALLTYPE get_Icon(IStream **value) = 0;  // 7
    virtual HRESULT STDMETHODCALLTYPE get_Kind(COREWEBVIEW2_CONTEXT_MENU_ITEM_KIND *value) = 0;  // 8
    virtual HRESULT STDMETHODCALLTYPE put_IsEnabled(BOOL value) = 0;  // 9
    virtual HRESULT STDMETHODCALLTYPE get_IsEnabled(BOOL *value) = 0;  // 10
    virtual HRESULT STDMETHODCALLTYPE put_IsChecked(BOOL value) = 0;  // 11
    virtual HRESULT STDMETHODCALLTYPE get_IsChecked(BOOL *value) = 0;  // 12
    virtual HRESULT STDMETHODCALLTYPE get_Children(ICoreWebView2ContextMenuItemCollection **value) = 0;  // 13
    virtual HRESULT STDMETHODCALLTYPE add_CustomItemSelected(ICoreWebView2CustomItemSelectedEventHandler *eventHandler, EventRegistrationToken *token) = 0;  // 14
    virtual HRESULT STDMETHODCALLTYPE remove_CustomItemSelected(EventRegistrationToken token) = 0;  // 15
};

struct ICoreWebView2ContextMenuTarget : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE get_Kind(COREWEBVIEW2_CONTEXT_MENU_TARGET_KIND *value) = 0;  // 3
    virtual HRESULT STDMETHODCALLTYPE get_IsEditable(BOOL *value) = 0;  // 4
    virtual HRESULT STDMETHODCALLTYPE get_IsRequestedForMainFrame(BOOL *value) = 0;  // 5
    virtual HRESULT STDMETHODCALLTYPE get_PageUri(LPWSTR *value) = 0;  // 6
    virtual HRESULT STDMETHODCALLTYPE get_FrameUri(LPWSTR *value) = 0;  // 7
    virtual HRESULT STDMETHODCALLTYPE get_HasLinkUri(BOOL *value) = 0;  // 8
    virtual HRESULT STDMETHODCALLTYPE get_LinkUri(LPWSTR *value) = 0;  // 9
    virtual HRESULT STDMETHODCALLTYPE get_HasLinkText(BOOL *value) = 0;  // 10
    virtual HRESULT STDMETHODCALLTYPE get_LinkText(LPWSTR *value) = 0;  // 11
    virtual HRESULT STDMETHODCALLTYPE get_HasSourceUri(BOOL *value) = 0;  // 12
    virtual HRESULT STDMETHODCALLTYPE get_SourceUri(LPWSTR *value) = 0;  // 13
    virtual HRESULT STDMETHODCALLTYPE get_HasSelection(BOOL *value) = 0;  // 14
    virtual HRESULT STDMETHODCALLTYPE get_SelectionText(LPWSTR *value) = 0;  // 15
};

struct ICoreWebView2ServerCertificateErrorDetectedEventHandler : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2 *sender, ICoreWebView2ServerCertificateErrorDetectedEventArgs *args) = 0;  // 3
};

struct ICoreWebView2ServerCertificateErrorDetectedEventArgs : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE get_ErrorStatus(COREWEBVIEW2_WEB_ERROR_STATUS *value) = 0;  // 3
    virtual HRESULT STDMETHODCALLTYPE get_RequestUri(LPWSTR *value) = 0;  // 4
    virtual HRESULT STDMETHODCALLTYPE get_ServerCertificate(ICoreWebView2Certificate **value) = 0;  // 5
    virtual HRESULT STDMETHODCALLTYPE get_Action(COREWEBVIEW2_SERVER_CERTIFICATE_ERROR_ACTION *value) = 0;  // 6
    virtual HRESULT STDMETHODCALLTYPE put_Action(COREWEBVIEW2_SERVER_CERTIFICATE_ERROR_ACTION value) = 0;  // 7
    virtual HRESULT STDMETHODCALLTYPE GetDeferral(ICoreWebView2Deferral **deferral) = 0;  // 8
};

struct ICoreWebView2Certificate : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE get_Subject(LPWSTR *value) = 0;  // 3
    virtual HRESULT STDMETHODCALLTYPE get_Issuer(LPWSTR *value) = 0;  // 4
    virtual HRESULT STDMETHODCALLTYPE get_ValidFrom(double *value) = 0;  // 5
    virtual HRESULT STDMETHODCALLTYPE get_ValidTo(double *value) = 0;  // 6
    virtual HRESULT STDMETHODCALLTYPE get_DerEncodedSerialNumber(LPWSTR *value) = 0;  // 7
    virtual HRESULT STDMETHODCALLTYPE get_DisplayName(LPWSTR *value) = 0;  // 8
    virtual HRESULT STDMETHODCALLTYPE ToPemEncoding(LPWSTR *pemEncodedData) = 0;  // 9
    virtual HRESULT STDMETHODCALLTYPE get_PemEncodedIssuerCertificateChain(ICoreWebView2StringCollection **value) = 0;  // 10
};

struct ICoreWebView2LaunchingExternalUriSchemeEventHandler : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2 *sender, ICoreWebView2LaunchingExternalUriSchemeEventArgs *args) = 0;  // 3
};

struct ICoreWebView2LaunchingExternalUriSchemeEventArgs : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR *value) = 0;  // 3
    virtual HRESULT STDMETHODCALLTYPE get_InitiatingOrigin(LPWSTR *value) = 0;  // 4
    virtual HRESULT STDMETHODCALLTYPE get_IsUserInitiated(BOOL *value) = 0;  // 5
    virtual HRESULT STDMETHODCALLTYPE get_Cancel(BOOL *value) = 0;  // 6
    virtual HRESULT STDMETHODCALLTYPE put_Cancel(BOOL value) = 0;  // 7
    virtual HRESULT STDMETHODCALLTYPE GetDeferral(ICoreWebView2Deferral **value) = 0;  // 8
};
