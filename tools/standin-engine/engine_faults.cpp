// What the host did that the engine documents as wrong but a test would not otherwise see:
// a message loop run inside one of its event handlers, a response stream that cannot be
// read from another thread or whose bytes change after the request.
#include <vector>

#include "com_support.h"
#include "standin.h"

namespace vesko::standin {
namespace {

std::vector<std::string>& faultStore() {
    static std::vector<std::string> store;
    return store;
}

// Host handlers running on this thread from the engine's deliveries; a delivery that
// starts while one runs came from a message loop inside it.
thread_local int deliveryDepth = 0;

}  // namespace

void recordFault(const std::string& code, const std::string& detail) {
    faultStore().push_back(code + ": " + detail);
    record("engine", "Fault", code + " " + detail);
}

std::vector<std::string> faults() {
    return faultStore();
}

void clearFaults() {
    faultStore().clear();
}

DeliveryScope::DeliveryScope(const char* what) {
    if (deliveryDepth > 0) {
        recordFault("NESTED_MESSAGE_LOOP",
                    std::string("the engine delivered ") + what + " while a host event handler was still running");
    }
    if (deliveryDepth++ == 0) Dispatcher::forCurrentThread()->watchForNestedLoop();
}

DeliveryScope::~DeliveryScope() {
    --deliveryDepth;
}

bool DeliveryScope::active() {
    return deliveryDepth > 0;
}

// The engine's own dialog runs its loop in the engine, not in a host handler.
EngineModalScope::EngineModalScope() : saved_(deliveryDepth) {
    deliveryDepth = 0;
}

EngineModalScope::~EngineModalScope() {
    deliveryDepth = saved_;
}

}  // namespace vesko::standin
