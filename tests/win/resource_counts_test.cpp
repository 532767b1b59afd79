// What the program counts of what it holds, since Wine answers 0 for Windows' own counters.
#include <gtest/gtest.h>

#include "base/resource_report_win.h"
#include "base/scoped_handles_win.h"
#include "engine/com_callback_win.h"

namespace vesko {
namespace {

std::int64_t held(HeldKind kind) { return heldCounts()[static_cast<std::size_t>(kind)]; }

HANDLE newEvent() { return CreateEventW(nullptr, TRUE, FALSE, nullptr); }

TEST(ResourceCounts, OwnersCountEachHandleOnceWhereverItGoes) {
    const std::int64_t handles = held(HeldKind::kernelHandles);
    {
        HandleOwner event(newEvent());
        const HandleOwner failedOpen(INVALID_HANDLE_VALUE);
        EXPECT_EQ(held(HeldKind::kernelHandles), handles + 1);
        HandleOwner moved(std::move(event));
        moved.reset(newEvent());
        EXPECT_EQ(held(HeldKind::kernelHandles), handles + 1);
        HandleOwner assigned;
        assigned = std::move(moved);
        EXPECT_EQ(held(HeldKind::kernelHandles), handles + 1);
        // Handed on: no longer the owner's to count.
        CloseHandle(assigned.release());
        EXPECT_EQ(held(HeldKind::kernelHandles), handles);
        assigned.reset(newEvent());
        EXPECT_EQ(held(HeldKind::kernelHandles), handles + 1);
    }
    EXPECT_EQ(held(HeldKind::kernelHandles), handles);

    const std::int64_t menus = held(HeldKind::menus);
    const std::int64_t gdiObjects = held(HeldKind::gdiObjects);
    {
        const MenuOwner parent(CreatePopupMenu());
        MenuOwner submenu(CreatePopupMenu());
        const BrushOwner brush(CreateSolidBrush(RGB(1, 2, 3)));
        EXPECT_EQ(held(HeldKind::menus), menus + 2);
        EXPECT_EQ(held(HeldKind::gdiObjects), gdiObjects + 1);
        // The parent destroys its submenus with itself.
        AppendMenuW(parent.get(), MF_POPUP, reinterpret_cast<UINT_PTR>(submenu.release()), L"Nënmenu");
        EXPECT_EQ(held(HeldKind::menus), menus + 1);
    }
    EXPECT_EQ(held(HeldKind::menus), menus);
    EXPECT_EQ(held(HeldKind::gdiObjects), gdiObjects);
}

TEST(ResourceCounts, CompletionsArePendingUntilAnsweredOrDropped) {
    const std::int64_t pending = held(HeldKind::pendingCallbacks);
    const std::int64_t objects = held(HeldKind::comObjects);
    auto answered = makeCallback<ExecuteScriptCompletedCallback>([](HRESULT, LPCWSTR) { return S_OK; });
    auto dropped = makeCallback<ScriptAddedCallback>([](HRESULT, LPCWSTR) { return S_OK; });
    const auto handler = makeCallback<HistoryChangedCallback>([](ICoreWebView2*, IUnknown*) { return S_OK; });
    EXPECT_EQ(held(HeldKind::pendingCallbacks), pending + 2);
    EXPECT_EQ(held(HeldKind::comObjects), objects + 3);
    answered->Invoke(S_OK, L"1");
    answered->Invoke(S_OK, L"1");
    EXPECT_EQ(held(HeldKind::pendingCallbacks), pending + 1);
    dropped.Reset();
    answered.Reset();
    handler->Invoke(nullptr, nullptr);
    EXPECT_EQ(held(HeldKind::pendingCallbacks), pending);
    EXPECT_EQ(held(HeldKind::comObjects), objects + 1);
}

TEST(ResourceCounts, TheReportCarriesTheCountsAndTheWorkingSet) {
    VeskoResourceReport report{};
    report.size = sizeof(report) - 8;
    EXPECT_FALSE(fillResourceReport(report));
    report.size = sizeof(report);
    const HandleOwner event(newEvent());
    ASSERT_TRUE(fillResourceReport(report));
    EXPECT_EQ(report.held[static_cast<int>(HeldKind::kernelHandles)], held(HeldKind::kernelHandles));
    EXPECT_GT(report.held[static_cast<int>(HeldKind::kernelHandles)], 0);
    EXPECT_GT(report.workingSet, 0u);
}

}  // namespace
}  // namespace vesko
