// How the Chromium backend reads Chromium's names and the view window's input, and how it
// builds its part of the command line.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "chromium/engine_terms.h"
#include "chromium/input_events.h"
#include "chromium/shared_chromium.h"

namespace vesko::standin {
namespace {

TEST(ChromiumTerms, ResourceTypesAndNetworkErrorsReadAsTheEngineNamesThem) {
    const std::pair<const char*, COREWEBVIEW2_WEB_RESOURCE_CONTEXT> contexts[] = {
        {"Document", COREWEBVIEW2_WEB_RESOURCE_CONTEXT_DOCUMENT},
        {"XHR", COREWEBVIEW2_WEB_RESOURCE_CONTEXT_XML_HTTP_REQUEST},
        {"Fetch", COREWEBVIEW2_WEB_RESOURCE_CONTEXT_FETCH},
        {"Font", COREWEBVIEW2_WEB_RESOURCE_CONTEXT_FONT},
        {"CSPViolationReport", COREWEBVIEW2_WEB_RESOURCE_CONTEXT_CSP_VIOLATION_REPORT},
        {"Preflight", COREWEBVIEW2_WEB_RESOURCE_CONTEXT_OTHER},
        {"document", COREWEBVIEW2_WEB_RESOURCE_CONTEXT_OTHER},  // names are exact
        {"", COREWEBVIEW2_WEB_RESOURCE_CONTEXT_OTHER},
    };
    for (const auto& [type, context] : contexts) EXPECT_EQ(resourceContextOf(type), context) << type;

    const std::pair<const char*, COREWEBVIEW2_WEB_ERROR_STATUS> statuses[] = {
        {"net::ERR_NAME_NOT_RESOLVED", COREWEBVIEW2_WEB_ERROR_STATUS_HOST_NAME_NOT_RESOLVED},
        {"net::ERR_CONNECTION_REFUSED", COREWEBVIEW2_WEB_ERROR_STATUS_CANNOT_CONNECT},
        {"net::ERR_ABORTED", COREWEBVIEW2_WEB_ERROR_STATUS_OPERATION_CANCELED},
        {"net::ERR_CERT_DATE_INVALID", COREWEBVIEW2_WEB_ERROR_STATUS_CERTIFICATE_EXPIRED},
        {"net::ERR_TIMED_OUT", COREWEBVIEW2_WEB_ERROR_STATUS_TIMEOUT},
        {"net::ERR_SOMETHING_NEW", COREWEBVIEW2_WEB_ERROR_STATUS_UNEXPECTED_ERROR},
        {"", COREWEBVIEW2_WEB_ERROR_STATUS_UNEXPECTED_ERROR},
    };
    for (const auto& [error, status] : statuses) EXPECT_EQ(webErrorStatusOf(error), status) << error;
}

TEST(ChromiumInput, WindowMessagesBecomeInputCommandsInPagePixels) {
    WindowInput press;
    press.message = WM_LBUTTONDOWN;
    press.wParam = MK_LBUTTON;
    press.client = {300, 150};
    press.zoom = 1.5;
    press.modifiers = inputModifiers(false, true, true);
    const auto pressed = inputCommandFor(press);
    ASSERT_TRUE(pressed);
    EXPECT_EQ(pressed->method, "Input.dispatchMouseEvent");
    EXPECT_EQ(pressed->params["type"], "mousePressed");
    EXPECT_EQ(pressed->params["button"], "left");
    EXPECT_DOUBLE_EQ(pressed->params["x"].get<double>(), 200.0);  // a zoomed page's pixel is bigger
    EXPECT_DOUBLE_EQ(pressed->params["y"].get<double>(), 100.0);
    EXPECT_EQ(pressed->params["modifiers"], 2 | 8);
    EXPECT_EQ(pressed->params["buttons"], 1);
    EXPECT_EQ(pressed->params["clickCount"], 1);

    WindowInput move = press;
    move.message = WM_MOUSEMOVE;
    move.wParam = MK_MBUTTON | MK_RBUTTON;
    const auto moved = inputCommandFor(move);
    ASSERT_TRUE(moved);
    EXPECT_EQ(moved->params["type"], "mouseMoved");
    EXPECT_EQ(moved->params["buttons"], 2 | 4);
    EXPECT_FALSE(moved->params.contains("clickCount"));

    // One notch away from the user scrolls the page down by about three lines.
    WindowInput wheel;
    wheel.message = WM_MOUSEWHEEL;
    wheel.wParam = MAKEWPARAM(0, static_cast<WORD>(-240));
    const auto wheeled = inputCommandFor(wheel);
    ASSERT_TRUE(wheeled);
    EXPECT_EQ(wheeled->params["type"], "mouseWheel");
    EXPECT_DOUBLE_EQ(wheeled->params["deltaY"].get<double>(), 200.0);
    EXPECT_DOUBLE_EQ(wheeled->params["deltaX"].get<double>(), 0.0);

    for (const UINT ignored : {static_cast<UINT>(WM_PAINT), static_cast<UINT>(WM_SETFOCUS), 0u}) {
        WindowInput other;
        other.message = ignored;
        EXPECT_FALSE(inputCommandFor(other)) << ignored;
    }
}

TEST(ChromiumInput, KeysCarryTheirCodesAndOnlyTypedCharactersBecomeText) {
    WindowInput down;
    down.message = WM_KEYDOWN;
    down.wParam = 'A';
    down.lParam = 1 << 30;  // held: a repeat
    down.modifiers = inputModifiers(false, false, true);
    const auto pressed = inputCommandFor(down);
    ASSERT_TRUE(pressed);
    EXPECT_EQ(pressed->params["type"], "rawKeyDown");
    EXPECT_EQ(pressed->params["windowsVirtualKeyCode"], 'A');
    EXPECT_EQ(pressed->params["key"], "A");
    EXPECT_EQ(pressed->params["code"], "KeyA");
    EXPECT_EQ(pressed->params["autoRepeat"], true);
    EXPECT_EQ(pressed->params["isSystemKey"], false);

    WindowInput alt = down;
    alt.message = WM_SYSKEYUP;
    alt.wParam = VK_F4;
    const auto released = inputCommandFor(alt);
    ASSERT_TRUE(released);
    EXPECT_EQ(released->params["type"], "keyUp");
    EXPECT_EQ(released->params["key"], "F4");
    EXPECT_EQ(released->params["isSystemKey"], true);

    const std::pair<wchar_t, const char*> characters[] = {
        {L'a', "a"}, {L'\u00eb', "\xC3\xAB"}, {L'\r', "\r"}, {L'\b', nullptr}, {L'\x1b', nullptr}, {L'\t', nullptr},
        {L'\x7f', nullptr},
    };
    for (const auto& [unit, text] : characters) {
        WindowInput typed;
        typed.message = WM_CHAR;
        typed.wParam = unit;
        const auto command = inputCommandFor(typed);
        if (text == nullptr) {
            EXPECT_FALSE(command) << static_cast<int>(unit);
            continue;
        }
        ASSERT_TRUE(command) << static_cast<int>(unit);
        EXPECT_EQ(command->params["type"], "char");
        EXPECT_EQ(command->params["text"], text);
    }

    const std::tuple<UINT, bool, const char*, const char*> names[] = {
        {'Z', false, "z", "KeyZ"}, {'7', true, "7", "Digit7"}, {VK_RETURN, false, "Enter", "Enter"},
        {VK_BACK, false, "Backspace", "Backspace"}, {VK_F12, false, "F12", "F12"}, {VK_NUMLOCK, false, "", ""},
    };
    for (const auto& [key, shift, name, code] : names) {
        const KeyNames found = keyNamesOf(key, shift);
        EXPECT_EQ(found.key, name) << key;
        EXPECT_EQ(found.code, code) << key;
    }
}

TEST(ChromiumCommandLine, ASwitchIsDroppedAsAWholeArgumentOnly) {
    const wchar_t* const host = L"--disable-web-security --allow-running-insecure-content --lang=sq";
    const std::tuple<const wchar_t*, const wchar_t*, const wchar_t*> cases[] = {
        {host, L"", host},
        {host, L"--disable-web-security", L"--allow-running-insecure-content --lang=sq"},
        {host, L"--allow-running-insecure-content", L"--disable-web-security --lang=sq"},
        {host, L"--lang", L"--disable-web-security --allow-running-insecure-content"},  // with its value
        {host, L"--disable-web", host},                                                  // not a prefix match
        {L"--a  --b --a=1", L"--a", L"--b"},
        {L"", L"--a", L""},
    };
    for (const auto& [arguments, dropped, kept] : cases) {
        EXPECT_EQ(withoutSwitch(arguments, dropped), kept) << std::wstring(arguments) << " / " << dropped;
    }
}

TEST(ChromiumCommandLine, HostsResolveOnlyAsMappedAndTheRulesStayOneArgument) {
    const std::string withRules = standInChromiumArguments(L"MAP portal.kordis.example 127.0.0.1:8443");
    EXPECT_NE(withRules.find("\"--host-resolver-rules=MAP portal.kordis.example 127.0.0.1:8443, MAP * ~NOTFOUND, "
                             "EXCLUDE 127.0.0.1\""),
              std::string::npos)
        << withRules;
    const std::string withoutRules = standInChromiumArguments(L"");
    EXPECT_NE(withoutRules.find("\"--host-resolver-rules=MAP * ~NOTFOUND, EXCLUDE 127.0.0.1\""), std::string::npos);
    EXPECT_NE(withoutRules.find("--ignore-certificate-errors"), std::string::npos);
}

}  // namespace
}  // namespace vesko::standin
