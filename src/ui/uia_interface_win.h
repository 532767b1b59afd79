#pragma once
// The program's own UI Automation declarations, written from the platform's public
// documentation: the control-pattern provider interfaces the frame implements, their
// identifiers, the property, control-type, pattern and event numbers it uses, and the
// provider functions of uiautomationcore.dll. MinGW's uiautomationcore.h supplies the
// simple and fragment provider interfaces; its API header does not compile as C++ and
// there is no import library, so the functions are looked up at run time.

#include <windows.h>
#include <ole2.h>
#include <uiautomationcore.h>

namespace vesko::uia {

// Control-pattern provider interfaces, methods in their interface order.
struct IInvokeProvider : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Invoke() = 0;
};
struct ISelectionProvider : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetSelection(SAFEARRAY** result) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_CanSelectMultiple(BOOL* result) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_IsSelectionRequired(BOOL* result) = 0;
};
struct ISelectionItemProvider : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Select() = 0;
    virtual HRESULT STDMETHODCALLTYPE AddToSelection() = 0;
    virtual HRESULT STDMETHODCALLTYPE RemoveFromSelection() = 0;
    virtual HRESULT STDMETHODCALLTYPE get_IsSelected(BOOL* result) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_SelectionContainer(IRawElementProviderSimple** result) = 0;
};
enum ExpandCollapseState { ExpandCollapseState_Collapsed = 0, ExpandCollapseState_Expanded = 1 };
struct IExpandCollapseProvider : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Expand() = 0;
    virtual HRESULT STDMETHODCALLTYPE Collapse() = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ExpandCollapseState(ExpandCollapseState* result) = 0;
};
struct IValueProvider : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE SetValue(LPCWSTR value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Value(BSTR* result) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_IsReadOnly(BOOL* result) = 0;
};

inline constexpr IID IID_IInvokeProvider = {0x54fcb24b, 0xe18e, 0x47a2, {0xb4, 0xd3, 0xec, 0xcb, 0xe7, 0x75, 0x99, 0xa2}};
inline constexpr IID IID_ISelectionProvider = {0xfb8b03af, 0x3bdf, 0x48d4, {0xbd, 0x36, 0x1a, 0x65, 0x79, 0x3b, 0xe1, 0x68}};
inline constexpr IID IID_ISelectionItemProvider = {0x2acad808, 0xb2d4, 0x452d, {0xa4, 0x07, 0x91, 0xff, 0x1a, 0xd1, 0x67, 0xb2}};
inline constexpr IID IID_IExpandCollapseProvider = {0xd847d3a5, 0xcab0, 0x4a98, {0x8c, 0x32, 0xec, 0xb4, 0x5c, 0x59, 0xad, 0x24}};
inline constexpr IID IID_IValueProvider = {0xc7935180, 0x6fb3, 0x4201, {0xb1, 0x74, 0x7d, 0xf7, 0x3a, 0xdb, 0xf6, 0x4a}};

// Pattern identifiers.
inline constexpr PATTERNID kInvokePattern = 10000;
inline constexpr PATTERNID kSelectionPattern = 10001;
inline constexpr PATTERNID kValuePattern = 10002;
inline constexpr PATTERNID kExpandCollapsePattern = 10005;
inline constexpr PATTERNID kSelectionItemPattern = 10010;

// Property identifiers.
inline constexpr PROPERTYID kRuntimeIdProperty = 30000;
inline constexpr PROPERTYID kBoundingRectangleProperty = 30001;
inline constexpr PROPERTYID kControlTypeProperty = 30003;
inline constexpr PROPERTYID kNameProperty = 30005;
inline constexpr PROPERTYID kHasKeyboardFocusProperty = 30008;
inline constexpr PROPERTYID kIsKeyboardFocusableProperty = 30009;
inline constexpr PROPERTYID kIsEnabledProperty = 30010;
inline constexpr PROPERTYID kAutomationIdProperty = 30011;
inline constexpr PROPERTYID kIsOffscreenProperty = 30022;
inline constexpr PROPERTYID kItemStatusProperty = 30026;
inline constexpr PROPERTYID kValueValueProperty = 30045;
inline constexpr PROPERTYID kExpandCollapseStateProperty = 30070;
inline constexpr PROPERTYID kSelectionItemIsSelectedProperty = 30079;
inline constexpr PROPERTYID kProviderDescriptionProperty = 30107;
inline constexpr PROPERTYID kLiveSettingProperty = 30135;

// Control-type identifiers.
inline constexpr CONTROLTYPEID kButtonControl = 50000;
inline constexpr CONTROLTYPEID kEditControl = 50004;
inline constexpr CONTROLTYPEID kStatusBarControl = 50017;
inline constexpr CONTROLTYPEID kTabControl = 50018;
inline constexpr CONTROLTYPEID kTabItemControl = 50019;
inline constexpr CONTROLTYPEID kTextControl = 50020;
inline constexpr CONTROLTYPEID kToolBarControl = 50021;
inline constexpr CONTROLTYPEID kTitleBarControl = 50037;

// Event identifiers.
inline constexpr EVENTID kStructureChangedEvent = 20002;
inline constexpr EVENTID kPropertyChangedEvent = 20004;
inline constexpr EVENTID kFocusChangedEvent = 20005;
inline constexpr EVENTID kElementSelectedEvent = 20012;
inline constexpr EVENTID kLiveRegionChangedEvent = 20024;

// LiveSetting property values.
inline constexpr int kLiveOff = 0;
inline constexpr int kLivePolite = 1;
inline constexpr int kLiveAssertive = 2;

inline constexpr int kChildrenInvalidated = 2;  // StructureChangeType
inline constexpr int kAppendRuntimeId = 3;      // first part of a fragment's runtime id
inline constexpr LPARAM kRootObjectId = -25;    // WM_GETOBJECT's object id for the provider root

inline constexpr HRESULT kElementNotEnabled = static_cast<HRESULT>(0x80040200);
inline constexpr HRESULT kElementNotAvailable = static_cast<HRESULT>(0x80040201);
inline constexpr HRESULT kInvalidOperation = static_cast<HRESULT>(0x80131509);

// The provider functions of uiautomationcore.dll; a function the system lacks is null.
struct Api {
    LRESULT(WINAPI* returnRawElementProvider)(HWND, WPARAM, LPARAM, IRawElementProviderSimple*) = nullptr;
    HRESULT(WINAPI* hostProviderFromHwnd)(HWND, IRawElementProviderSimple**) = nullptr;
    HRESULT(WINAPI* raiseAutomationEvent)(IRawElementProviderSimple*, EVENTID) = nullptr;
    HRESULT(WINAPI* raisePropertyChangedEvent)(IRawElementProviderSimple*, PROPERTYID, VARIANT, VARIANT) = nullptr;
    HRESULT(WINAPI* raiseStructureChangedEvent)(IRawElementProviderSimple*, int, int*, int) = nullptr;
    HRESULT(WINAPI* disconnectProvider)(IRawElementProviderSimple*) = nullptr;
};

// Loaded once, on first use, and kept for the life of the process.
const Api& api();

}  // namespace vesko::uia
