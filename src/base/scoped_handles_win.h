#pragma once
// Owners of Windows handles: one deleter per kind of handle, so each is released the way
// its kind must be, once, on every path out of a scope.

#include <windows.h>
#include <bcrypt.h>
#include <objbase.h>

#include <memory>
#include <type_traits>

namespace vesko {

// Brushes, fonts, bitmaps and pens: DeleteObject. Never one still selected into a DC.
struct GdiObjectDeleter {
    void operator()(HGDIOBJ object) const { DeleteObject(object); }
};
template <typename Handle>
using GdiOwner = std::unique_ptr<std::remove_pointer_t<Handle>, GdiObjectDeleter>;
using BrushOwner = GdiOwner<HBRUSH>;
using FontOwner = GdiOwner<HFONT>;
using BitmapOwner = GdiOwner<HBITMAP>;

struct ModuleFreer {
    void operator()(HMODULE module) const { FreeLibrary(module); }
};
using ModuleOwner = std::unique_ptr<std::remove_pointer_t<HMODULE>, ModuleFreer>;

// Kernel handles. CreateFileW reports failure as INVALID_HANDLE_VALUE, not null, and that
// value is no handle to close.
struct HandleCloser {
    void operator()(HANDLE handle) const {
        if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
    }
};
using HandleOwner = std::unique_ptr<void, HandleCloser>;

// Text a COM callee allocated for its caller.
struct TaskMemFreer {
    void operator()(void* memory) const { CoTaskMemFree(memory); }
};
using TaskMemText = std::unique_ptr<wchar_t, TaskMemFreer>;

struct HashProviderCloser {
    void operator()(BCRYPT_ALG_HANDLE provider) const { BCryptCloseAlgorithmProvider(provider, 0); }
};
using HashProviderOwner = std::unique_ptr<void, HashProviderCloser>;
struct HashDestroyer {
    void operator()(BCRYPT_HASH_HANDLE hash) const { BCryptDestroyHash(hash); }
};
using HashOwner = std::unique_ptr<void, HashDestroyer>;

struct MenuDestroyer {
    void operator()(HMENU menu) const { DestroyMenu(menu); }
};
using MenuOwner = std::unique_ptr<std::remove_pointer_t<HMENU>, MenuDestroyer>;

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
