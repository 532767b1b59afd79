#pragma once
// A view's pages performed by a real Chromium page. What the engine view asks of its page
// (navigate, run scripts, show, size, zoom, the user's input) goes to one page target;
// what happens in the page comes back in the engine's terms through a PageSink, always
// later, from the message loop.

#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "chromium/devtools_pump.h"
#include "chromium/frame_bitmap.h"
#include "chromium/page_target.h"
#include "engine/engine_interface_win.h"

namespace vesko::standin {

// A request of the page, held until the view says what becomes of it.
class ChromiumRequest {
public:
    std::wstring uri;
    std::wstring method;
    COREWEBVIEW2_WEB_RESOURCE_CONTEXT context = COREWEBVIEW2_WEB_RESOURCE_CONTEXT_OTHER;
    bool redirected = false;

    explicit ChromiumRequest(PausedRequest paused) : paused_(std::move(paused)) {}
    // Serves this answer instead of the network's.
    void answer(int status, const std::wstring& reason, const std::vector<std::pair<std::wstring, std::wstring>>& headers,
                const std::string& body);
    // Lets the request go to the network.
    void proceed() { paused_.continueRequest(); }
    // Ends it unsent, as a blocked request ends.
    void abort() { paused_.fail("Aborted"); }

private:
    PausedRequest paused_;
};

class PageSink {
public:
    virtual ~PageSink() = default;
    // A document request of the top document (mainFrame) or of a frame in it.
    virtual void documentRequested(ChromiumRequest request, bool mainFrame) = 0;
    // Any other request of the page's documents.
    virtual void resourceRequested(ChromiumRequest request) = 0;
    virtual void documentCommitted(const std::wstring& uri, bool sameDocument) = 0;
    // The top document's title; empty when it has none.
    virtual void titleChanged(const std::wstring& title) = 0;
    // The top document and its sub-resources have loaded; httpStatus 0 when none was seen.
    virtual void documentLoaded(int httpStatus) = 0;
    virtual void documentFailed(COREWEBVIEW2_WEB_ERROR_STATUS status) = 0;
    // frameId: the posting document's frame; empty for the top document.
    virtual void messagePosted(const std::wstring& source, const std::wstring& json, const std::string& frameId) = 0;
    // A frame below the top one has a new document (its first one too); parentId is empty
    // for a frame of the top document.
    virtual void frameNavigated(const std::string& /*frameId*/, const std::string& /*parentId*/,
                                const std::wstring& /*name*/, const std::wstring& /*uri*/) {}
    // A frame below the top one was removed, or its parent document went.
    virtual void frameDetached(const std::string& /*frameId*/) {}
    virtual void closeRequested() = 0;
    virtual void newWindowRequested(const std::wstring& uri) = 0;
    virtual void downloadRequested(const std::wstring& uri, const std::wstring& suggestedName) = 0;
    virtual void permissionRequested(COREWEBVIEW2_PERMISSION_KIND kind, const std::wstring& uri,
                                     std::function<void(bool allowed)> answer) = 0;
    virtual void framePainted() = 0;
    // alert, confirm, prompt or beforeunload: the page waits until answer is called
    // (accept: OK, or leave the page).
    virtual void scriptDialog(const std::string& type, const std::wstring& message, const std::wstring& uri,
                              std::function<void(bool accept)> answer) = 0;
    // The page's renderer ended: its status as Chromium names it ("crashed", "killed",
    // "oom", ...) and its exit code.
    virtual void rendererExited(const std::string& /*status*/, int /*exitCode*/) {}
    // A right-click the page let through or a link to an external scheme, as the page's
    // script reports it (JSON with "type" "contextmenu" or "external").
    virtual void routeOut(const std::string& /*payload*/, const std::wstring& /*documentUri*/) {}
    // A request of the page met a certificate it cannot trust; it waits until answer is
    // called (allow: it goes on, else it fails). Nobody to ask fails it.
    virtual void certificateError(const std::wstring& /*uri*/, COREWEBVIEW2_WEB_ERROR_STATUS /*status*/,
                                  std::function<void(bool allow)> answer) {
        answer(false);
    }
    // Tab (forward) or Shift+Tab took the keyboard focus out of the page's elements
    // (ChromiumPage::checkFocusLeft).
    virtual void focusLeft(bool /*forward*/) {}
};

// The browser's processes as it reports them: its own id and its renderers' ids.
struct BrowserProcesses {
    long browser = 0;
    std::vector<long> renderers;
};

class ChromiumPage {
public:
    using ScriptDone = std::function<void(HRESULT result, const std::wstring& json)>;

