#pragma once
// Pages performed by a real Chromium page: what the view asks goes to the page, what the
// page does (requests paused before they leave, commits, titles, loads, messages,
// pop-ups, downloads, permissions, dialogs) comes back as the view's events.

#include <memory>

#include "chromium/chromium_page.h"
#include "navigation_pipeline.h"

namespace vesko::standin {

class ChromiumPageDriver final : public PageDriver, public PageSink {
public:
    // ready reports whether the page exists and the view can be handed to the host.
    ChromiumPageDriver(NavigationPipeline& pipeline, std::function<void(bool)> ready);
    ~ChromiumPageDriver() override;

    void load(const std::shared_ptr<Navigation>& navigation) override;
    void stop() override;
    void addDocumentScript(const std::wstring& id, const std::wstring& script, ScriptAdded done) override;
    void removeDocumentScript(const std::wstring& id) override;
    void evaluate(const std::wstring& script, ScriptDone done) override;
    void download(const std::wstring& uri, const std::wstring& path, std::function<void(bool written)> done) override;
    void close() override;
    bool takesInput() const override { return page_ != nullptr; }
    std::optional<LRESULT> windowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
    bool paint(HDC dc, const RECT& client) const override;
    void setSize(int width, int height) override;
    void setZoom(double zoom) override;
    void setVisible(bool visible) override;
    std::uint64_t framesPainted() const override;
    void focusEdge(bool first) override;
    void focusLeft(bool forward) override;

    void documentRequested(ChromiumRequest request, bool mainFrame) override;
    void resourceRequested(ChromiumRequest request) override;
    void documentCommitted(const std::wstring& uri, bool sameDocument) override;
    void titleChanged(const std::wstring& title) override;
    void documentLoaded(int httpStatus) override;
    void documentFailed(COREWEBVIEW2_WEB_ERROR_STATUS status) override;
    void messagePosted(const std::wstring& source, const std::wstring& json, const std::string& frameId) override;
    void frameNavigated(const std::string& frameId, const std::string& parentId, const std::wstring& name,
                        const std::wstring& uri) override;
    void frameDetached(const std::string& frameId) override;
    void closeRequested() override;
    void newWindowRequested(const std::wstring& uri) override;
    void downloadRequested(const std::wstring& uri, const std::wstring& suggestedName) override;
    void permissionRequested(COREWEBVIEW2_PERMISSION_KIND kind, const std::wstring& uri,
                             std::function<void(bool allowed)> answer) override;
    void scriptDialog(const std::string& type, const std::wstring& message, const std::wstring& uri,
                      std::function<void(bool accept)> answer) override;
    void framePainted() override;

    // Failures for real (chromium_page_failures.cpp): the renderer crashes or hangs, the
    // browser is killed; a liveness check reports a page that stops answering.
    bool failProcess(int kind) override;
    void endHang() override;
    void rendererExited(const std::string& status, int exitCode) override;
    // Right-clicks, external links and certificate errors (chromium_page_routes.cpp).
    void routeOut(const std::string& payload, const std::wstring& documentUri) override;
    void certificateError(const std::wstring& uri, COREWEBVIEW2_WEB_ERROR_STATUS status,
                          std::function<void(bool allow)> answer) override;
    bool rightClick(MenuTargetKind target, const std::shared_ptr<ContextMenuOutcome>& outcome) override;
    // The browser's processes and the page's renderer (0 when not found).
    void findProcesses(std::function<void(const BrowserProcesses&, long renderer)> done);

private:
    void frameRequested(ChromiumRequest request);
    // Raised to the host when a filter matches; its response is served, else the request
    // goes to the network.
    // mayRaise false: the engine skips the host's filter for this one (a pop-up's first document).
    void raiseChromiumRequest(ChromiumRequest request, bool mayRaise = true);

    NavigationPipeline& pipeline_;
    std::unique_ptr<ChromiumPage> page_;
    ULONGLONG lastInputTick_ = 0;  // a page's navigation soon after the user's input is theirs
    // Stops sent and not yet answered: a document request the page sends before the answer
    // belongs to the load being stopped.
    int stopsInFlight_ = 0;
    // The address of a load stopped before it committed, until the user's input or the next
    // load.
    std::wstring stoppedUri_;
    // Right-clicks asked for on command, each answered by the next menu the page reports.
    std::vector<std::shared_ptr<ContextMenuOutcome>> pendingMenus_;

    void startLivenessCheck();
    void stopLivenessCheck();
    static void CALLBACK livenessTick(HWND, UINT, UINT_PTR timer, DWORD);
    void checkLiveness();
    UINT_PTR livenessTimer_ = 0;
    bool probing_ = false;
    ULONGLONG probeSent_ = 0;
    bool hanging_ = false;
    int dialogsOpen_ = 0;
};

}  // namespace vesko::standin
