// The handler adapter and the environment options object, through their COM surface.
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>

#include "engine/com_callback_win.h"
#include "engine/environment_options_win.h"

namespace vesko {
namespace {

using Microsoft::WRL::ComPtr;

// Counts its live copies, so a test sees when the adapter destroys its callable.
struct LifeProbe {
    explicit LifeProbe(std::shared_ptr<int> counter) : counter_(std::move(counter)) { ++*counter_; }
    LifeProbe(const LifeProbe& other) : counter_(other.counter_) { ++*counter_; }
    ~LifeProbe() { --*counter_; }
    std::shared_ptr<int> counter_;
};

ULONG referenceCount(IUnknown* object) {
    object->AddRef();
    return object->Release();
}

TEST(ComCallback, OwnIidAndIUnknownRaiseTheCountOtherIidsDoNot) {
    auto handler = makeCallback<HistoryChangedCallback>([](ICoreWebView2*, IUnknown*) { return S_OK; });
    ASSERT_EQ(referenceCount(handler.Get()), 1u);

    struct Case {
        const char* name;
        const IID* iid;
        HRESULT expected;
    };
    const Case cases[] = {
        {"own IID", &IID_ICoreWebView2HistoryChangedEventHandler, S_OK},
        {"IUnknown", &IID_IUnknown, S_OK},
        {"another handler's IID", &IID_ICoreWebView2DocumentTitleChangedEventHandler, E_NOINTERFACE},
        {"an engine object's IID", &IID_ICoreWebView2, E_NOINTERFACE},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        void* out = reinterpret_cast<void*>(0x1234);  // must be overwritten either way
        EXPECT_EQ(handler->QueryInterface(*c.iid, &out), c.expected);
        if (c.expected == S_OK) {
            EXPECT_EQ(out, static_cast<void*>(handler.Get()));
            EXPECT_EQ(referenceCount(handler.Get()), 2u);
            static_cast<IUnknown*>(out)->Release();
        } else {
            EXPECT_EQ(out, nullptr);
        }
        EXPECT_EQ(referenceCount(handler.Get()), 1u);
    }
    EXPECT_EQ(handler->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
}

TEST(ComCallback, InvokePassesArgumentsAndResultThrough) {
    HRESULT seenResult = S_OK;
    std::wstring seenText;
    auto handler = makeCallback<ExecuteScriptCompletedCallback>([&](HRESULT result, LPCWSTR text) {
        seenResult = result;
        seenText = text;
        return S_FALSE;
    });
    EXPECT_EQ(handler->Invoke(E_ACCESSDENIED, L"{\"a\":1}"), S_FALSE);
    EXPECT_EQ(seenResult, E_ACCESSDENIED);
    EXPECT_EQ(seenText, L"{\"a\":1}");
}

TEST(ComCallback, ThrowingOrEmptyCallableGivesEFail) {
    auto throwsStandard = makeCallback<ScriptAddedCallback>([](HRESULT, LPCWSTR) -> HRESULT {
        throw std::runtime_error("VIEW_FAILED");
    });
    EXPECT_EQ(throwsStandard->Invoke(S_OK, L"id"), E_FAIL);
    auto throwsAnything = makeCallback<ScriptAddedCallback>([](HRESULT, LPCWSTR) -> HRESULT { throw 42; });
    EXPECT_EQ(throwsAnything->Invoke(S_OK, L"id"), E_FAIL);
    auto empty = makeCallback<ScriptAddedCallback>(ScriptAddedCallback::Callable());
    EXPECT_EQ(empty->Invoke(S_OK, L"id"), E_FAIL);
}

TEST(ComCallback, FinalReleaseReturnsZeroAndDestroysTheCaptures) {
    auto live = std::make_shared<int>(0);
    auto handler = makeCallback<NavigationStartingCallback>(
        [probe = LifeProbe(live)](ICoreWebView2*, ICoreWebView2NavigationStartingEventArgs*) { return S_OK; });
    EXPECT_GE(*live, 1);
    IUnknown* raw = handler.Detach();
    EXPECT_EQ(raw->AddRef(), 2u);
    EXPECT_EQ(raw->Release(), 1u);
    EXPECT_GE(*live, 1);
    EXPECT_EQ(raw->Release(), 0u);
    EXPECT_EQ(*live, 0);
}

std::wstring takeString(HRESULT (STDMETHODCALLTYPE ICoreWebView2EnvironmentOptions::*getter)(LPWSTR*),
                        ICoreWebView2EnvironmentOptions* options, HRESULT* result) {
    LPWSTR raw = nullptr;
    *result = (options->*getter)(&raw);
    std::wstring text = raw != nullptr ? raw : L"<null>";
    CoTaskMemFree(raw);
    return text;
}

TEST(EnvironmentOptions, InitialValues) {
    const auto options = createEnvironmentOptions();
    HRESULT result = E_FAIL;
    EXPECT_EQ(takeString(&ICoreWebView2EnvironmentOptions::get_AdditionalBrowserArguments, options.Get(), &result),
              L"--disable-web-security --allow-running-insecure-content");
    EXPECT_EQ(result, S_OK);
    EXPECT_EQ(takeString(&ICoreWebView2EnvironmentOptions::get_Language, options.Get(), &result), L"sq-AL");
    EXPECT_EQ(takeString(&ICoreWebView2EnvironmentOptions::get_TargetCompatibleBrowserVersion, options.Get(), &result),
              L"120.0.0.0");
    BOOL allow = TRUE;
    EXPECT_EQ(options->get_AllowSingleSignOnUsingOSPrimaryAccount(&allow), S_OK);
    EXPECT_EQ(allow, FALSE);
}

TEST(EnvironmentOptions, StringSlotsStoreCopiesAndNullAsEmpty) {
    using Getter = HRESULT (STDMETHODCALLTYPE ICoreWebView2EnvironmentOptions::*)(LPWSTR*);
    using Setter = HRESULT (STDMETHODCALLTYPE ICoreWebView2EnvironmentOptions::*)(LPCWSTR);
    struct Case {
        const char* name;
        Getter get;
        Setter put;
    };
    const Case cases[] = {
        {"arguments", &ICoreWebView2EnvironmentOptions::get_AdditionalBrowserArguments,
         &ICoreWebView2EnvironmentOptions::put_AdditionalBrowserArguments},
        {"language", &ICoreWebView2EnvironmentOptions::get_Language, &ICoreWebView2EnvironmentOptions::put_Language},
        {"version", &ICoreWebView2EnvironmentOptions::get_TargetCompatibleBrowserVersion,
         &ICoreWebView2EnvironmentOptions::put_TargetCompatibleBrowserVersion},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto options = createEnvironmentOptions();
        wchar_t buffer[] = L"sh\u00EBnim";
        EXPECT_EQ((options.Get()->*c.put)(buffer), S_OK);
        buffer[0] = L'X';  // the object keeps its own copy
        HRESULT result = E_FAIL;
        EXPECT_EQ(takeString(c.get, options.Get(), &result), L"sh\u00EBnim");
        EXPECT_EQ((options.Get()->*c.put)(nullptr), S_OK);
        EXPECT_EQ(takeString(c.get, options.Get(), &result), L"");
        EXPECT_EQ(result, S_OK);
        EXPECT_EQ((options.Get()->*c.get)(nullptr), E_POINTER);
    }
}

TEST(EnvironmentOptions, BoolSlotAndNullOut) {
    const auto options = createEnvironmentOptions();
    EXPECT_EQ(options->put_AllowSingleSignOnUsingOSPrimaryAccount(TRUE), S_OK);
    BOOL allow = FALSE;
    EXPECT_EQ(options->get_AllowSingleSignOnUsingOSPrimaryAccount(&allow), S_OK);
    EXPECT_EQ(allow, TRUE);
    EXPECT_EQ(options->get_AllowSingleSignOnUsingOSPrimaryAccount(nullptr), E_POINTER);
}

TEST(EnvironmentOptions, QueryInterfaceAndLastRelease) {
    const auto options = createEnvironmentOptions();
    void* out = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(options->QueryInterface(IID_ICoreWebView2EnvironmentOptions, &out), S_OK);
    EXPECT_EQ(out, static_cast<void*>(options.Get()));
    static_cast<IUnknown*>(out)->Release();
    out = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(options->QueryInterface(IID_ICoreWebView2ControllerOptions, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(options->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
    IUnknown* raw = ComPtr<ICoreWebView2EnvironmentOptions>(options).Detach();
    EXPECT_EQ(raw->Release(), 1u);  // the copy's reference; `options` still holds one
}

}  // namespace
}  // namespace vesko
