#pragma once
// The stand-in engine: our own implementation of the engine interfaces the browser uses,
// for machines without the real runtime. Built as a static library (tests drive it in
// their own process) and as WebView2Loader.dll (the real program loads it like the real
// loader). It keeps the engine's contract: completions and events arrive later, on the
// thread that created the environment, through its message loop; returned strings are
// task memory; event arguments are read after the handlers return; deferrals hold a
// request until they are completed.

#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/engine_lockdown_interface_win.h"
#include "engine/engine_process_interface_win.h"

namespace vesko::standin {

// What a real runtime can do to its host, reproduced on purpose.
struct Knobs {
    bool runtimeMissing = false;         // no runtime installed: version query and creation fail
    bool versionWithoutText = false;     // the version query succeeds but returns no text
    std::wstring version;                // the runtime's version; empty: the stand-in's own
    HRESULT creationRefused = S_OK;      // CreateCoreWebView2EnvironmentWithOptions answers this at once
    HRESULT creationFailed = S_OK;       // the completion reports this instead of an environment
    bool completionWithoutEnvironment = false;  // the completion reports S_OK and no environment
    int environmentVersion = 10;         // newest ICoreWebView2EnvironmentN offered (1 to 10)
    int webviewVersion = 22;             // newest ICoreWebView2_N offered (1 to 22)
    int settingsVersion = 7;             // newest ICoreWebView2SettingsN offered (1 to 7)
    HRESULT controllerRefused = S_OK;    // controller creation answers this at once
    HRESULT controllerFailed = S_OK;     // the controller completion reports this
    HRESULT zoomRefused = S_OK;          // put_ZoomFactor answers this and keeps the zoom
    HRESULT scriptFailed = S_OK;         // ExecuteScript completes with this
    HRESULT filterRefused = S_OK;        // adding a resource filter answers this
    HRESULT downloadPathRefused = S_OK;  // put_ResultFilePath of a download answers this
    bool holdCreation = false;           // the creation completes only when releaseHeldCreations says so
    std::wstring droppedSwitch;          // the Chromium backend starts without this one of the host's switches
    HRESULT recreationFailed = S_OK;     // every environment creation after the first completes with this
    int unresponsiveIntervalMs = 5000;   // how often a hung renderer is reported again
    // Orders and codes the engine does not promise; each default is one of its choices.
    bool oldCompletionFirst = false;     // a superseded navigation completes before the new one starts
    COREWEBVIEW2_WEB_ERROR_STATUS cancelStatus = COREWEBVIEW2_WEB_ERROR_STATUS_OPERATION_CANCELED;
    bool titleAfterCompletion = false;   // DocumentTitleChanged after NavigationCompleted
    bool exitBeforeFailure = false;      // BrowserProcessExited before the views' ProcessFailed
    bool popupDocumentRaised = false;    // a pop-up's first document request reaches WebResourceRequested
};

// Parses a knob list such as "no-runtime,environment-version=9,fail-creation=0x80004005".
// Names: no-runtime, no-version-text, version=TEXT, refuse-creation=HR, fail-creation=HR,
// no-environment, environment-version=N, webview-version=N, settings-version=N,
// refuse-controller=HR, fail-controller=HR, refuse-zoom=HR, fail-script=HR, refuse-filter=HR,
// refuse-download-path=HR, hold-creation, drop-switch=--NAME, fail-recreation=HR (the
// first environment creation after the knob takes effect succeeds, every later one
// completes with HR: a restart after a failure that fails too), unresponsive-interval=MS
// (10 to 600000; how often a hung renderer is reported again, default 5000),
// old-completion-first, cancel-status=N (0 to 18), title-after-completion,
// exit-before-failure (the engine's unpromised orders and codes), raise-popup-document (a
// pop-up's first document request is raised to the host's filter like any other; without
// it the engine skips it, as it may). Unknown names
// and malformed values give nullopt, so a typing error is never silently ignored.
std::optional<Knobs> parseKnobs(std::wstring_view text);

// Lets environment creations held by the hold-creation knob complete (later, from the
// message loop, like any completion). Returns how many were waiting.
int releaseHeldCreations();

// Environment creations since the knobs' fail-recreation value last changed.
int& environmentCreations();

class ChromiumProcess;
// The browser an environment of the Chromium backend runs on; null for other objects.
std::shared_ptr<ChromiumProcess> chromiumOf(ICoreWebView2Environment* environment);

// The stand-in's own runtime version.
inline constexpr wchar_t kStandInVersion[] = L"120.0.2210.91";

// What performs the pages: documents read from the site folder, or a real headless
// Chromium (its first layer so far: the browser process an environment runs on).
enum class BackendKind { siteFolder, chromium };

// "site" (or nothing) and "chromium"; nullopt for anything else.
std::optional<BackendKind> parseBackendKind(std::wstring_view text);

struct Settings {
    Knobs knobs;
    BackendKind backend = BackendKind::siteFolder;
    // Pages come from here: one subfolder per host name ("portal.kordis.example/index.html").
    // Empty: no host resolves.
    std::filesystem::path siteFolder;
    // The Chromium backend's host mappings ("MAP portal.kordis.example 127.0.0.1:8443");
    // every host they do not map fails to resolve, so no request leaves the machine.
    std::wstring hostResolverRules;
    // The Chromium backend's trusted server keys (base64 SHA-256 of the SubjectPublicKeyInfo,
    // comma-separated): a server showing one of them passes whatever its certificate says;
    // every other certificate error reaches the host as ServerCertificateErrorDetected.
    std::wstring trustedKeys;
};

// The settings every later call of this module uses. The DLL reads them from the
// environment variables VESKO_STANDIN_KNOBS, VESKO_STANDIN_SITE, VESKO_STANDIN_BACKEND,
// VESKO_STANDIN_RESOLVE and VESKO_STANDIN_TRUSTED_SPKI at each loader call.
void configure(const Settings& settings);
Settings currentSettings();

// The loader's two entry points.
HRESULT getAvailableBrowserVersionString(PCWSTR browserExecutableFolder, LPWSTR* versionInfo);
HRESULT createEnvironmentWithOptions(PCWSTR browserExecutableFolder, PCWSTR userDataFolder,
                                     ICoreWebView2EnvironmentOptions* options,
                                     ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* handler);

// One call the host made on a stand-in object, in call order. `object` names the object
// ("environment", "controller#2", "view#2", "response#5", ...), `detail` the arguments.
struct RecordedCall {
    std::uint64_t sequence = 0;
    std::string object;
    std::string method;
    std::string detail;
};
// The record keeps the most recent calls only; sequence numbers go on counting.
inline constexpr std::size_t kCallRecordKept = 50000;
std::vector<RecordedCall> callRecord();
void clearCallRecord();
// Recording is on by default; a benchmark that makes millions of calls turns it off.
void setRecording(bool on);
// Called with each entry as it joins the record, on the thread that made the call; an
// empty function stops the calls. The control channel streams the record this way.
void setRecordListener(std::function<void(const RecordedCall&)> listener);

// A response created by CreateWebResourceResponse, as the engine would serve it.
struct ResponseSnapshot {
    int statusCode = 0;
    std::wstring reasonPhrase;
    std::vector<std::pair<std::wstring, std::wstring>> headers;
    std::string body;
};
// Reads a response object made by this module's environment; nullopt for anything else.
std::optional<ResponseSnapshot> readResponse(ICoreWebView2WebResourceResponse* response);

// What the view of a stand-in controller shows now, for tests and the painting.
struct ViewState {
    std::wstring source;
    std::wstring title;
    std::vector<std::wstring> links;
    bool loading = false;
    double zoom = 1.0;
    bool visible = false;
    RECT bounds{};
    HWND window = nullptr;
    std::uint64_t framesPainted = 0;  // screencast frames a Chromium page has shown so far
    bool closed = false;        // Close was called, or the browser process exited
    bool rendererGone = false;  // the engine's error page after the renderer exited; Source stays
    bool unresponsive = false;  // the renderer hangs and is reported again every few seconds
    int processFailures = 0;    // ProcessFailed events raised on the view so far
    std::int32_t hiddenPdfToolbarItems = 0;  // the settings' COREWEBVIEW2_PDF_TOOLBAR_ITEMS
    bool allowExternalDrop = true;
};
std::optional<ViewState> readView(ICoreWebView2Controller* controller);

// The arguments of one WebResourceRequested event for a request of `uri`, as the engine
// hands them to a handler; a response put on them replaces the one before.
Microsoft::WRL::ComPtr<ICoreWebView2WebResourceRequestedEventArgs> makeResourceRequestArgs(
    std::wstring uri, std::wstring method, COREWEBVIEW2_WEB_RESOURCE_CONTEXT context);

// --- What a page does, on command. Each call returns at once; the event reaches the
// host later from the message loop, and the outcome fills in when the engine is done
// with it (`done`). A controller that is not a live stand-in one gives null / false.

// One request of a page (a sub-resource, a frame's document, a fetch), and what answered
// it: the host's response, or the site (`answeredByHost` false). A request the page never
// made (a plain-http script blocked on an https page) is `blocked` and raises no event.
struct ResourceOutcome {
    std::wstring uri;
    std::wstring method;
    COREWEBVIEW2_WEB_RESOURCE_CONTEXT context = COREWEBVIEW2_WEB_RESOURCE_CONTEXT_OTHER;
    bool raised = false;  // a registered filter matched and the host's handlers ran
    bool blocked = false;
    bool answeredByHost = false;
    bool networkError = false;
    int status = 0;
    std::vector<std::pair<std::wstring, std::wstring>> headers;
    std::string body;
    bool done = false;
};
std::shared_ptr<ResourceOutcome> requestResource(
    ICoreWebView2Controller* controller, std::wstring uri, std::wstring method, COREWEBVIEW2_WEB_RESOURCE_CONTEXT context,
    COREWEBVIEW2_WEB_RESOURCE_REQUEST_SOURCE_KINDS source = COREWEBVIEW2_WEB_RESOURCE_REQUEST_SOURCE_KINDS_DOCUMENT);
// Every request the view's pages made, in order: sub-resources and frames of each
// document, the probe page's test resources, and those asked for above.
std::vector<std::shared_ptr<ResourceOutcome>> resourceLog(ICoreWebView2Controller* controller);

// The frames of the current document as the engine loaded them (or not: cancelled by the
// host's frame guard), depth first.
struct FrameState {
    std::wstring uri;
    int depth = 1;
    bool cancelled = false;
};
std::vector<FrameState> frames(ICoreWebView2Controller* controller);

// chrome.webview.postMessage from a document at `source`; `json` is the posted value.
bool postWebMessage(ICoreWebView2Controller* controller, std::wstring source, std::wstring json);

// The live frames of the view's page as the engine handed them out, in creation order:
// parent 0 is the top document.
struct LiveFrame {
    std::uint32_t id = 0;
    std::uint32_t parent = 0;
    std::wstring name;
    std::wstring source;
};
std::vector<LiveFrame> liveFrames(ICoreWebView2Controller* controller);
// chrome.webview.postMessage from the document of a frame, with its address as the
// source: raised on that frame's object only, never on the view.
bool postFrameMessage(ICoreWebView2Controller* controller, std::uint32_t frame, std::wstring json);
// The frame's own document is replaced by one at `uri` (its frames go, then the frame's
// NavigationCompleted); the new document's own frames are not loaded.
bool navigateFrame(ICoreWebView2Controller* controller, std::uint32_t frame, std::wstring uri);

// window.open or a target link. Without a host that handles it, the engine would open
// a window of its own (`engineWindow`); a view the host gives is navigated to the address.
struct NewWindowOutcome {
    bool handled = false;
    bool deferred = false;
    bool deferralCompleted = false;
    bool engineWindow = false;
    ICoreWebView2* newWindow = nullptr;  // identity only, not a reference
    bool done = false;
};
std::shared_ptr<NewWindowOutcome> requestNewWindow(ICoreWebView2Controller* controller, std::wstring uri);

// window.close() in the top document.
bool requestWindowClose(ICoreWebView2Controller* controller);

struct PermissionOutcome {
    COREWEBVIEW2_PERMISSION_STATE state = COREWEBVIEW2_PERMISSION_STATE_DEFAULT;
    bool done = false;
};
std::shared_ptr<PermissionOutcome> requestPermission(ICoreWebView2Controller* controller,
                                                     COREWEBVIEW2_PERMISSION_KIND kind, std::wstring uri);

// A download of `uri` with the engine's proposed full path. When the host lets it go on
// with a path, the engine fetches the address and writes the file there.
struct DownloadOutcome {
    bool cancelled = false;
    bool handled = false;  // true: the engine showed no download display of its own
    bool deferred = false;
    std::wstring resultPath;
    bool written = false;
    bool done = false;
};
std::shared_ptr<DownloadOutcome> startDownload(ICoreWebView2Controller* controller, std::wstring uri,
                                               std::wstring proposedPath);

// A right-click in the page: the engine's menu for what is under the pointer, its items
// named as the engine names them ("a b | c[d e]": "|" a separator, brackets a submenu).
enum class MenuTargetKind { page, link, image, selection, editable };
struct ContextMenuOutcome {
    std::string offered;    // the engine's items before the host's handler
    std::string remaining;  // what the host left
    bool handled = false;   // the host took the menu: the engine shows none of its own
    bool shown = false;     // the engine showed its menu with the remaining items
    int selectedCommand = -1;
    bool done = false;
};
std::shared_ptr<ContextMenuOutcome> requestContextMenu(ICoreWebView2Controller* controller, MenuTargetKind target);

// A link to an address the engine does not handle itself (mailto:, a custom scheme): the
// engine asks the host first and would then start the program the system names.
struct ExternalSchemeOutcome {
    bool cancelled = false;
    bool launched = false;  // the stand-in never starts anything; it records that it would have
    bool done = false;
};
std::shared_ptr<ExternalSchemeOutcome> launchExternalScheme(ICoreWebView2Controller* controller, std::wstring uri);

// Server-certificate errors the view met (a site host folder holding ".certificate-error"
// has a certificate the engine doubts), with the host's answer.
struct CertificateErrorSeen {
    std::wstring uri;
    bool document = false;
    COREWEBVIEW2_SERVER_CERTIFICATE_ERROR_ACTION action = COREWEBVIEW2_SERVER_CERTIFICATE_ERROR_ACTION_DEFAULT;
    bool done = false;
};
std::vector<CertificateErrorSeen> certificateErrors(ICoreWebView2Controller* controller);

// A file or link dragged from another program and dropped on the view: true when it
// reached the page (the view navigates to it), false when the controller refuses drops;
// nullopt for a controller that is no live stand-in one.
std::optional<bool> dropExternal(ICoreWebView2Controller* controller, std::wstring uri);

// A key pressed while the focus is in the page.
struct KeyOutcome {
    bool handled = false;
    // The controller closed before the key reached it: no event was raised.
    bool gone = false;
    bool done = false;
};
// Modifier keys the thread's key state shows while a key's event runs.
struct HeldModifiers {
    bool ctrl = false;
    bool shift = false;
    bool alt = false;
};
// `repeat`: an auto-repeat of a key held down (its previous state set), as the engine
// reports those too. With `held`, the host reads those modifiers from the thread's key
// state while the event runs, as for a key the user pressed; the state is put back after.
std::shared_ptr<KeyOutcome> pressKey(ICoreWebView2Controller* controller, COREWEBVIEW2_KEY_EVENT_KIND kind,
                                     UINT virtualKey, bool repeat = false,
                                     std::optional<HeldModifiers> held = std::nullopt);

// The keyboard leaving a page: what became of the engine's MoveFocusRequested.
struct MoveFocusOutcome {
    bool handled = false;
    // After the engine's own move when no handler took the focus: still in the view's window.
    bool focusInView = false;
    // The controller closed before the loop's turn: no event was raised.
    bool gone = false;
    bool done = false;
};
// Raised later from the loop, as Tab past the page's last focusable element (NEXT) or
// Shift+Tab before its first (PREVIOUS) raises it; null for a controller that is no live
// stand-in one.
std::shared_ptr<MoveFocusOutcome> raiseMoveFocusRequested(ICoreWebView2Controller* controller,
                                                          COREWEBVIEW2_MOVE_FOCUS_REASON reason);

// The live stand-in controllers of this process in creation order, with the names the
// record gives them and their views (identities only, not references).
struct LiveView {
    std::string controllerName;  // "controller#3"
    std::string viewName;        // "view#3"
    ICoreWebView2Controller* controller = nullptr;
    ICoreWebView2* view = nullptr;
};
std::vector<LiveView> liveViews();

// A navigation the page starts itself (a followed link, location.assign), raised like one
// the host asks for, with IsUserInitiated as given.
bool navigateFromPage(ICoreWebView2Controller* controller, std::wstring uri, bool userInitiated);

// --- Failed engine processes. Each returns at once; the events follow from the loop.
// false when the controller is not a live stand-in one (or is closed).
//
// The failure of a process of `kind` as the engine reports it, with its consequences:
// - RENDER_PROCESS_EXITED: ProcessFailed on the view, then the view shows the engine's
//   error page (no links, no frames) while Source stays the address it showed; a Reload
//   or any navigation loads a new document. On the Chromium backend the page's renderer
//   really crashes (Page.crash) and the event comes from the browser's report.
// - FRAME_RENDER_PROCESS_EXITED: ProcessFailed listing the view's frames (name, source).
// - RENDER_PROCESS_UNRESPONSIVE: ProcessFailed (reason UNRESPONSIVE, exit code 259) now and
//   again every unresponsive-interval until endUnresponsive, a navigation or a Reload of the
//   view, or its Close. On the Chromium backend the page runs an endless script and a
//   liveness check that gets no answer does the reporting.
// - BROWSER_PROCESS_EXITED: ProcessFailed (exit code 1) on every view of the environment,
//   then every controller of it is closed (calls fail as on a closed controller), new
//   controllers of that environment fail, and the environment raises BrowserProcessExited
//   (FAILED) once the host has released every view and controller of it. A new environment
//   on the same user data folder works. On the Chromium backend the browser is killed.
// - every other kind: ProcessFailed on the view, nothing else (the engine restarts those).
// The reason and exit code are reported as given, except where the engine fixes them (a
// browser's exit code 1; a hang's reason UNRESPONSIVE and exit code 259).
bool raiseProcessFailure(ICoreWebView2Controller* controller, COREWEBVIEW2_PROCESS_FAILED_KIND kind,
                         COREWEBVIEW2_PROCESS_FAILED_REASON reason, int exitCode);
// The hung renderer answers again: its reports stop. false when the view is not hanging.
bool endUnresponsive(ICoreWebView2Controller* controller);
// The user zooms the page (Ctrl with the wheel): the engine reports the change. False when
// the controller is not an open one of the stand-in's.
bool zoomByUser(ICoreWebView2Controller* controller, double zoom);

// The processes a view runs on, so a test can end them from outside (`kill`): the browser
// and its renderers as the Chromium backend's browser reports them, and the view's own
// renderer (found by the processor time it uses while its page works for a moment; 0 when
// none stood out). The site backend's "browser" is this process and has no renderers.
struct ProcessIds {
    long browser = 0;
    long renderer = 0;
    std::vector<long> renderers;
    bool done = false;
};
std::shared_ptr<ProcessIds> processIds(ICoreWebView2Controller* controller);

// Controllers the host still holds that are closed (by Close, or by the browser's exit),
// in creation order.
std::vector<LiveView> closedViews();

// The engine's exit code and reason for a failure of this kind: exit code 1 and reason
// UNEXPECTED for the browser, 259 (STILL_ACTIVE) and UNRESPONSIVE for a hang, an access
// violation (0xC0000005) and CRASHED for every other exit.
int defaultExitCode(COREWEBVIEW2_PROCESS_FAILED_KIND kind);
COREWEBVIEW2_PROCESS_FAILED_REASON defaultReason(COREWEBVIEW2_PROCESS_FAILED_KIND kind);

// --- Workers. A service or shared worker of the view's page requests `uri`: the request
// is raised on every live view of the same environment whose filter matches the worker's
// source kind, each with its own arguments, as the engine does; the first response a
// host gives answers it, else the site does.
struct WorkerRequestOutcome {
    std::vector<std::string> raisedOn;  // the views whose handlers saw it ("view#2")
    ResourceOutcome resource;
    bool done = false;
};
std::shared_ptr<WorkerRequestOutcome> requestFromWorker(
    ICoreWebView2Controller* controller, std::wstring uri, COREWEBVIEW2_WEB_RESOURCE_REQUEST_SOURCE_KINDS worker,
    COREWEBVIEW2_WEB_RESOURCE_CONTEXT context = COREWEBVIEW2_WEB_RESOURCE_CONTEXT_FETCH);

// --- The host's faults: what the engine documents as wrong that would otherwise pass
// unseen. NESTED_MESSAGE_LOOP: a message loop (a modal dialog, a message box) ran inside
// one of the host's event handlers. RESPONSE_STREAM_UNREADABLE: a response's content
// stream failed when the engine read it from another thread. RESPONSE_STREAM_CHANGED: its
// bytes differed when read again later (the stream did not own them). Each is also in
// the call record as engine "Fault".
std::vector<std::string> faults();
void clearFaults();

// The scripts the host added with AddScriptToExecuteOnDocumentCreated and did not remove,
// in the order they run in every new document.
std::vector<std::wstring> documentScripts(ICoreWebView2Controller* controller);

}  // namespace vesko::standin
