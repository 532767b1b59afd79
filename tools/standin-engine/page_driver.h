#pragma once
// What performs a view's pages. The navigation pipeline raises the host's events and
// keeps the view's state; a driver loads the documents and runs what pages do: from the
// site folder (SitePageDriver) or in a real Chromium page (ChromiumPageDriver).

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace vesko::standin {

struct Navigation;
struct ContextMenuOutcome;
enum class MenuTargetKind;

class PageDriver {
public:
    using ScriptAdded = std::function<void(HRESULT)>;
    using ScriptDone = std::function<void(HRESULT, const std::wstring& json)>;

    virtual ~PageDriver() = default;

    // Loads a navigation the host has let start, through to its completion.
    virtual void load(const std::shared_ptr<Navigation>& navigation) = 0;
    // Stops what the page is loading; the pipeline completes the navigation.
    virtual void stop() {}
    // Each completion runs later, never inside the host's call.
    virtual void addDocumentScript(const std::wstring& id, const std::wstring& script, ScriptAdded done) = 0;
    virtual void removeDocumentScript(const std::wstring& /*id*/) {}
    virtual void evaluate(const std::wstring& script, ScriptDone done) = 0;
    // The transfer of a download the host let go on, into path.
    virtual void download(const std::wstring& uri, const std::wstring& path, std::function<void(bool written)> done) = 0;
    // The view is closed: the page goes, nothing more is reported.
    virtual void close() {}
    // Makes a process of this kind really fail, its report to follow from the browser;
    // false leaves the failure to be simulated.
    virtual bool failProcess(int /*kind*/) { return false; }
    // Ends the page's hang (its endless script).
    virtual void endHang() {}
    // A real right-click on the target in the page, its menu's outcome filled in once the
    // host has answered; false leaves the menu to be simulated.
    virtual bool rightClick(MenuTargetKind, const std::shared_ptr<ContextMenuOutcome>&) { return false; }

    // The view's window: whether the page takes its input and paints it.
    virtual bool takesInput() const { return false; }
    // A message of the view's window the page handles; nullopt leaves it to the window.
    virtual std::optional<LRESULT> windowMessage(HWND, UINT, WPARAM, LPARAM) { return std::nullopt; }
    // false: the window paints the page in outline.
    virtual bool paint(HDC, const RECT&) const { return false; }
    virtual void setSize(int /*width*/, int /*height*/) {}
    virtual void setZoom(double) {}
    virtual void setVisible(bool) {}
    virtual std::uint64_t framesPainted() const { return 0; }
    // Focuses the page's first (or last) focusable element: the keyboard coming in from
    // the host's frame, or going round the page. A page without such elements keeps none.
    virtual void focusEdge(bool /*first*/) {}
};

}  // namespace vesko::standin
