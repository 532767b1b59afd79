// The stand-in's context menus, certificate errors and external schemes, as the engine
// raises them and applies the host's answers.
#include "lockdown_events.h"

#include <utility>

#include "base/wide_text_win.h"

namespace vesko::standin {
namespace {

// One item written as "name", "|" or "name[child child]".
struct MenuEntry {
    const wchar_t* name;
    std::vector<const wchar_t*> children = {};
};

std::vector<MenuEntry> menuEntries(const MenuTargetState& target) {
    // The engine's items for each target, in its order and under its names. Editable
    // fields add the editing commands, with spelling suggestions for a misspelled word.
    if (target.editable) {
        return {{L"spellCheck"}, {L"spellCheck"}, {L"|"}, {L"emoji"}, {L"|"}, {L"undo"}, {L"redo"}, {L"|"},
                {L"cut"}, {L"copy"}, {L"paste"}, {L"pasteAndMatchStyle"}, {L"selectAll"}, {L"|"},
                {L"writingDirection", {L"default", L"leftToRight", L"rightToLeft"}}, {L"|"}, {L"inspectElement"}};
    }
    switch (target.kind) {
        case COREWEBVIEW2_CONTEXT_MENU_TARGET_KIND_IMAGE:
            return {{L"openImageInNewWindow"}, {L"saveImageAs"}, {L"copyImage"}, {L"copyImageLocation"}, {L"|"},
                    {L"webCapture"}, {L"|"}, {L"inspectElement"}};
        case COREWEBVIEW2_CONTEXT_MENU_TARGET_KIND_SELECTED_TEXT:
            return {{L"copy"}, {L"copyLinkToHighlight"}, {L"|"}, {L"print"}, {L"|"}, {L"inspectElement"}};
        default:
            break;
    }
    if (!target.linkUri.empty()) {
        return {{L"openLinkInNewWindow"}, {L"|"}, {L"saveLinkAs"}, {L"copyLinkLocation"}, {L"|"},
                {L"inspectElement"}};
    }
    return {{L"back"}, {L"forward"}, {L"reload"}, {L"|"}, {L"saveAs"}, {L"print"}, {L"|"}, {L"webCapture"},
            {L"share", {L"copyLink", L"nearbyShare"}}, {L"|"}, {L"inspectElement"}};
}

ComPtr<MenuItemObject> makeItem(const std::string& owner, const MenuEntry& entry, INT32& nextCommand) {
    const std::wstring name = entry.name;
    if (name == L"|") {
        return makeComObject<MenuItemObject>(owner, L"separator", COREWEBVIEW2_CONTEXT_MENU_ITEM_KIND_SEPARATOR, -1,
                                             nullptr);
    }
    if (entry.children.empty()) {
        return makeComObject<MenuItemObject>(owner, name, COREWEBVIEW2_CONTEXT_MENU_ITEM_KIND_COMMAND, nextCommand++,
                                             nullptr);
    }
    auto children = makeComObject<MenuItemCollection>(owner + "." + toUtf8(name));
    for (const wchar_t* child : entry.children) children->append(makeItem(owner, MenuEntry{child}, nextCommand));
    return makeComObject<MenuItemObject>(owner, name, COREWEBVIEW2_CONTEXT_MENU_ITEM_KIND_SUBMENU, -1, children);
}

}  // namespace

MenuItemObject::MenuItemObject(std::string owner, std::wstring name, COREWEBVIEW2_CONTEXT_MENU_ITEM_KIND kind,
                               INT32 commandId, ComPtr<MenuItemCollection> children)
    : owner_(std::move(owner) + ".menuItem"), name_(std::move(name)), kind_(kind), commandId_(commandId),
      children_(std::move(children)) {}

HRESULT MenuItemObject::get_Children(ICoreWebView2ContextMenuItemCollection** value) {
    return answerObject(owner_, "get_Children", children_.Get(), value);
}

HRESULT MenuItemCollection::GetValueAtIndex(UINT32 index, ICoreWebView2ContextMenuItem** value) {
    record(owner_, "GetValueAtIndex", std::to_string(index));
    if (value == nullptr) return E_POINTER;
    if (index >= items_.size()) return E_INVALIDARG;
    *value = ComPtr<ICoreWebView2ContextMenuItem>(items_[index].Get()).Detach();
    return S_OK;
}

HRESULT MenuItemCollection::RemoveValueAtIndex(UINT32 index) {
    record(owner_, "RemoveValueAtIndex", std::to_string(index));
    if (index >= items_.size()) return E_INVALIDARG;
    items_.erase(items_.begin() + index);
    return S_OK;
}

std::string MenuItemCollection::describe() const {
    std::string text;
    for (const auto& item : items_) {
        if (!text.empty()) text += ' ';
        if (item->kind() == COREWEBVIEW2_CONTEXT_MENU_ITEM_KIND_SEPARATOR) {
            text += '|';
            continue;
        }
        text += toUtf8(item->name());
        if (item->children() != nullptr) text += '[' + item->children()->describe() + ']';
    }
    return text;
}

ComPtr<MenuItemCollection> engineMenu(const std::string& owner, const MenuTargetState& target) {
    auto menu = makeComObject<MenuItemCollection>(owner + ".menu");
    INT32 nextCommand = 1;
    for (const MenuEntry& entry : menuEntries(target)) menu->append(makeItem(owner, entry, nextCommand));
    return menu;
}

void raiseContextMenu(NavigationPipeline& pipeline, MenuTargetState target,
                      const std::shared_ptr<ContextMenuOutcome>& outcome) {
    if (pipeline.closed()) return;
    const std::string& name = pipeline.name();
    const auto items = engineMenu(name, target);
    outcome->offered = items->describe();
    auto holder = std::make_shared<ComPtr<ContextMenuArgs>>();
    auto finish = [holder, outcome, name]() {
        const auto args = *holder;
        holder->Reset();
        if (!args) return;
        outcome->remaining = args->items().describe();
        outcome->handled = args->handled();
        outcome->selectedCommand = args->selectedCommand();
        // Handled: the host shows its own menu (or none) and names the command it chose.
        outcome->shown = !args->handled();
        record(name, outcome->shown ? "ContextMenuShown" : "ContextMenuNotShown", outcome->remaining);
        if (args->handled() && args->selectedCommand() >= 0) {
            record(name, "RunMenuCommand", std::to_string(args->selectedCommand()));
        }
        outcome->done = true;
    };
    const auto state = std::make_shared<MenuTargetState>(std::move(target));
    *holder = makeComObject<ContextMenuArgs>(name, items, makeComObject<MenuTarget>(name + ".menuTarget", *state),
                                             POINT{40, 40}, pipeline.resumeLater(finish));
    for (const auto& handler : pipeline.events().contextMenuRequested.handlers()) {
        handler->Invoke(pipeline.view(), holder->Get());
    }
    // Without a deferral the menu opens as soon as the handlers have returned.
    if (*holder && !(*holder)->deferred()) finish();
}

void raiseExternalScheme(NavigationPipeline& pipeline, const std::wstring& uri, bool userInitiated,
                         const std::shared_ptr<ExternalSchemeOutcome>& outcome) {
    if (pipeline.closed()) return;
    const std::string& name = pipeline.name();
    const auto parts = splitHttpUrl(toUtf8(pipeline.page().source));
    const std::wstring origin = parts ? toWide(parts->scheme + "://" + parts->host) : L"";
    auto holder = std::make_shared<ComPtr<ExternalSchemeArgs>>();
    auto finish = [holder, outcome, name, uri]() {
        const auto args = *holder;
        holder->Reset();
        if (!args) return;
        outcome->cancelled = args->cancelled();
        // The engine would now ask the system to start the scheme's program; the stand-in
        // only writes down that it would have.
        if (!outcome->cancelled) record(name, "LaunchExternalProgram", toUtf8(uri));
        outcome->launched = false;
        outcome->done = true;
    };
    *holder = makeComObject<ExternalSchemeArgs>(name, uri, origin, userInitiated, pipeline.resumeLater(finish));
    for (const auto& handler : pipeline.events().launchingExternalUriScheme.handlers()) {
        handler->Invoke(pipeline.view(), holder->Get());
    }
    if (*holder && !(*holder)->deferred()) finish();
}

void raiseCertificateError(NavigationPipeline& pipeline, const std::wstring& uri, bool document,
                           COREWEBVIEW2_WEB_ERROR_STATUS status, CertificateDecided decided) {
    const std::string& name = pipeline.name();
    const std::size_t seen = pipeline.page().certificateErrors.size();
    pipeline.page().certificateErrors.push_back({uri, document, COREWEBVIEW2_SERVER_CERTIFICATE_ERROR_ACTION_DEFAULT, false});
    auto holder = std::make_shared<ComPtr<CertificateErrorArgs>>();
    NavigationPipeline* const owner = &pipeline;
    auto finish = [holder, owner, seen, document, name, decided]() {
        const auto args = *holder;
        holder->Reset();
        if (!args) return;
        const auto action = args->action();
        CertificateErrorSeen& entry = owner->page().certificateErrors[seen];
        entry.action = action;
        entry.done = true;
        // Left to the engine, a page shows its warning, from which the user may go on.
        if (document && action == COREWEBVIEW2_SERVER_CERTIFICATE_ERROR_ACTION_DEFAULT) {
            record(name, "CertificateWarningPage");
        }
        decided(action);
    };
    *holder = makeComObject<CertificateErrorArgs>(name, uri, status, pipeline.resumeLater(finish));
    for (const auto& handler : pipeline.events().certificateErrorDetected.handlers()) {
        handler->Invoke(pipeline.view(), holder->Get());
    }
    if (*holder && !(*holder)->deferred()) finish();
}

void checkCertificate(NavigationPipeline& pipeline, const std::wstring& uri, bool document, FetchResult fetched,
                      std::function<void(const FetchResult&)> then) {
    if (!fetched.certificateError) {
        then(fetched);
        return;
    }
    constexpr auto kStatus = COREWEBVIEW2_WEB_ERROR_STATUS_CERTIFICATE_COMMON_NAME_IS_INCORRECT;
    raiseCertificateError(pipeline, uri, document, kStatus,
                          [fetched, then](COREWEBVIEW2_SERVER_CERTIFICATE_ERROR_ACTION action) {
                              FetchResult answer = fetched;
                              answer.certificateError = false;
                              if (action != COREWEBVIEW2_SERVER_CERTIFICATE_ERROR_ACTION_ALWAYS_ALLOW) {
                                  answer = FetchResult{};
                                  answer.networkError = true;
                                  answer.errorStatus = kStatus;
                              }
                              then(answer);
                          });
}

}  // namespace vesko::standin
