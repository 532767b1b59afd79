#pragma once
// The engine's events that lead out of a kiosk view, raised by the navigation pipeline:
// the context menu, a server-certificate error and an external program's launch; and
// how the engine applies the host's answer to each.

#include <functional>
#include <memory>
#include <string>

#include "lockdown_args.h"
#include "navigation_pipeline.h"
#include "site_backend.h"

namespace vesko::standin {

// The engine's menu for a target, its items named as the engine names them.
ComPtr<MenuItemCollection> engineMenu(const std::string& owner, const MenuTargetState& target);

// ContextMenuRequested; the outcome fills in once the handlers (and a deferral) are done.
void raiseContextMenu(NavigationPipeline& pipeline, MenuTargetState target,
                      const std::shared_ptr<ContextMenuOutcome>& outcome);

// LaunchingExternalUriScheme, before any program would start; nothing ever does.
void raiseExternalScheme(NavigationPipeline& pipeline, const std::wstring& uri, bool userInitiated,
                         const std::shared_ptr<ExternalSchemeOutcome>& outcome);

// ServerCertificateErrorDetected for a request of the view's page; decided hears the
// host's answer (also after a deferral). Left at DEFAULT, a document gets the engine's
// warning page. The error and the answer go into the view's list of certificate errors.
using CertificateDecided = std::function<void(COREWEBVIEW2_SERVER_CERTIFICATE_ERROR_ACTION)>;
void raiseCertificateError(NavigationPipeline& pipeline, const std::wstring& uri, bool document,
                           COREWEBVIEW2_WEB_ERROR_STATUS status, CertificateDecided decided);

// What the backend fetched for `uri`, once the host has answered a certificate error on it
// (ServerCertificateErrorDetected, also after a deferral): CANCEL fails the request,
// ALWAYS_ALLOW lets the answer through, DEFAULT fails it too and, for a document, shows
// the engine's warning page. An answer without a certificate error goes straight on.
void checkCertificate(NavigationPipeline& pipeline, const std::wstring& uri, bool document, FetchResult fetched,
                      std::function<void(const FetchResult&)> then);

}  // namespace vesko::standin
