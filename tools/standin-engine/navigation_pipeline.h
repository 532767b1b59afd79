#pragma once
// A view's navigation pipeline: navigations from start to completion, the history, and
// every event the view raises to the host, in a browser's order. The page driver loads
// the documents and reports back through it.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "event_args.h"
#include "frame_tree.h"
#include "objects.h"
#include "page_driver.h"
#include "view_events.h"
#include "view_settings.h"

namespace vesko::standin {

enum class NavigationKind { New, Back, Forward, Reload };

struct Navigation {
    std::uint64_t id = 0;
    std::wstring uri;
    NavigationKind kind = NavigationKind::New;
    bool completed = false;
    bool awaitingDocument = false;  // Chromium was asked to load it; its request is still to come
    bool committed = false;         // its document replaced the one before
    bool popupFirst = false;        // the first navigation of a view handed to a pop-up
};

// What the view shows and has done; the drivers keep it up to date.
struct ViewPage {
    std::wstring source = L"about:blank";
    std::wstring title = L"about:blank";
    PageModel model;
    std::vector<std::shared_ptr<ResourceOutcome>> log;
    std::vector<FrameState> frames;
    std::vector<std::pair<std::wstring, std::wstring>> documentScripts;  // id, text
    std::vector<CertificateErrorSeen> certificateErrors;  // every one the view met, oldest first

    // Adds a request to the log. A view left open for days makes requests without end: the
    // log keeps the most recent ones, and only the newest keep their bodies (each page's
    // libraries would otherwise stay in memory for as long as the tab lives).
    void logResource(std::shared_ptr<ResourceOutcome> outcome);
    static constexpr std::size_t kResourceLogLimit = 4096;
    static constexpr std::size_t kBodiesKept = 64;
};

// What the view's failed processes left: the engine's error page after its renderer
// exited, a renderer that hangs and is reported again and again.
struct FailureState {
    bool rendererGone = false;
    bool unresponsive = false;
    UINT_PTR reportTimer = 0;
    int reported = 0;  // ProcessFailed events raised on the view
};

class NavigationPipeline {
public:
    // view: the COM object the events name as their sender; it owns this pipeline.
    NavigationPipeline(std::shared_ptr<EngineContext> context, std::string name, ICoreWebView2* view,
                       const ViewSettings& settings);

    const std::string& name() const { return name_; }
    EngineContext& context() const { return *context_; }
    const ViewSettings& settings() const { return settings_; }
    ViewEvents& events() { return events_; }
    FrameTree& frameTree() { return frameTree_; }
    ResourceFilters& filters() { return filters_; }
    ViewPage& page() { return page_; }
    FailureState& failure() { return failure_; }
    const ViewPage& page() const { return page_; }
    PageDriver& driver() { return *driver_; }
    const PageDriver& driver() const { return *driver_; }
    void setDriver(std::unique_ptr<PageDriver> driver) { driver_ = std::move(driver); }
    bool closed() const { return closed_; }
    ICoreWebView2* view() const { return view_; }
    HWND window() const { return window_; }
    ICoreWebView2Controller* controller() const { return controller_; }
    void attach(ICoreWebView2Controller* controller, HWND window);
    void close();

    // Runs task later from the message loop, the view kept alive until it has run.
    void later(std::function<void()> task);
    // For a deferral: its completion runs task later, the view kept alive until then.
    std::function<void()> resumeLater(std::function<void()> task);
    void repaint() const;

    // --- navigations ---
    bool canGoBack() const { return historyIndex_ > 0; }
    bool canGoForward() const { return historyIndex_ + 1 < static_cast<int>(history_.size()); }
    void begin(std::wstring uri, NavigationKind kind, bool userInitiated);
    void goBack();
    void goForward();
    void stop();
    // Whether the view has ever navigated (only one that has not can take a pop-up).
    bool navigated() const { return navigated_; }
    // The view was handed to a pop-up (put_NewWindow): resource filters and handlers added
    // before no longer apply, and its first document's request may go unraised.
    void bindAsPopup();
    // Whether the request for this navigation's document is raised to the host's filter.
    bool raisesDocumentRequest(const Navigation& navigation) const;
    void markNavigated() { navigated_ = true; }
    std::shared_ptr<Navigation>& current() { return current_; }
    std::uint64_t nextNavigationId() { return nextNavigationId_++; }
    bool stillCurrent(const std::shared_ptr<Navigation>& navigation) const;
    // The navigation's document is the view's now.
    void enterDocument(const Navigation& navigation);
    void complete(const std::shared_ptr<Navigation>& navigation, bool success, COREWEBVIEW2_WEB_ERROR_STATUS status);
    // Ends a navigation that did not finish on its own (stopped, cancelled, superseded):
    // unsuccessful, with the status the knobs give such ends.
    void cancel(const std::shared_ptr<Navigation>& navigation);
    // `next` becomes the current navigation. The one it supersedes is returned, to be
    // cancelled once next's NavigationStarting has been raised, as the engine may report
    // it; with old-completion-first it is cancelled at once and none is returned.
    std::shared_ptr<Navigation> supersede(std::shared_ptr<Navigation> next);

