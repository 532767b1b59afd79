#pragma once
// The IUnknown half of every COM object the program implements (its handlers, its options)
// and of every object the stand-in engine hands out.

#include <windows.h>
#include <unknwn.h>
#include <wrl/client.h>

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <utility>

#include "base/resource_counts.h"

namespace vesko {

// An object implementing the interface chain `Interface`. Its atomic reference count starts
// at one, the creator's, and the last Release deletes it. QueryInterface answers IUnknown and the listed `Ids` with the object's
// `Interface` pointer: one pointer serves a whole chain whose versions extend one another.
template <typename Interface, const IID&... Ids>
class ComObject : public Interface {
    static_assert(sizeof...(Ids) > 0, "an object answers at least its own interface");

public:
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) final {
        if (out == nullptr) return E_POINTER;
        *out = nullptr;
        bool known = IsEqualIID(iid, IID_IUnknown) != FALSE;
        for (std::size_t i = 0; i < offered_ && !known; ++i) known = IsEqualIID(iid, *kIds[i]) != FALSE;
        if (!known) return E_NOINTERFACE;
        *out = static_cast<Interface*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() final { return ++count_; }
    ULONG STDMETHODCALLTYPE Release() final {
        const ULONG remaining = --count_;
        if (remaining == 0) delete this;
        return remaining;
    }

protected:
    // `offered`: how many of the ids, from the first, the object answers (at least one, at
    // most all), so it can stand for an older version of its chain that lacks the newer ids.
    explicit ComObject(int offered = static_cast<int>(sizeof...(Ids)))
        : offered_(static_cast<std::size_t>(std::clamp(offered, 1, static_cast<int>(sizeof...(Ids))))) {}
    virtual ~ComObject() = default;

private:
    static constexpr const IID* kIds[] = {&Ids...};

    std::atomic<ULONG> count_{1};
    std::size_t offered_;
    HeldMark<HeldKind::comObjects> held_;
};

// A new T whose first reference the result owns.
template <typename T, typename... Args>
Microsoft::WRL::ComPtr<T> makeComObject(Args&&... args) {
    Microsoft::WRL::ComPtr<T> object;
    // Adopts the new object's reference. Not Attach: MinGW's ComPtr::Attach adds a reference
    // of its own, MSVC's does not.
    *object.ReleaseAndGetAddressOf() = new T(std::forward<Args>(args)...);
    return object;
}

}  // namespace vesko
