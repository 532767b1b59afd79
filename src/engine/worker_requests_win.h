#pragma once
// Service and shared workers belong to no one tab: the engine raises their requests on
// every view with a filter for them, each view's handler seeing the same request. One tab
// at a time holds that filter, so a worker's request is decided and recorded once; when
// the tab goes, another takes it over.

#include <memory>
#include <vector>

namespace vesko {

class TabView;

class WorkerRequestDesk {
public:
    // A tab whose own filter is in place: it takes the workers' requests unless an open
    // tab already holds them.
    void offer(TabView& tab);
    // A tab closed or lost its view: the first of `tabs` that can take them over does.
    void reassign(const std::vector<std::shared_ptr<TabView>>& tabs);

private:
    bool held() const;
    std::weak_ptr<TabView> holder_;
};

}  // namespace vesko
