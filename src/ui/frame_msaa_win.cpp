#include "ui/frame_msaa_win.h"

#include <oleauto.h>

#include <optional>
#include <string>
#include <utility>

#include "base/com_object_win.h"
#include "base/wide_text_win.h"

namespace vesko {
namespace {

using Microsoft::WRL::ComPtr;

// Words a screen reader speaks for the default actions.
constexpr wchar_t kPressAction[] = L"Shtyp";
constexpr wchar_t kSelectAction[] = L"Zgjidh";

long roleOf(FrameRole role) {
    switch (role) {
        case FrameRole::TitleBar: return ROLE_SYSTEM_TITLEBAR;
        case FrameRole::Button: return ROLE_SYSTEM_PUSHBUTTON;
        case FrameRole::MenuButton: return ROLE_SYSTEM_BUTTONMENU;
        case FrameRole::TabList: return ROLE_SYSTEM_PAGETABLIST;
        case FrameRole::TabItem: return ROLE_SYSTEM_PAGETAB;
        case FrameRole::ToolBar: return ROLE_SYSTEM_TOOLBAR;
        case FrameRole::Edit: return ROLE_SYSTEM_TEXT;
        case FrameRole::Text: return ROLE_SYSTEM_STATICTEXT;
        case FrameRole::StatusBar: return ROLE_SYSTEM_STATUSBAR;
    }
    return ROLE_SYSTEM_CLIENT;
}

long stateOf(const FrameElement& e) {
    long state = 0;
    if (!e.enabled) state |= STATE_SYSTEM_UNAVAILABLE;
    if (e.focusable) state |= STATE_SYSTEM_FOCUSABLE;
    if (e.focused) state |= STATE_SYSTEM_FOCUSED;
    if (e.role == FrameRole::TabItem) state |= STATE_SYSTEM_SELECTABLE;
    if (e.selected) state |= STATE_SYSTEM_SELECTED;
    if (e.offscreen) state |= STATE_SYSTEM_OFFSCREEN;
    if (e.busy) state |= STATE_SYSTEM_BUSY;
    if (e.role == FrameRole::MenuButton) {
        state |= STATE_SYSTEM_HASPOPUP | (e.expanded ? STATE_SYSTEM_EXPANDED : STATE_SYSTEM_COLLAPSED);
    }
    return state;
}

const wchar_t* defaultAction(FrameRole role) {
    switch (role) {
        case FrameRole::Button:
        case FrameRole::MenuButton: return kPressAction;
        case FrameRole::TabItem: return kSelectAction;
        default: return nullptr;
    }
}

HRESULT text(BSTR* out, const std::wstring& value) {
    *out = SysAllocString(value.c_str());
    return *out != nullptr ? S_OK : E_OUTOFMEMORY;
}

void childId(VARIANT* out, long id) {
    out->vt = VT_I4;
    out->lVal = id;
}

class FrameAccessible final : public ComObject<IAccessible, IID_IAccessible, IID_IDispatch> {
public:
    explicit FrameAccessible(std::shared_ptr<FrameModel> model) : model_(std::move(model)) {}

    // IDispatch: no type information; clients call the methods directly.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (count == nullptr) return E_INVALIDARG;
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }

