#pragma once
// The view's events with the host's handlers, and the resource filters that decide which
// requests reach WebResourceRequested.

#include <string>
#include <vector>

#include "com_support.h"
#include "engine/engine_frame_interface_win.h"
#include "engine/engine_lockdown_interface_win.h"
#include "engine/engine_process_interface_win.h"

namespace vesko::standin {

struct ViewEvents {
    EventList<ICoreWebView2NavigationStartingEventHandler> navigationStarting;
    EventList<ICoreWebView2NavigationStartingEventHandler> frameNavigationStarting;
    EventList<ICoreWebView2SourceChangedEventHandler> sourceChanged;
    EventList<ICoreWebView2HistoryChangedEventHandler> historyChanged;
    EventList<ICoreWebView2NavigationCompletedEventHandler> navigationCompleted;
    EventList<ICoreWebView2DocumentTitleChangedEventHandler> titleChanged;
    EventList<ICoreWebView2WebResourceRequestedEventHandler> webResourceRequested;
    EventList<ICoreWebView2PermissionRequestedEventHandler> permissionRequested;
    EventList<ICoreWebView2WebMessageReceivedEventHandler> webMessageReceived;
    EventList<ICoreWebView2NewWindowRequestedEventHandler> newWindowRequested;
    EventList<ICoreWebView2WindowCloseRequestedEventHandler> windowCloseRequested;
    EventList<ICoreWebView2DownloadStartingEventHandler> downloadStarting;
    EventList<ICoreWebView2ProcessFailedEventHandler> processFailed;
    EventList<ICoreWebView2FrameCreatedEventHandler> frameCreated;
    EventList<ICoreWebView2ContextMenuRequestedEventHandler> contextMenuRequested;
    EventList<ICoreWebView2ServerCertificateErrorDetectedEventHandler> certificateErrorDetected;
    EventList<ICoreWebView2LaunchingExternalUriSchemeEventHandler> launchingExternalUriScheme;

    // Handlers hold the host's objects; a closed view lets go of them at once.
    void clear();
};

class ResourceFilters {
public:
    void add(std::wstring uri, COREWEBVIEW2_WEB_RESOURCE_CONTEXT context, COREWEBVIEW2_WEB_RESOURCE_REQUEST_SOURCE_KINDS kinds);
    // false when no such filter was added.
    bool remove(const std::wstring& uri, COREWEBVIEW2_WEB_RESOURCE_CONTEXT context,
                COREWEBVIEW2_WEB_RESOURCE_REQUEST_SOURCE_KINDS kinds);
    // Only http, https and file addresses ever match: the engine raises nothing for
    // data:, blob: or about: requests.
    bool match(const std::wstring& uri, COREWEBVIEW2_WEB_RESOURCE_CONTEXT context,
               COREWEBVIEW2_WEB_RESOURCE_REQUEST_SOURCE_KINDS source) const;
    // The view was handed to a pop-up: the filters added so far no longer apply.
    void setAsideExisting();

private:
    struct Filter {
        std::wstring uri;
        COREWEBVIEW2_WEB_RESOURCE_CONTEXT context;
        COREWEBVIEW2_WEB_RESOURCE_REQUEST_SOURCE_KINDS kinds;
        bool setAside = false;
    };
    std::vector<Filter> filters_;
};

}  // namespace vesko::standin