    // --- events ---
    ComPtr<NavigationStartingArgs> raiseNavigationStarting(const std::wstring& uri, bool userInitiated,
                                                           std::uint64_t id);
    // true when the host cancelled the frame's navigation.
    bool raiseFrameNavigationStarting(const std::wstring& uri);
    void raiseSourceChanged(bool newDocument);
    void raiseHistoryChanged();
    void raiseTitleChanged();
    // Whether a request raises WebResourceRequested: a handler and a matching filter.
    bool wantsResource(const std::wstring& uri, COREWEBVIEW2_WEB_RESOURCE_CONTEXT context,
                       COREWEBVIEW2_WEB_RESOURCE_REQUEST_SOURCE_KINDS source) const;
    // finish gets the host's response (or null) and the address the request has then;
    // after a deferral, later.
    using ResourceAnswer = std::function<void(ICoreWebView2WebResourceResponse* response, const std::wstring& uri)>;
    void raiseResourceRequest(const std::wstring& uri, const std::wstring& method,
                              COREWEBVIEW2_WEB_RESOURCE_CONTEXT context, ResourceAnswer finish);
    // A request of the current page answered by the host's response or else the site's.
    void runResource(const std::shared_ptr<ResourceOutcome>& outcome,
                     COREWEBVIEW2_WEB_RESOURCE_REQUEST_SOURCE_KINDS source, std::function<void()> then);
    void raiseWebMessage(const std::wstring& source, const std::wstring& json);
    void raiseWindowClose();
    void raisePermission(COREWEBVIEW2_PERMISSION_KIND kind, const std::wstring& uri,
                         const std::shared_ptr<PermissionOutcome>& outcome);
    void raiseNewWindow(const std::wstring& uri, const std::shared_ptr<NewWindowOutcome>& outcome);
    void raiseDownload(const std::wstring& uri, const std::wstring& proposed, const std::shared_ptr<DownloadOutcome>& outcome);
    void raiseProcessFailed(ICoreWebView2ProcessFailedEventArgs* args);

    ViewState state() const;

private:
    struct HistoryEntry {
        std::wstring uri;
    };
    void raiseStarting(const std::shared_ptr<Navigation>& navigation, bool userInitiated);
    void recordHistory(const Navigation& navigation);
    void finishResource(const std::shared_ptr<ResourceOutcome>& outcome, ICoreWebView2WebResourceResponse* response,
                        const std::function<void()>& then);

    std::shared_ptr<EngineContext> context_;
    std::string name_;
    ICoreWebView2* view_;
    const ViewSettings& settings_;
    std::unique_ptr<PageDriver> driver_;
    ICoreWebView2Controller* controller_ = nullptr;  // the controller owns the view
    HWND window_ = nullptr;
    bool closed_ = false;

    ViewEvents events_;
    FrameTree frameTree_{name_, view_, events_.frameCreated};
    ResourceFilters filters_;
    ViewPage page_;
    FailureState failure_;
    std::vector<HistoryEntry> history_;
    int historyIndex_ = -1;
    std::shared_ptr<Navigation> current_;
    std::uint64_t nextNavigationId_ = 1;
    bool navigated_ = false;
    bool popupFirstPending_ = false;
    // Resource handlers with tokens up to this one were added before the view took a pop-up.
    std::int64_t resourceHandlersFrom_ = 0;
};

// The pipeline of a live stand-in view; null for any other object.
NavigationPipeline* pipelineOf(ICoreWebView2* view);

}  // namespace vesko::standin
