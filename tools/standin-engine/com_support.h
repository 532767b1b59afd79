#pragma once
// The COM layer's plumbing: event lists, the message loop delivery and the call record.
// Every object's IUnknown half is the base layer's ComObject.

#include <windows.h>

#include <cstring>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/com_object_win.h"
#include "base/wide_text_win.h"
#include "engine/engine_interface_win.h"
#include "engine_faults.h"
#include "live_objects.h"

namespace vesko::standin {

using Microsoft::WRL::ComPtr;

// Task memory holding a copy of the text; the host frees it with CoTaskMemFree.
HRESULT copyToTaskMemory(std::wstring_view text, LPWSTR* out);

std::string hexResult(HRESULT result);
inline std::string boolText(BOOL value) { return value ? "true" : "false"; }

// Every call on a closed controller or its view is refused, as the engine does.
inline const HRESULT kClosed = HRESULT_FROM_WIN32(ERROR_INVALID_STATE);

// Appends one entry to the call record.
void record(std::string object, std::string method, std::string detail = {});
bool isRecording();

// Handlers registered on one event, with their tokens. Raising works on a copy, so a
// handler may add or remove handlers while it runs.
template <typename Handler>
class EventList {
public:
    HRESULT add(Handler* handler, EventRegistrationToken* token) {
        if (handler == nullptr || token == nullptr) return E_INVALIDARG;
        token->value = nextToken()++;
        entries_.push_back({token->value, ComPtr<Handler>(handler), {}});
        return S_OK;
    }
    HRESULT remove(EventRegistrationToken token) {
        std::erase_if(entries_, [&](const Entry& e) { return e.token == token.value; });
        return S_OK;
    }
    std::vector<ComPtr<Handler>> handlers() const { return handlersAfter(0); }
    // Only the handlers registered after the token numbered `token` was issued.
    std::vector<ComPtr<Handler>> handlersAfter(std::int64_t token) const {
        std::vector<ComPtr<Handler>> copy;
        for (const Entry& e : entries_) {
            if (e.token > token) copy.push_back(e.handler);
        }
        return copy;
    }
    bool empty() const { return entries_.empty(); }
    // The number of the newest token issued by any list of this handler type.
    static std::int64_t lastIssued() { return nextToken() - 1; }
    void clear() { entries_.clear(); }

private:
    struct Entry {
        std::int64_t token;
        ComPtr<Handler> handler;
        LiveMark<LiveKind::registrations> live;
    };
    static std::int64_t& nextToken() {
        static std::int64_t value = 1;
        return value;
    }
    std::vector<Entry> entries_;
};

// Runs tasks later on the thread that created it, one per message, from that thread's
// message loop, the way the engine delivers every completion and event.
class Dispatcher {
public:
    static std::shared_ptr<Dispatcher> forCurrentThread();
    ~Dispatcher();
    Dispatcher(const Dispatcher&) = delete;
    Dispatcher& operator=(const Dispatcher&) = delete;

    void post(std::function<void()> task);
    // Posts a marker once per delivery: a message loop run inside a host handler picks it
    // up while the handler is still running.
    void watchForNestedLoop();

private:
    Dispatcher();
    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void runOne();

    HWND window_ = nullptr;
    std::deque<std::function<void()>> tasks_;
    bool markerPosted_ = false;
};

// The module that holds the stand-in's code (the DLL, or the program that links it).
HMODULE ownModule();

}  // namespace vesko::standin
