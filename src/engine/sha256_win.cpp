#include "engine/sha256_win.h"

#include <windows.h>
#include <bcrypt.h>

#include <limits>
#include <memory>
#include <stdexcept>
#include <vector>

#include "base/scoped_handles_win.h"

namespace vesko {
namespace {

bool succeeded(NTSTATUS status) {
    return status >= 0;
}

}  // namespace

std::array<std::uint8_t, 32> sha256(std::span<const std::uint8_t> bytes) {
    BCRYPT_ALG_HANDLE rawProvider = nullptr;
    if (!succeeded(BCryptOpenAlgorithmProvider(&rawProvider, BCRYPT_SHA256_ALGORITHM, nullptr, 0))) {
        throw std::runtime_error("HASH_PROVIDER_FAILED");
    }
    const HashProviderOwner provider(rawProvider);

    DWORD objectLength = 0;
    ULONG written = 0;
    if (!succeeded(BCryptGetProperty(rawProvider, BCRYPT_OBJECT_LENGTH, reinterpret_cast<PUCHAR>(&objectLength),
                                     sizeof(objectLength), &written, 0)) ||
        written != sizeof(objectLength)) {
        throw std::runtime_error("HASH_PROPERTY_FAILED");
    }

    // Declared before the hash handle: the hash lives inside this buffer and goes first.
    std::vector<UCHAR> hashObject(objectLength, 0);
    BCRYPT_HASH_HANDLE rawHash = nullptr;
    if (!succeeded(BCryptCreateHash(rawProvider, &rawHash, hashObject.data(), objectLength, nullptr, 0, 0))) {
        throw std::runtime_error("HASH_CREATE_FAILED");
    }
    const HashOwner hash(rawHash);

    // One call takes at most 4 GiB; the loader is far smaller, but refuse rather than wrap.
    if (bytes.size() > std::numeric_limits<ULONG>::max() ||
        !succeeded(BCryptHashData(rawHash, const_cast<PUCHAR>(bytes.data()), static_cast<ULONG>(bytes.size()), 0))) {
        throw std::runtime_error("HASH_DATA_FAILED");
    }

    std::array<std::uint8_t, 32> digest{};
    if (!succeeded(BCryptFinishHash(rawHash, digest.data(), static_cast<ULONG>(digest.size()), 0))) {
        throw std::runtime_error("HASH_FINISH_FAILED");
    }
    return digest;
}

}  // namespace vesko
