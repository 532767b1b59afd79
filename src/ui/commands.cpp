#include "ui/commands.h"

namespace vesko {

CommandGate commandGate(std::int32_t id, CommandContext context) {
    using namespace commands;
    if (id == PageInfo || id == ToggleCloseWarning || id == SaveDiagnostics) return CommandGate::Run;
    if (!context.engineReady) return CommandGate::Ignore;

    switch (id) {
        case ReopenClosedTab: case NewTab: case CloseTab: case NextTab: case PreviousTab:
        case FocusAddress:
            return CommandGate::Run;
        default:
            break;
    }
    if (!context.hasView) return CommandGate::Ignore;
    if (isZoomCommand(id) || id == Downloads || id == Print) return CommandGate::Run;
    if (id >= Back && id <= Home) return context.probePassed ? CommandGate::Run : CommandGate::AwaitProbe;
    return CommandGate::Ignore;
}

}  // namespace vesko