    // Without a message to the window: the standard window object is its parent.
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** result) override {
        if (result == nullptr) return E_INVALIDARG;
        return CreateStdAccessibleObject(model_->window(), OBJID_WINDOW, IID_IDispatch, reinterpret_cast<void**>(result));
    }
    HRESULT STDMETHODCALLTYPE get_accChildCount(long* result) override {
        if (result == nullptr) return E_INVALIDARG;
        *result = static_cast<long>(model_->elements().size());
        return S_OK;
    }
    // The parts are simple children: no objects of their own.
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** result) override {
        if (result == nullptr) return E_INVALIDARG;
        *result = nullptr;
        return part(child) ? S_FALSE : E_INVALIDARG;
    }
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* result) override {
        if (result == nullptr) return E_INVALIDARG;
        *result = nullptr;
        if (isSelf(child)) {
            const auto title = model_->element(frame_keys::TitleBar);
            return title ? text(result, toWide(title->name)) : S_FALSE;
        }
        const auto e = part(child);
        return e ? text(result, toWide(e->name)) : E_INVALIDARG;
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* result) override {
        if (result == nullptr) return E_INVALIDARG;
        *result = nullptr;
        if (isSelf(child)) return DISP_E_MEMBERNOTFOUND;
        const auto e = part(child);
        if (!e) return E_INVALIDARG;
        return e->role == FrameRole::Edit ? text(result, toWide(e->value)) : DISP_E_MEMBERNOTFOUND;
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* result) override {
        return nothing(child, result);
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* result) override {
        if (result == nullptr) return E_INVALIDARG;
        VariantInit(result);
        if (isSelf(child)) return childId(result, ROLE_SYSTEM_CLIENT), S_OK;
        const auto e = part(child);
        if (!e) return E_INVALIDARG;
        childId(result, roleOf(e->role));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* result) override {
        if (result == nullptr) return E_INVALIDARG;
        VariantInit(result);
        if (isSelf(child)) return childId(result, 0), S_OK;
        const auto e = part(child);
        if (!e) return E_INVALIDARG;
        childId(result, stateOf(*e));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* result) override { return nothing(child, result); }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT, long* topic) override {
        if (file != nullptr) *file = nullptr;
        if (topic != nullptr) *topic = 0;
        return DISP_E_MEMBERNOTFOUND;
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* result) override {
        return nothing(child, result);
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* result) override {
        return idOf(result, model_->focusedElement());
    }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* result) override { return idOf(result, model_->selectedTab()); }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* result) override {
        if (result == nullptr) return E_INVALIDARG;
        *result = nullptr;
        if (isSelf(child)) return S_FALSE;
        const auto e = part(child);
        if (!e) return E_INVALIDARG;
        const wchar_t* action = defaultAction(e->role);
        return action != nullptr ? text(result, action) : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override {
        const auto e = part(child);
        if (!e) return E_INVALIDARG;
        if (e->role != FrameRole::TabItem || (flags & SELFLAG_TAKESELECTION) == 0) return DISP_E_MEMBERNOTFOUND;
        return click(*e);
    }
    HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height, VARIANT child) override {
        if (left == nullptr || top == nullptr || width == nullptr || height == nullptr) return E_INVALIDARG;
        RECT screen{};
        if (isSelf(child)) {
            GetClientRect(model_->window(), &screen);
            MapWindowPoints(model_->window(), nullptr, reinterpret_cast<POINT*>(&screen), 2);
        } else {
            const auto e = part(child);
            if (!e) return E_INVALIDARG;
            if (!e->offscreen) screen = model_->toScreen(e->bounds);
        }
        *left = screen.left;
        *top = screen.top;
        *width = screen.right - screen.left;
        *height = screen.bottom - screen.top;
        return S_OK;
    }
    // Flat: the next and previous parts in description order, the first and the last.
    HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* result) override {
        if (result == nullptr) return E_INVALIDARG;
        VariantInit(result);
        const long count = static_cast<long>(model_->elements().size());
        const long from = start.vt == VT_I4 ? start.lVal : -1;
        if (from < 0 || from > count) return E_INVALIDARG;
        long to = 0;
        switch (direction) {
            case NAVDIR_FIRSTCHILD: to = from == CHILDID_SELF ? 1 : 0; break;
            case NAVDIR_LASTCHILD: to = from == CHILDID_SELF ? count : 0; break;
            case NAVDIR_NEXT: to = from == CHILDID_SELF ? 0 : from + 1; break;
            case NAVDIR_PREVIOUS: to = from == CHILDID_SELF ? 0 : from - 1; break;
            default: return DISP_E_MEMBERNOTFOUND;
        }
        if (to < 1 || to > count) return S_FALSE;
        childId(result, to);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* result) override {
        if (result == nullptr) return E_INVALIDARG;
        VariantInit(result);
        POINT point{x, y};
        ScreenToClient(model_->window(), &point);
        RECT client{};
        GetClientRect(model_->window(), &client);
        if (!PtInRect(&client, point)) return S_FALSE;
        const auto hit = model_->elementAt(Point{point.x, point.y});
        childId(result, hit ? indexOf(*hit) : CHILDID_SELF);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
        if (isSelf(child)) return DISP_E_MEMBERNOTFOUND;
        const auto e = part(child);
        if (!e) return E_INVALIDARG;
        return defaultAction(e->role) != nullptr ? click(*e) : DISP_E_MEMBERNOTFOUND;
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

private:
    static bool isSelf(const VARIANT& child) { return child.vt == VT_I4 && child.lVal == CHILDID_SELF; }

    // The part with child id `child` in the frame as it is now.
    std::optional<FrameElement> part(const VARIANT& child) const {
        if (child.vt != VT_I4 || child.lVal < 1) return std::nullopt;
        std::vector<FrameElement> elements = model_->elements();
        if (static_cast<std::size_t>(child.lVal) > elements.size()) return std::nullopt;
        return std::move(elements[static_cast<std::size_t>(child.lVal - 1)]);
    }

    long indexOf(std::uint32_t key) const {
        const std::vector<FrameElement> elements = model_->elements();
        for (std::size_t i = 0; i < elements.size(); ++i) {
            if (elements[i].key == key) return static_cast<long>(i) + 1;
        }
        return CHILDID_SELF;
    }

    HRESULT idOf(VARIANT* result, std::optional<std::uint32_t> key) const {
        if (result == nullptr) return E_INVALIDARG;
        VariantInit(result);
        if (!key) return S_FALSE;
        childId(result, indexOf(*key));
        return S_OK;
    }

    HRESULT nothing(const VARIANT& child, BSTR* result) const {
        if (result == nullptr) return E_INVALIDARG;
        *result = nullptr;
        return isSelf(child) || part(child) ? S_FALSE : E_INVALIDARG;
    }

    HRESULT click(const FrameElement& e) const {
        if (!e.enabled) return E_FAIL;
        return model_->request(FrameRequest::Click, e.key) ? S_OK : E_FAIL;
    }

    const std::shared_ptr<FrameModel> model_;
};

}  // namespace

ComPtr<IAccessible> makeFrameAccessible(std::shared_ptr<FrameModel> model) {
    return makeComObject<FrameAccessible>(std::move(model));
}

}  // namespace vesko
