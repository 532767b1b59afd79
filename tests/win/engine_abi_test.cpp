// The engine header against the engine's ABI facts: every interface's IID and base, the
// vtable slot of every method (found by calling it through a recording vtable, so what
// is checked is the slot a call really lands in), and every enumeration value.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "engine/engine_interface_win.h"

namespace {

constexpr int kRecordedSlots = 160;
int lastSlot = -1;

template <int N>
HRESULT STDMETHODCALLTYPE recordSlot(void*) {
    lastSlot = N;
    return S_OK;
}

// An object whose every vtable slot records its own number when called. On x64 Windows
// the callee ignores arguments it does not take, so any method may land here.
struct RecordingObject {
    const void* const* vtable;
};

template <int... N>
const void* const* recordingTable(std::integer_sequence<int, N...>) {
    static const void* const table[] = {reinterpret_cast<const void*>(&recordSlot<N>)...};
    return table;
}

template <typename Interface, typename... Args>
int slotOf(HRESULT (STDMETHODCALLTYPE Interface::*method)(Args...)) {
    RecordingObject object{recordingTable(std::make_integer_sequence<int, kRecordedSlots>())};
    lastSlot = -1;
    auto* target = reinterpret_cast<Interface*>(&object);
    (target->*method)(std::remove_cvref_t<Args>{}...);
    return lastSlot;
}

struct MethodFact {
    const char* interfaceName;
    const char* method;
    int expectedSlot;
    int (*actualSlot)();
};

struct InterfaceFact {
    const char* name;
    IID expected;
    const IID* actual;
    bool derivesFromBase;
    int firstSlot;
};

struct EnumFact {
    const char* name;
    unsigned long long expected;
    unsigned long long actual;
};

#define VESKO_FACT_METHOD(I, M, S) {#I, #M, S, [] { return slotOf(&I::M); }},
#define VESKO_FACT_INTERFACE(I, B, F, ...)
#define VESKO_FACT_ENUM(N, V)
const std::vector<MethodFact> kMethods = {
#include "engine_abi_facts.inc"
};
#undef VESKO_FACT_METHOD
#undef VESKO_FACT_INTERFACE
#undef VESKO_FACT_ENUM

#define VESKO_FACT_METHOD(I, M, S)
#define VESKO_FACT_INTERFACE(I, B, F, ...) {#I, IID{__VA_ARGS__}, &IID_##I, std::is_base_of_v<B, I>, F},
#define VESKO_FACT_ENUM(N, V)
const std::vector<InterfaceFact> kInterfaces = {
#include "engine_abi_facts.inc"
};
#undef VESKO_FACT_METHOD
#undef VESKO_FACT_INTERFACE
#undef VESKO_FACT_ENUM

#define VESKO_FACT_METHOD(I, M, S)
#define VESKO_FACT_INTERFACE(I, B, F, ...)
#define VESKO_FACT_ENUM(N, V) {#N, V, static_cast<unsigned long long>(static_cast<std::uint32_t>(N))},
const std::vector<EnumFact> kEnums = {
#include "engine_abi_facts.inc"
};
#undef VESKO_FACT_METHOD
#undef VESKO_FACT_INTERFACE
#undef VESKO_FACT_ENUM

TEST(EngineAbi, FactsFileWasRead) {
#ifdef VESKO_FACTS_MISSING
    FAIL() << "the engine ABI facts were not found at " << VESKO_FACTS_MISSING;
#else
    EXPECT_GT(kMethods.size(), 250u);
    EXPECT_GT(kInterfaces.size(), 60u);
    EXPECT_GT(kEnums.size(), 60u);
#endif
}

TEST(EngineAbi, EveryMethodSitsInItsSlot) {
    for (const auto& m : kMethods) {
        SCOPED_TRACE(std::string(m.interfaceName) + "::" + m.method);
        EXPECT_EQ(m.actualSlot(), m.expectedSlot);
    }
}

TEST(EngineAbi, InterfaceIdentifiersAndBases) {
    for (const auto& i : kInterfaces) {
        SCOPED_TRACE(i.name);
        EXPECT_TRUE(IsEqualIID(i.expected, *i.actual));
        EXPECT_TRUE(i.derivesFromBase);
    }
}

TEST(EngineAbi, EnumerationValuesAndWidth) {
    for (const auto& e : kEnums) {
        SCOPED_TRACE(e.name);
        EXPECT_EQ(e.actual, e.expected);
    }
    EXPECT_EQ(sizeof(COREWEBVIEW2_WEB_RESOURCE_CONTEXT), 4u);
    EXPECT_EQ(sizeof(COREWEBVIEW2_WEB_RESOURCE_REQUEST_SOURCE_KINDS), 4u);
    EXPECT_EQ(sizeof(EventRegistrationToken), 8u);
}

// The recorder itself must tell slots apart, or every check above would pass vacuously.
TEST(EngineAbi, RecorderSeesDifferentSlots) {
    EXPECT_EQ(slotOf(&ICoreWebView2::get_Settings), 3);
    EXPECT_EQ(slotOf(&ICoreWebView2_22::AddWebResourceRequestedFilterWithRequestSourceKinds), 123);
}

}  // namespace
