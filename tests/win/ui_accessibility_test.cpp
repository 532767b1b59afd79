// The frame for assistive technology, in-process and from a second process: the UI
// Automation providers and their patterns, the MSAA client object, and the events both
// kinds of client hear when the frame changes.
#include <gtest/gtest.h>

#include <functional>

#include "win_test_support.h"
#include <oleacc.h>

#include "base/files.h"
#include "ui/frame_provider_win.h"
#include "ui/uia_interface_win.h"

namespace vesko {
namespace {

// The main window (hidden) with a ready engine and `count` tabs put into the list directly,
// the last one selected.
struct FrameFixture {
    // The program's UI thread is a single-threaded apartment for its whole life; MSAA
    // needs one, and UI Automation's marshalled providers outlive a test.
    inline static const bool apartment = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    BrowserApp app{GetModuleHandleW(nullptr)};
    BrowserAppTestAccess inside{app};

    explicit FrameFixture(int count) {
        app.startGraphics();
        app.createWindow();
        inside.setEngineReady(true);
        inside.warnOnClose() = false;
        addTabs(count);
        app.selectTab(count - 1);
        settle();
    }
    ~FrameFixture() {
        if (app.window() != nullptr) DestroyWindow(app.window());
        MSG quit;
        while (PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        }
    }
    void addTabs(int count, bool atFront = false) {
        for (int i = 0; i < count; ++i) {
            const std::uint32_t id = inside.nextTabId()++;
            auto tab = std::make_shared<TabView>(id, kPortal + L"skeda/" + std::to_wstring(id), PopupRequest{});
            tab->title = L"Skeda " + std::to_wstring(id);
            tab->loading = false;
            auto& tabs = inside.tabs();
            tabs.insert(atFront ? tabs.begin() : tabs.end(), tab);
        }
        app.layoutChildren();
    }
    ComPtr<IRawElementProviderSimple> provider(std::uint32_t key) {
        return makeFrameProvider(inside.accessibility().model(), key);
    }
    template <typename Pattern>
    ComPtr<Pattern> pattern(std::uint32_t key, PATTERNID id) {
        ComPtr<IUnknown> unknown;
        provider(key)->GetPatternProvider(id, &unknown);
        return ComPtr<Pattern>(static_cast<Pattern*>(unknown.Get()));
    }
};

VARIANT property(IRawElementProviderSimple* element, PROPERTYID id) {
    VARIANT value;
    VariantInit(&value);
    element->GetPropertyValue(id, &value);
    return value;
}

std::wstring textOf(IRawElementProviderSimple* element, PROPERTYID id) {
    VARIANT value = property(element, id);
    std::wstring text = value.vt == VT_BSTR ? value.bstrVal : L"<none>";
    VariantClear(&value);
    return text;
}

long numberOf(IRawElementProviderSimple* element, PROPERTYID id) {
    const VARIANT value = property(element, id);
    return value.vt == VT_I4 ? value.lVal : value.vt == VT_BOOL ? (value.boolVal ? 1 : 0) : -1;
}

VARIANT childId(long id) {
    VARIANT child;
    VariantInit(&child);
    child.vt = id == 0 ? VT_EMPTY : VT_I4;
    child.lVal = id;
    return child;
}

TEST(FrameAutomation, PartsHaveTheirControlTypesNamesAndPatterns) {
    FrameFixture f(2);
    static constexpr PATTERNID kNone = 0;
    const struct {
        std::uint32_t key;
        long controlType;
        const wchar_t* name;
        PATTERNID pattern;
        bool enabled;
    } cases[] = {
        {frame_keys::TitleBar, 50037, nullptr, kNone, true},
        {frame_keys::Minimize, 50000, L"Minimizo", uia::kInvokePattern, true},
        {frame_keys::TabList, 50018, L"Skedat", uia::kSelectionPattern, true},
        {tabKey(1), 50019, L"Skeda 1", uia::kSelectionItemPattern, true},
        {tabCloseKey(2), 50000, L"Mbyll sked\u00EBn", uia::kInvokePattern, true},
        {frame_keys::ToolBar, 50021, L"Shiriti i veglave", kNone, true},
        {frame_keys::Back, 50000, L"Prapa", uia::kInvokePattern, false},
        {frame_keys::Address, 50004, L"Adresa", uia::kValuePattern, true},
        {frame_keys::Menu, 50000, L"Menyja", uia::kExpandCollapsePattern, true},
        {frame_keys::StatusBar, 50017, L"Gjendja", kNone, true},
        {frame_keys::ZoomText, 50020, L"Zoom 100%", kNone, true},
    };
    static constexpr PATTERNID kPatterns[] = {uia::kInvokePattern, uia::kSelectionPattern, uia::kValuePattern,
                                              uia::kExpandCollapsePattern, uia::kSelectionItemPattern};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        const auto element = f.provider(c.key);
        EXPECT_EQ(numberOf(element.Get(), uia::kControlTypeProperty), c.controlType);
        if (c.name != nullptr) EXPECT_EQ(textOf(element.Get(), uia::kNameProperty), c.name);
        EXPECT_EQ(numberOf(element.Get(), uia::kIsEnabledProperty), c.enabled ? 1 : 0);
        EXPECT_EQ(textOf(element.Get(), uia::kAutomationIdProperty), L"vesko-" + std::to_wstring(c.key));
        for (const PATTERNID id : kPatterns) {
            ComPtr<IUnknown> pattern;
            EXPECT_EQ(f.provider(c.key)->GetPatternProvider(id, &pattern), S_OK);
            EXPECT_EQ(pattern != nullptr, id == c.pattern) << id;
        }
    }
    // The selected tab, its status, the status line's politeness.
    EXPECT_EQ(numberOf(f.provider(tabKey(2)).Get(), uia::kHasKeyboardFocusProperty), 0);
    BOOL selected = FALSE;
    f.pattern<uia::ISelectionItemProvider>(tabKey(2), uia::kSelectionItemPattern)->get_IsSelected(&selected);
    EXPECT_TRUE(selected);
    EXPECT_EQ(numberOf(f.provider(frame_keys::StatusText).Get(), uia::kLiveSettingProperty), uia::kLivePolite);
    f.inside.tabs()[0]->loading = true;
    f.app.repaint();
    f.app.onFrameChanged();
    EXPECT_EQ(textOf(f.provider(tabKey(1)).Get(), uia::kItemStatusProperty), L"Po ngarkohet\u2026");
}

TEST(FrameAutomation, TreeAndBoundsFollowTheWindow) {
    FrameFixture f(2);
    ComPtr<IRawElementProviderFragment> list;
    f.provider(frame_keys::TabList).As(&list);
    ComPtr<IRawElementProviderFragment> first, parent, root;
    list->Navigate(NavigateDirection_FirstChild, &first);
    ComPtr<IRawElementProviderSimple> firstSimple;
    first.As(&firstSimple);
    EXPECT_EQ(textOf(firstSimple.Get(), uia::kNameProperty), L"Skeda 1");
    first->Navigate(NavigateDirection_Parent, &parent);
    ComPtr<IRawElementProviderSimple> parentSimple;
    parent.As(&parentSimple);
    EXPECT_EQ(textOf(parentSimple.Get(), uia::kNameProperty), L"Skedat");
    list->Navigate(NavigateDirection_Parent, &root);
    ComPtr<IRawElementProviderFragmentRoot> isRoot;
    EXPECT_EQ(root.As(&isRoot), S_OK);

    // Screen coordinates: the window moved 100 pixels right moves the part with it.
    UiaRect before{}, after{};
    SetWindowPos(f.app.window(), nullptr, -600, 40, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    first->get_BoundingRectangle(&before);
    SetWindowPos(f.app.window(), nullptr, -500, 40, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    first->get_BoundingRectangle(&after);
    RECT window{};
    GetWindowRect(f.app.window(), &window);
    EXPECT_EQ(after.left - before.left, 100);
    EXPECT_GE(after.left, window.left);
    EXPECT_GE(after.top, window.top);
    EXPECT_GT(after.width, 0);
}

TEST(FrameAutomation, PatternsDoWhatAClickDoes) {
    FrameFixture f(3);
    const auto oldTab = f.provider(tabKey(3));
    // Selecting the first tab.
    EXPECT_EQ(f.pattern<uia::ISelectionItemProvider>(tabKey(1), uia::kSelectionItemPattern)->Select(), S_OK);
    settle();
    EXPECT_EQ(f.app.activeIndex(), 0);
    // A tab opened before the third keeps the third's element: same runtime id, same name.
    SAFEARRAY* idBefore = nullptr;
    ComPtr<IRawElementProviderFragment> fragment;
    oldTab.As(&fragment);
    fragment->GetRuntimeId(&idBefore);
    f.addTabs(1, true);
    settle();
    SAFEARRAY* idAfter = nullptr;
    fragment->GetRuntimeId(&idAfter);
    ASSERT_NE(idAfter, nullptr);
    LONG index = 1, keyBefore = 0, keyAfter = 0;
    SafeArrayGetElement(idBefore, &index, &keyBefore);
    SafeArrayGetElement(idAfter, &index, &keyAfter);
    EXPECT_EQ(keyBefore, keyAfter);
    SafeArrayDestroy(idBefore);
    SafeArrayDestroy(idAfter);
    EXPECT_EQ(textOf(oldTab.Get(), uia::kNameProperty), L"Skeda 3");
    // Closing the third tab with its close button; its element is gone with it.
    EXPECT_EQ(f.pattern<uia::IInvokeProvider>(tabCloseKey(3), uia::kInvokePattern)->Invoke(), S_OK);
    settle();
    ASSERT_EQ(f.app.tabs().size(), 3u);
    VARIANT name;
    EXPECT_EQ(oldTab->GetPropertyValue(uia::kNameProperty, &name), uia::kElementNotAvailable);
    // A disabled button refuses; the address field takes text.
    EXPECT_EQ(f.pattern<uia::IInvokeProvider>(frame_keys::Back, uia::kInvokePattern)->Invoke(),
              uia::kElementNotEnabled);
    EXPECT_EQ(f.pattern<uia::IValueProvider>(frame_keys::Address, uia::kValuePattern)->SetValue(L"kordis"), S_OK);
    settle();
    wchar_t text[32] = {};
    GetWindowTextW(f.inside.window().addressField, text, 32);
    EXPECT_STREQ(text, L"kordis");
}

// Expand opens the menu: a thread timer looks from inside its loop, then ends it.
TEST(FrameAutomation, ExpandOpensTheMenu) {
    FrameFixture f(1);
    static bool inMenu = false;
    inMenu = false;
    SetTimer(nullptr, 0, 300, [](HWND, UINT, UINT_PTR id, DWORD) {
        GUITHREADINFO info{sizeof(info)};
        GetGUIThreadInfo(GetCurrentThreadId(), &info);
        inMenu = inMenu || (info.flags & GUI_INMENUMODE) != 0;
        EndMenu();
        KillTimer(nullptr, id);
    });
    EXPECT_EQ(f.pattern<uia::IExpandCollapseProvider>(frame_keys::Menu, uia::kExpandCollapsePattern)->Expand(), S_OK);
    pumpUntil([] { return inMenu; }, 3000);
    EXPECT_TRUE(inMenu);
}

// The MSAA client object: flat children 1..N with roles, states, places and actions.
TEST(FrameAccessibleObject, ChildrenRolesStatesAndActions) {
    FrameFixture f(2);
    f.inside.tabs()[0]->ajaxBusy = true;
    f.app.repaint();
    settle();
    ComPtr<IAccessible> client;
    ASSERT_EQ(AccessibleObjectFromWindow(f.app.window(), OBJID_CLIENT, IID_IAccessible,
                                         reinterpret_cast<void**>(client.GetAddressOf())),
              S_OK);
    long count = 0;
    client->get_accChildCount(&count);
    const auto childNamed = [&](const std::wstring& wanted) {
        for (long id = 1; id <= count; ++id) {
            BSTR name = nullptr;
            client->get_accName(childId(id), &name);
            const bool match = name != nullptr && wanted == name;
            SysFreeString(name);
            if (match) return childId(id);
        }
        return childId(0);
    };
    const struct {
        const wchar_t* name;
        long role;
        long state;
    } cases[] = {
        {L"Skeda 1", ROLE_SYSTEM_PAGETAB, STATE_SYSTEM_SELECTABLE | STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_BUSY},
        {L"Skeda 2", ROLE_SYSTEM_PAGETAB, STATE_SYSTEM_SELECTABLE | STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_SELECTED},
        {L"Prapa", ROLE_SYSTEM_PUSHBUTTON, STATE_SYSTEM_UNAVAILABLE | STATE_SYSTEM_FOCUSABLE},
        {L"Menyja", ROLE_SYSTEM_BUTTONMENU, STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_HASPOPUP | STATE_SYSTEM_COLLAPSED},
        {L"Adresa", ROLE_SYSTEM_TEXT, STATE_SYSTEM_FOCUSABLE},
        {L"Skedat", ROLE_SYSTEM_PAGETABLIST, 0},
        {L"Gjendja", ROLE_SYSTEM_STATUSBAR, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const VARIANT child = childNamed(c.name);
        ASSERT_EQ(child.vt, VT_I4);
        VARIANT role{}, state{};
        client->get_accRole(child, &role);
        client->get_accState(child, &state);
        EXPECT_EQ(role.lVal, c.role);
        EXPECT_EQ(state.lVal, c.state);
    }
    VARIANT selection{};
    client->get_accSelection(&selection);
    EXPECT_EQ(selection.lVal, childNamed(L"Skeda 2").lVal);

    // The place on the screen follows the window; the default action selects.
    long left = 0, top = 0, width = 0, height = 0, movedLeft = 0;
    SetWindowPos(f.app.window(), nullptr, 20, 40, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    client->accLocation(&left, &top, &width, &height, childNamed(L"Skeda 1"));
    SetWindowPos(f.app.window(), nullptr, 70, 40, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    client->accLocation(&movedLeft, &top, &width, &height, childNamed(L"Skeda 1"));
    EXPECT_EQ(movedLeft - left, 50);
    EXPECT_GT(width, 0);
    VARIANT hit{};
    client->accHitTest(movedLeft + 2, top + 2, &hit);
    EXPECT_EQ(hit.lVal, childNamed(L"Skeda 1").lVal);
    EXPECT_EQ(client->accDoDefaultAction(childNamed(L"Skeda 1")), S_OK);
    settle();
    EXPECT_EQ(f.app.activeIndex(), 0);
}

// UI Automation events as raised, each named by its element's automation id.
class RecordedEvents final : public AutomationEventSink {
public:
    void automationEvent(IRawElementProviderSimple* element, EVENTID event) override { record(event, element); }
    void propertyChanged(IRawElementProviderSimple* element, PROPERTYID property, const VARIANT&,
                         const VARIANT& after) override {
        record(property, element, after.vt == VT_BSTR ? std::wstring(L":") + after.bstrVal : L"");
    }
    void structureChanged(IRawElementProviderSimple* element, int change, std::vector<int> runtimeId) override {
        record(uia::kStructureChangedEvent, element,
               L":" + std::to_wstring(change) + L":" + std::to_wstring(runtimeId.empty() ? 0 : runtimeId.back()));
    }
    std::vector<std::wstring> seen;

private:
    void record(int id, IRawElementProviderSimple* element, const std::wstring& detail = L"") {
        seen.push_back(std::to_wstring(id) + L" " + textOf(element, uia::kAutomationIdProperty) + detail);
    }
};

// WinEvents the window raised on its client, as "event child-id".
std::vector<std::wstring> winEvents;
void CALLBACK onWinEvent(HWINEVENTHOOK, DWORD event, HWND, LONG object, LONG child, DWORD, DWORD) {
    if (object == OBJID_CLIENT) winEvents.push_back(std::to_wstring(event) + L" " + std::to_wstring(child));
}

TEST(FrameEvents, EachChangeRaisesTheAutomationEventAndTheWinEvent) {
    FrameFixture f(2);
    const auto recorded = std::make_shared<RecordedEvents>();
    f.inside.accessibility().setEventSink(recorded);
    const HWINEVENTHOOK hook = SetWinEventHook(EVENT_MIN, EVENT_MAX, nullptr, &onWinEvent, GetCurrentProcessId(), 0,
                                               WINEVENT_OUTOFCONTEXT);
    const auto childOf = [&](std::uint32_t key) {
        const auto elements = f.inside.accessibility().model()->elements();
        for (std::size_t i = 0; i < elements.size(); ++i) {
            if (elements[i].key == key) return std::to_wstring(i + 1);
        }
        return std::wstring(L"?");
    };
    const auto id = [](std::uint32_t key) { return L"vesko-" + std::to_wstring(key); };
    struct Case {
        const char* what;
        std::function<void()> change;
        std::uint32_t key;
        std::wstring automationEvent;
        DWORD winEvent;
        // The window's title follows the selected tab, so the title bar is renamed first.
        bool titleBarRenamed = false;
    };
    const Case cases[] = {
        {"a tab selected", [&] { f.app.selectTab(0); }, tabKey(1), L"20012 " + id(tabKey(1)), EVENT_OBJECT_SELECTION,
         true},
        {"a title changed",
         [&] {
             f.inside.tabs()[0]->title = L"Regjistri";
             f.app.repaint();
         },
         tabKey(1), L"30005 " + id(tabKey(1)) + L":Regjistri", EVENT_OBJECT_NAMECHANGE},
        {"the status line speaks", [&] { f.app.setStatus(L"Faqja u ruajt", 5); }, frame_keys::StatusText,
         L"20024 " + id(frame_keys::StatusText), EVENT_OBJECT_LIVEREGIONCHANGED},
        {"the address field focused", [&] { f.app.onAddressFocus(true); }, frame_keys::Address,
         L"20005 " + id(frame_keys::Address), EVENT_OBJECT_FOCUS},
        {"a tab opened", [&] { f.addTabs(1); }, 0, L"20002 " + id(frame_keys::TabList) + L":2:5", EVENT_OBJECT_REORDER},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        recorded->seen.clear();
        winEvents.clear();
        c.change();
        settle();
        std::vector<std::wstring> automation{c.automationEvent};
        std::vector<std::wstring> win{std::to_wstring(c.winEvent) + L" " + (c.key == 0 ? L"0" : childOf(c.key))};
        if (c.titleBarRenamed) {
            automation.insert(automation.begin(), L"30005 " + id(frame_keys::TitleBar) + L":Skeda 1 \u2014 Vesko Browser");
            win.insert(win.begin(), std::to_wstring(EVENT_OBJECT_NAMECHANGE) + L" " + childOf(frame_keys::TitleBar));
        }
        EXPECT_EQ(recorded->seen, automation);
        EXPECT_EQ(winEvents, win);
    }
    UnhookWinEvent(hook);
}

// A client in another process walks the tree; the window's thread answers it meanwhile.
// Under Wine 8 on a loaded machine the client at times stops inside UiaNavigate (Wine's
// COM reports stubs it cannot find) and never ends: such a walk is ended and tried again,
// and only a walk that ends is judged. At times Wine's COM deadlocks this process instead
// (the window's thread answering WM_GETOBJECT waits on Wine's provider thread, which waits
// on an interface being unregistered): that the test cannot end, so it runs as a CTest
// test of its own that ends a hung attempt and starts another (retry_on_hang.sh).
TEST(FrameAutomation, SecondProcessWalksTheTree) {
    FrameFixture f(2);
    TestFolder folder;
    const auto output = folder.path / L"tree.txt";
    const auto probe = exeDirectory() / L"uia_tree_probe.exe";
    std::wstring commandLine = L"\"" + probe.wstring() + L"\" " +
                               std::to_wstring(reinterpret_cast<INT_PTR>(f.app.window())) + L" \"" +
                               output.wstring() + L"\"";
    DWORD exitCode = 99;
    for (int attempt = 0; attempt < 3 && exitCode == 99; ++attempt) {
        STARTUPINFOW startup{sizeof(startup)};
        PROCESS_INFORMATION process{};
        std::wstring line = commandLine;
        ASSERT_TRUE(CreateProcessW(probe.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                   &startup, &process));
        if (pumpUntil([&] { return WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0; }, 20000)) {
            GetExitCodeProcess(process.hProcess, &exitCode);
        } else {
            TerminateProcess(process.hProcess, 99);
            WaitForSingleObject(process.hProcess, 5000);
        }
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    EXPECT_EQ(exitCode, 0u);
    const std::string tree = readText(output);
    // Depth shows as indentation: the tab list's tabs, a tab's close button, the toolbar's field.
    for (const char* line : {"\n  50000|Minimizo|vesko-2|", "\n50018|Skedat|vesko-5|", "\n  50019|Skeda 1|vesko-4098|",
                             "\n    50000|Mbyll sked\xC3\xABn|vesko-4099|", "\n  50004|Adresa|vesko-15|",
                             "\n  50020|Zoom 100%|vesko-19|"}) {
        EXPECT_NE(tree.find(line), std::string::npos) << line << " in\n" << tree;
    }
}

}  // namespace
}  // namespace vesko
