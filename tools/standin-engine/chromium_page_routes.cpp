// A Chromium page's routes out of the view: the engine's context menu for a real
// right-click, a link to a scheme the engine would hand to the system and a Tab that may
// have left the page (the page's script reports them; Chromium itself never shows a menu
// or starts a program here); and a server whose certificate Chromium doubts, which only
// the host may let through.
#include <nlohmann/json.hpp>

#include "base/wide_text_win.h"
#include "chromium_page_driver.h"
#include "lockdown_events.h"

namespace vesko::standin {

void ChromiumPageDriver::routeOut(const std::string& payload, const std::wstring& documentUri) {
    const nlohmann::json report = nlohmann::json::parse(payload, nullptr, false);
    if (!report.is_object()) return;
    const auto text = [&](const char* name) { return toWide(report.value(name, std::string())); };
    const std::string type = report.value("type", std::string());
    if (type == "tab") {
        const bool forward = !report.value("backward", false);
        if (report.value("top", false)) focusLeft(forward);
        else if (page_) page_->checkFocusLeft(forward);
        return;
    }
    if (type == "external") {
        raiseExternalScheme(pipeline_, text("url"), true, std::make_shared<ExternalSchemeOutcome>());
        return;
    }
    if (type != "contextmenu") return;
    MenuTargetState target;
    target.pageUri = documentUri;
    target.linkUri = text("link");
    target.linkText = text("linkText");
    target.sourceUri = text("source");
    target.selection = text("selection");
    target.editable = report.value("editable", false);
    if (!target.sourceUri.empty()) {
        target.kind = COREWEBVIEW2_CONTEXT_MENU_TARGET_KIND_IMAGE;
    } else if (!target.selection.empty()) {
        target.kind = COREWEBVIEW2_CONTEXT_MENU_TARGET_KIND_SELECTED_TEXT;
    }
    std::shared_ptr<ContextMenuOutcome> outcome = std::make_shared<ContextMenuOutcome>();
    if (!pendingMenus_.empty()) {
        outcome = pendingMenus_.front();
        pendingMenus_.erase(pendingMenus_.begin());
    }
    raiseContextMenu(pipeline_, std::move(target), outcome);
}

void ChromiumPageDriver::certificateError(const std::wstring& uri, COREWEBVIEW2_WEB_ERROR_STATUS status,
                                          std::function<void(bool allow)> answer) {
    if (pipeline_.closed()) {
        answer(false);
        return;
    }
    // The top document in flight is the one whose address the navigation now holds.
    const std::shared_ptr<Navigation> navigation = pipeline_.current();
    const bool document = navigation && !navigation->completed && !navigation->committed && navigation->uri == uri;
    NavigationPipeline* const pipeline = &pipeline_;
    raiseCertificateError(pipeline_, uri, document, status,
                          [pipeline, navigation, document, status, answer](COREWEBVIEW2_SERVER_CERTIFICATE_ERROR_ACTION action) {
                              const bool allowed = action == COREWEBVIEW2_SERVER_CERTIFICATE_ERROR_ACTION_ALWAYS_ALLOW;
                              // The navigation fails with the certificate's status, not with the
                              // aborted request Chromium reports after the cancel.
                              if (!allowed && document && pipeline->stillCurrent(navigation) && !navigation->completed) {
                                  pipeline->complete(navigation, false, status);
                              }
                              answer(allowed);
                          });
}

bool ChromiumPageDriver::rightClick(MenuTargetKind target, const std::shared_ptr<ContextMenuOutcome>& outcome) {
    if (!page_) return false;
    static constexpr const char* kNames[] = {"page", "link", "image", "selection", "editable"};
    pendingMenus_.push_back(outcome);
    page_->rightClick(kNames[static_cast<int>(target)]);
    return true;
}

}  // namespace vesko::standin
