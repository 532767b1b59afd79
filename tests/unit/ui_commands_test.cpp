#include "ui/commands.h"

#include <gtest/gtest.h>

namespace vesko {
namespace {

constexpr CommandGate R = CommandGate::Run;
constexpr CommandGate I = CommandGate::Ignore;
constexpr CommandGate P = CommandGate::AwaitProbe;

struct Case {
    std::int32_t id;
    // Engine not ready; ready without a view; with a view before the engine check
    // passed; everything in place.
    CommandGate notReady, noView, probePending, full;
};

static constexpr Case kCases[] = {
    {commands::PageInfo, R, R, R, R},
    {commands::ToggleCloseWarning, R, R, R, R},
    {commands::SaveDiagnostics, R, R, R, R},
    {commands::NewTab, I, R, R, R},
    {commands::CloseTab, I, R, R, R},
    {commands::NextTab, I, R, R, R},
    {commands::PreviousTab, I, R, R, R},
    {commands::FocusAddress, I, R, R, R},
    {commands::ReopenClosedTab, I, R, R, R},
    {commands::ZoomIn, I, I, R, R},
    {commands::ZoomReset, I, I, R, R},
    {commands::ZoomPresetLast, I, I, R, R},
    {commands::Downloads, I, I, R, R},
    {commands::Print, I, I, R, R},
    {commands::Back, I, I, P, R},
    {commands::Forward, I, I, P, R},
    {commands::ReloadOrStop, I, I, P, R},
    {commands::Home, I, I, P, R},
    {108, I, I, I, I},
    {309, I, I, I, I},
};

TEST(Commands, Gate) {
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.id);
        EXPECT_EQ(commandGate(c.id, {false, true, true}), c.notReady);
        EXPECT_EQ(commandGate(c.id, {true, false, true}), c.noView);
        EXPECT_EQ(commandGate(c.id, {true, true, false}), c.probePending);
        EXPECT_EQ(commandGate(c.id, {true, true, true}), c.full);
    }
}

}  // namespace
}  // namespace vesko