    // Creates the page; ready reports whether it can be driven. sink must outlive it.
    ChromiumPage(std::shared_ptr<DevToolsPump> pump, PageSink& sink, std::function<void(bool ok)> ready);
    ~ChromiumPage();
    ChromiumPage(const ChromiumPage&) = delete;
    ChromiumPage& operator=(const ChromiumPage&) = delete;

    void navigate(const std::wstring& uri);
    void reload();
    // `done` runs once Chromium has stopped, never after the page is gone.
    void stop(std::function<void()> done);
    void evaluate(const std::wstring& script, ScriptDone done);
    // Adds a script for every new document, in order after those added before.
    void addDocumentScript(const std::wstring& id, const std::wstring& script, std::function<void(HRESULT)> done);
    void removeDocumentScript(const std::wstring& id);
    // Reads the address with the page's own cookies and writes the bytes to path.
    void download(const std::wstring& uri, const std::wstring& path, std::function<void(bool written)> done);
    // The download attribute's value of the top document's link to `uri`, empty when no
    // link names one; `done` is not called once the page is gone.
    void linkDownloadName(const std::wstring& uri, std::function<void(const std::wstring& name)> done);

    void setSize(int width, int height);
    void setZoom(double zoom);
    void setVisible(bool visible);
    // Forwards the user's input in a view window message; false for messages it leaves alone.
    bool forwardInput(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    // After a Tab that took the focus out of a frame: reports to the sink when it left the
    // page too.
    void checkFocusLeft(bool forward);
    // Focuses the page's first or last focusable element.
    void focusEdge(bool first);
    // Makes sure the window catches up with the page shortly: the screencast may hold back
    // the frame of a change the page has just made (a badge hidden as its work ends).
    void refreshSoon();
    // Draws the last frame into the client area; false while there is none.
    bool paint(HDC dc, const RECT& client) const;

    // A real right-click (the protocol's mouse events) on what `target` names in the page:
    // "page", "link", "image", "selection" (its text selected first) or "editable".
    void rightClick(const std::string& target);

    // The renderer fails on command: it crashes, or runs a script that never ends.
    void crashRenderer();
    void hangRenderer();
    // Stops the script that runs now (an endless one too) from outside the page.
    void terminateScript();
    // A trivial script; done runs when the page answers (never while it hangs).
    void probe(std::function<void()> done);
    // The browser's processes, and which renderer runs this page (0 when unknown): the one
    // whose processor time grows while the page works for a moment.
    void findRenderer(std::function<void(const BrowserProcesses&, long renderer)> done);

    // For measurements: frames drawn since the page was created.
    std::uint64_t framesReceived() const { return framesReceived_; }

private:
    void whenReady(bool ok);
    void installShims(std::function<void(bool)> done);
    void subscribe(const char* method, bool ownSession, std::function<void(const nlohmann::json&)> handler);
    void onRequestPaused(PausedRequest request);
    void onFrame(const ScreencastFrame& frame);
    void onPermissionAsked(const std::string& payload, const std::string& callerUrl);
    void updateScreencast();

    std::shared_ptr<DevToolsPump> pump_;
    PageSink& sink_;
    std::unique_ptr<PageTarget> target_;
    std::shared_ptr<int> lifetime_ = std::make_shared<int>(0);
    std::vector<DevToolsPump::SubscriptionId> subscriptions_;
    bool ready_ = false;

    std::map<std::wstring, std::string> scriptIdentifiers_;  // our id -> Chromium's
    std::vector<std::string> openedUrls_;                    // window.open addresses not yet matched
    int documentStatus_ = 0;
    PageViewport viewport_;
    double zoom_ = 1.0;
    bool visible_ = true;
    bool screencasting_ = false;
    bool loadedOnce_ = false;
    std::unique_ptr<FrameBitmap> frame_;
    std::uint64_t framesReceived_ = 0;
    bool refreshPending_ = false;
};

}  // namespace vesko::standin
