#pragma once
// Owners of Windows handles: one deleter per kind of handle, so each is released the way
// its kind must be, once, on every path out of a scope.

#include <windows.h>
#include <bcrypt.h>
#include <objbase.h>

#include <memory>
#include <type_traits>

#include "base/resource_counts.h"

namespace vesko {

// A unique_ptr that counts what it holds under `Deleter::kind`: adopting a handle (the
// constructor, reset) counts it, the deleter's release uncounts it, and release() hands
// it on uncounted. Moves pass the handle along without counting twice.
template <typename Pointee, typename Deleter>
class CountedOwner : public std::unique_ptr<Pointee, Deleter> {
    using Base = std::unique_ptr<Pointee, Deleter>;

public:
    using pointer = typename Base::pointer;
    CountedOwner() noexcept = default;
    CountedOwner(std::nullptr_t) noexcept {}
    explicit CountedOwner(pointer held) noexcept : Base(held) { adopt(held); }
    CountedOwner(CountedOwner&&) noexcept = default;
    CountedOwner& operator=(CountedOwner&&) noexcept = default;

    void reset(pointer held = pointer()) noexcept {
        adopt(held);
        Base::reset(held);
    }
    pointer release() noexcept {
        const pointer held = Base::release();
        if (Deleter::holds(held)) noteReleased(Deleter::kind);
        return held;
    }

private:
    static void adopt(pointer held) {
        if (Deleter::holds(held)) noteAcquired(Deleter::kind);
    }
};

// Brushes, fonts, bitmaps and pens: DeleteObject. Never one still selected into a DC.
struct GdiObjectDeleter {
    static constexpr HeldKind kind = HeldKind::gdiObjects;
    static bool holds(HGDIOBJ object) { return object != nullptr; }
    void operator()(HGDIOBJ object) const {
        DeleteObject(object);
        noteReleased(kind);
    }
};
template <typename Handle>
using GdiOwner = CountedOwner<std::remove_pointer_t<Handle>, GdiObjectDeleter>;
using BrushOwner = GdiOwner<HBRUSH>;
using FontOwner = GdiOwner<HFONT>;
using BitmapOwner = GdiOwner<HBITMAP>;

struct ModuleFreer {
    static constexpr HeldKind kind = HeldKind::modules;
    static bool holds(HMODULE module) { return module != nullptr; }
    void operator()(HMODULE module) const {
        FreeLibrary(module);
        noteReleased(kind);
    }
};
using ModuleOwner = CountedOwner<std::remove_pointer_t<HMODULE>, ModuleFreer>;

// Kernel handles. CreateFileW reports failure as INVALID_HANDLE_VALUE, not null, and that
// value is no handle to close.
struct HandleCloser {
    static constexpr HeldKind kind = HeldKind::kernelHandles;
    static bool holds(HANDLE handle) { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }
    void operator()(HANDLE handle) const {
        if (!holds(handle)) return;
        CloseHandle(handle);
        noteReleased(kind);
    }
};
using HandleOwner = CountedOwner<void, HandleCloser>;

// Text a COM callee allocated for its caller.
struct TaskMemFreer {
    void operator()(void* memory) const { CoTaskMemFree(memory); }
};
using TaskMemText = std::unique_ptr<wchar_t, TaskMemFreer>;

struct HashProviderCloser {
    static constexpr HeldKind kind = HeldKind::hashObjects;
    static bool holds(BCRYPT_ALG_HANDLE provider) { return provider != nullptr; }
    void operator()(BCRYPT_ALG_HANDLE provider) const {
        BCryptCloseAlgorithmProvider(provider, 0);
        noteReleased(kind);
    }
};
using HashProviderOwner = CountedOwner<void, HashProviderCloser>;
struct HashDestroyer {
    static constexpr HeldKind kind = HeldKind::hashObjects;
    static bool holds(BCRYPT_HASH_HANDLE hash) { return hash != nullptr; }
    void operator()(BCRYPT_HASH_HANDLE hash) const {
        BCryptDestroyHash(hash);
        noteReleased(kind);
    }
};
using HashOwner = CountedOwner<void, HashDestroyer>;

// A menu handed to its parent (release()) is destroyed with the parent and no longer counted.
struct MenuDestroyer {
    static constexpr HeldKind kind = HeldKind::menus;
    static bool holds(HMENU menu) { return menu != nullptr; }
    void operator()(HMENU menu) const {
        DestroyMenu(menu);
        noteReleased(kind);
    }
};
using MenuOwner = CountedOwner<std::remove_pointer_t<HMENU>, MenuDestroyer>;

// Selects an object into a device context for the scope and puts the previous one back.
class SelectedObject {
public:
    SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
    ~SelectedObject() {
        if (previous_ != nullptr && previous_ != HGDI_ERROR) SelectObject(dc_, previous_);
    }
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};

}  // namespace vesko
