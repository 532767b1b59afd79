// The stand-in's public functions for the routes out of a view: a right-click, a link to
// an external scheme, a drop from another program, and the certificate errors met.
#include "controller.h"
#include "lockdown_events.h"

namespace vesko::standin {
namespace {

Controller* liveLockdownController(ICoreWebView2Controller* controller) {
    if (controller == nullptr || liveControllers().count(controller) == 0) return nullptr;
    return static_cast<Controller*>(controller);
}

// What lies under the pointer on the site's page: its first link, its first image, a
// word of its text, or a form field.
MenuTargetState siteTarget(const NavigationPipeline& pipeline, MenuTargetKind kind) {
    const ViewPage& page = pipeline.page();
    MenuTargetState target;
    target.pageUri = page.source;
    switch (kind) {
        case MenuTargetKind::link:
            target.linkUri = page.model.links.empty() ? page.source : toWide(page.model.links.front());
            target.linkText = toWide(page.model.title);
            break;
        case MenuTargetKind::image:
            target.kind = COREWEBVIEW2_CONTEXT_MENU_TARGET_KIND_IMAGE;
            for (std::size_t i = 0; i < page.model.subresources.size(); ++i) {
                if (i < page.model.subresourceContexts.size() &&
                    page.model.subresourceContexts[i] == COREWEBVIEW2_WEB_RESOURCE_CONTEXT_IMAGE) {
                    target.sourceUri = toWide(page.model.subresources[i]);
                    break;
                }
            }
            if (target.sourceUri.empty()) target.sourceUri = page.source;
            break;
        case MenuTargetKind::selection:
            target.kind = COREWEBVIEW2_CONTEXT_MENU_TARGET_KIND_SELECTED_TEXT;
            target.selection = page.title;
            break;
        case MenuTargetKind::editable:
            target.editable = true;
            break;
        case MenuTargetKind::page:
            break;
    }
    return target;
}

}  // namespace

std::shared_ptr<ContextMenuOutcome> requestContextMenu(ICoreWebView2Controller* controller, MenuTargetKind kind) {
    Controller* const live = liveLockdownController(controller);
    if (live == nullptr) return nullptr;
    auto outcome = std::make_shared<ContextMenuOutcome>();
    ComPtr<WebView> view(live->view());
    // A real page is right-clicked for real; the site's page is read for its target.
    if (view->pipeline().driver().rightClick(kind, outcome)) return outcome;
    view->pipeline().later([view, kind, outcome]() {
        raiseContextMenu(view->pipeline(), siteTarget(view->pipeline(), kind), outcome);
    });
    return outcome;
}

std::shared_ptr<ExternalSchemeOutcome> launchExternalScheme(ICoreWebView2Controller* controller, std::wstring uri) {
    Controller* const live = liveLockdownController(controller);
    if (live == nullptr) return nullptr;
    auto outcome = std::make_shared<ExternalSchemeOutcome>();
    ComPtr<WebView> view(live->view());
    view->pipeline().later([view, uri, outcome]() { raiseExternalScheme(view->pipeline(), uri, true, outcome); });
    return outcome;
}

std::vector<CertificateErrorSeen> certificateErrors(ICoreWebView2Controller* controller) {
    Controller* const live = liveLockdownController(controller);
    return live != nullptr ? live->view()->pipeline().page().certificateErrors : std::vector<CertificateErrorSeen>{};
}

std::optional<bool> dropExternal(ICoreWebView2Controller* controller, std::wstring uri) {
    Controller* const live = liveLockdownController(controller);
    if (live == nullptr || live->closed()) return std::nullopt;
    const bool allowed = live->allowsExternalDrop();
    record(live->name(), "ExternalDrop", allowed ? "reached the page" : "refused");
    if (!allowed) return false;
    // A dropped file or link is opened in the view, as the engine does with no page
    // script taking the drop.
    ComPtr<WebView> view(live->view());
    view->pipeline().later([view, uri]() { view->pipeline().begin(uri, NavigationKind::New, true); });
    return true;
}

}  // namespace vesko::standin
