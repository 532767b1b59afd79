#pragma once
// Pages performed from the site folder: the document fetched (or answered by the host),
// committed, then its sub-resources and frames requested in document order; the probe
// page run as the environment's switches let it run; no other script runs.

#include <string>
#include <vector>

#include "navigation_pipeline.h"

namespace vesko::standin {

class SitePageDriver final : public PageDriver {
public:
    explicit SitePageDriver(NavigationPipeline& pipeline) : pipeline_(pipeline) {}

    void load(const std::shared_ptr<Navigation>& navigation) override;
    void addDocumentScript(const std::wstring& id, const std::wstring& script, ScriptAdded done) override;
    void evaluate(const std::wstring& script, ScriptDone done) override;
    void download(const std::wstring& uri, const std::wstring& path, std::function<void(bool written)> done) override;

private:
    // The documents of the current page as a script walking window.frames sees them.
    struct Document {
        std::string url;
        bool loaded = false;
        std::vector<Document> frames;
    };

    void requestDocument(const std::shared_ptr<Navigation>& navigation);
    void fetchAndCommit(const std::shared_ptr<Navigation>& navigation, const std::wstring& uri,
                        ICoreWebView2WebResourceResponse* hostResponse);
    void commit(const std::shared_ptr<Navigation>& navigation, const FetchResult& result);
    void loadPageResources(const FetchResult& result);
    // parentFrame: the frame whose document holds them (0: the top document).
    void loadFrames(const PageModel& page, Document& parent, std::uint32_t parentFrame, int depth);
    std::wstring scriptValue(const std::wstring& script) const;
    static void visitDocument(const Document& document, const std::string& topOrigin, int depth, int index,
                              nlohmann::ordered_json& out);
    void runProbePage(const std::string& html, const std::wstring& pageUri);

    NavigationPipeline& pipeline_;
    Document document_;
};

// The engine's own transfer of a download: the site's answer written to path.
bool writeFetchedFile(Backend& backend, const std::wstring& uri, const std::wstring& path);

}  // namespace vesko::standin
