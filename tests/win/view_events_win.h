#pragma once
// The navigation events of a view written down as short lines, as the engine tests compare
// them: "starting URI", "source new" (or "source" within a document), "history",
// "title TEXT" and "completed SUCCESS STATUS".

#include <windows.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "app/wide_text_win.h"
#include "engine/com_callback_win.h"

namespace vesko {

// A string the engine handed out, freed.
inline std::string takeEngineText(LPWSTR raw) {
    std::string text = toUtf8(raw != nullptr ? raw : L"");
    CoTaskMemFree(raw);
    return text;
}

// Registers the handlers on `view`; `refuse`, when given, cancels the navigations whose
// address it names. `events` must outlive the view's handlers.
inline void recordViewEvents(ICoreWebView2* view, std::vector<std::string>& events,
                             std::function<bool(const std::string& uri)> refuse = {}) {
    std::vector<std::string>* const out = &events;
    EventRegistrationToken token{};
    view->add_NavigationStarting(makeCallback<NavigationStartingCallback>(
                                     [out, refuse](ICoreWebView2*, ICoreWebView2NavigationStartingEventArgs* args) {
                                         LPWSTR raw = nullptr;
                                         args->get_Uri(&raw);
                                         const std::string uri = takeEngineText(raw);
                                         out->push_back("starting " + uri);
                                         if (refuse && refuse(uri)) args->put_Cancel(TRUE);
                                         return S_OK;
                                     }).Get(),
                                 &token);
    view->add_SourceChanged(makeCallback<SourceChangedCallback>([out](ICoreWebView2*, ICoreWebView2SourceChangedEventArgs* args) {
                                BOOL fresh = FALSE;
                                args->get_IsNewDocument(&fresh);
                                out->push_back(fresh ? "source new" : "source");
                                return S_OK;
                            }).Get(),
                            &token);
    view->add_HistoryChanged(makeCallback<HistoryChangedCallback>([out](ICoreWebView2*, IUnknown*) {
                                 out->push_back("history");
                                 return S_OK;
                             }).Get(),
                             &token);
    view->add_DocumentTitleChanged(makeCallback<DocumentTitleChangedCallback>([out](ICoreWebView2* sender, IUnknown*) {
                                       LPWSTR raw = nullptr;
                                       sender->get_DocumentTitle(&raw);
                                       out->push_back("title " + takeEngineText(raw));
                                       return S_OK;
                                   }).Get(),
                                   &token);
    view->add_NavigationCompleted(makeCallback<NavigationCompletedCallback>(
                                      [out](ICoreWebView2*, ICoreWebView2NavigationCompletedEventArgs* args) {
                                          BOOL success = FALSE;
                                          COREWEBVIEW2_WEB_ERROR_STATUS status{};
                                          args->get_IsSuccess(&success);
                                          args->get_WebErrorStatus(&status);
                                          out->push_back("completed " + std::to_string(success) + " " +
                                                         std::to_string(status));
                                          return S_OK;
                                      }).Get(),
                                  &token);
}

inline std::size_t completionCount(const std::vector<std::string>& events) {
    return static_cast<std::size_t>(
        std::count_if(events.begin(), events.end(), [](const std::string& e) { return e.starts_with("completed"); }));
}

}  // namespace vesko
