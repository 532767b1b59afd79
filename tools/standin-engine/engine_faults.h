#pragma once
// What the host did that the engine documents as wrong: recorded as the host's faults, and
// the scopes that find a message loop run inside a host's event handler.

#include <string>

namespace vesko::standin {

// A fault of the host's that the engine documents as wrong: kept in the fault list
// (`faults()`) and in the call record as engine "Fault".
void recordFault(const std::string& code, const std::string& detail);

// Held while the engine runs host handlers from one of its deliveries (the dispatcher's
// tasks, the DevTools pump's events). A delivery that begins while another is still on
// the stack came from a nested message loop inside a handler: a fault.
class DeliveryScope {
public:
    explicit DeliveryScope(const char* what);
    ~DeliveryScope();
    DeliveryScope(const DeliveryScope&) = delete;
    DeliveryScope& operator=(const DeliveryScope&) = delete;
    static bool active();
};

// Held while the engine shows a dialog of its own (a page's alert): its loop is the
// engine's, and deliveries inside it are not the host's doing.
class EngineModalScope {
public:
    EngineModalScope();
    ~EngineModalScope();
    EngineModalScope(const EngineModalScope&) = delete;
    EngineModalScope& operator=(const EngineModalScope&) = delete;

private:
    int saved_;
};

}  // namespace vesko::standin
