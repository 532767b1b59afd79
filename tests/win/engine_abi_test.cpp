// The engine header against the engine's ABI facts: every interface's IID and base, the
// vtable slot of every method (found by calling it through a recording vtable, so what
// is checked is the slot a call really lands in), and every enumeration value.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "engine/engine_focus_interface_win.h"
#include "engine/engine_frame_interface_win.h"
#include "engine/engine_lockdown_interface_win.h"
#include "engine/engine_process_interface_win.h"

namespace {

int lastSlot = -1;

template <int N>
HRESULT STDMETHODCALLTYPE recordSlot(void*) {
    lastSlot = N;
    return S_OK;
}

template <int... N>
const void* const* recordingTable(std::integer_sequence<int, N...>) {
    static const void* const table[] = {reinterpret_cast<const void*>(&recordSlot<N>)...};
    return table;
}

// Calls `method` on an object whose every vtable slot records its own number. On x64
// Windows the callee ignores arguments it does not take, so any method may land there.
template <typename Interface, typename... Args>
long long slotOf(HRESULT (STDMETHODCALLTYPE Interface::*method)(Args...)) {
    struct {
        const void* const* vtable = recordingTable(std::make_integer_sequence<int, 160>());
    } object;
    lastSlot = -1;
    (reinterpret_cast<Interface*>(&object)->*method)(std::remove_cvref_t<Args>{}...);
    return lastSlot;
}

TEST(EngineAbi, HeaderAgreesWithEveryFact) {
    struct Fact {
        std::string name;
        long long expected, actual;
    };
    // An interface is right (1) when its IID is the fact's and it derives from its base.
#define VESKO_FACT_METHOD(I, M, S) {#I "::" #M, S, slotOf(&I::M)},
#define VESKO_FACT_INTERFACE(I, B, F, ...) {#I, 1, (IID{__VA_ARGS__} == IID_##I) && std::is_base_of_v<B, I>},
#define VESKO_FACT_ENUM(N, V) {#N, V, static_cast<long long>(static_cast<std::uint32_t>(N))},
#define VESKO_FACT_MISSING(path) {std::string("the facts file ") + path + " (not found)", 1, 0},
    const std::vector<Fact> facts = {
#include "engine_abi_facts.inc"
#include "engine_abi_process_facts.inc"
#include "engine_abi_frames_facts.inc"
#include "engine_abi_lockdown_facts.inc"
    };
    EXPECT_GT(facts.size(), 600u);
    for (const auto& fact : facts) EXPECT_EQ(fact.actual, fact.expected) << fact.name;

    EXPECT_EQ(sizeof(COREWEBVIEW2_WEB_RESOURCE_CONTEXT), 4u);
    EXPECT_EQ(sizeof(COREWEBVIEW2_WEB_RESOURCE_REQUEST_SOURCE_KINDS), 4u);
    EXPECT_EQ(sizeof(EventRegistrationToken), 8u);
    // The focus interfaces are not among the facts: their order from the public reference.
    EXPECT_EQ(slotOf(&ICoreWebView2MoveFocusRequestedEventArgs::get_Reason), 3);
    EXPECT_EQ(slotOf(&ICoreWebView2MoveFocusRequestedEventArgs::put_Handled), 5);
    EXPECT_EQ(slotOf(&ICoreWebView2MoveFocusRequestedEventHandler::Invoke), 3);
    // The recorder itself must tell slots apart, or every slot check would pass vacuously.
    EXPECT_EQ(slotOf(&ICoreWebView2::get_Settings), 3);
    EXPECT_EQ(slotOf(&ICoreWebView2_22::AddWebResourceRequestedFilterWithRequestSourceKinds), 123);
}

}  // namespace
