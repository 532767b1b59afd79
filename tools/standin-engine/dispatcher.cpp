// Delivery through the message loop: a message-only window per thread runs the queued
// tasks one per message, the way the engine delivers every completion and event.
#include <stdexcept>

#include "com_support.h"

namespace vesko::standin {
namespace {

constexpr UINT kRunTaskMessage = WM_APP + 1;
constexpr UINT kNestedLoopMarker = WM_APP + 2;
constexpr wchar_t kDispatcherClass[] = L"VeskoStandInDispatcher";

}  // namespace

HMODULE ownModule() {
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&ownModule), &module);
    return module;
}

std::shared_ptr<Dispatcher> Dispatcher::forCurrentThread() {
    thread_local std::weak_ptr<Dispatcher> current;
    auto dispatcher = current.lock();
    if (!dispatcher) {
        dispatcher = std::shared_ptr<Dispatcher>(new Dispatcher());
        current = dispatcher;
    }
    return dispatcher;
}

Dispatcher::Dispatcher() {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = &Dispatcher::windowProc;
    windowClass.hInstance = ownModule();
    windowClass.lpszClassName = kDispatcherClass;
    RegisterClassExW(&windowClass);  // fails harmlessly when already registered
    window_ = CreateWindowExW(0, kDispatcherClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, ownModule(), nullptr);
    if (window_ == nullptr) throw std::runtime_error("STANDIN_DISPATCHER_FAILED");
    SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

Dispatcher::~Dispatcher() {
    SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
    DestroyWindow(window_);
}

void Dispatcher::post(std::function<void()> task) {
    tasks_.push_back(std::move(task));
    PostMessageW(window_, kRunTaskMessage, 0, 0);
}

void Dispatcher::watchForNestedLoop() {
    if (markerPosted_) return;
    markerPosted_ = PostMessageW(window_, kNestedLoopMarker, 0, 0) != FALSE;
}

void Dispatcher::runOne() {
    if (tasks_.empty()) return;
    auto task = std::move(tasks_.front());
    tasks_.pop_front();
    task();
}

LRESULT CALLBACK Dispatcher::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kRunTaskMessage) {
        auto* dispatcher = reinterpret_cast<Dispatcher*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (dispatcher != nullptr) {
            // A task may drop the last reference to the dispatcher itself; keep it alive
            // until the task has returned.
            const auto keep = forCurrentThread();
            const DeliveryScope delivery("a queued event");
            dispatcher->runOne();
        }
        return 0;
    }
    if (message == kNestedLoopMarker) {
        auto* dispatcher = reinterpret_cast<Dispatcher*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (dispatcher != nullptr) dispatcher->markerPosted_ = false;
        if (DeliveryScope::active()) {
            recordFault("NESTED_MESSAGE_LOOP", "messages were pumped while a host event handler was running");
        }
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace vesko::standin
