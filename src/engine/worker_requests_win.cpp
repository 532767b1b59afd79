#include "engine/worker_requests_win.h"

#include "engine/tab_view_win.h"

namespace vesko {

bool WorkerRequestDesk::held() const {
    const auto holder = holder_.lock();
    return holder && !holder->closing() && holder->takesWorkerRequests();
}

void WorkerRequestDesk::offer(TabView& tab) {
    if (held()) return;
    if (tab.takeWorkerRequests()) holder_ = tab.weak_from_this();
}

void WorkerRequestDesk::reassign(const std::vector<std::shared_ptr<TabView>>& tabs) {
    if (held()) return;
    for (const auto& tab : tabs) {
        if (!tab->closing() && tab->takeWorkerRequests()) {
            holder_ = tab;
            return;
        }
    }
}

}  // namespace vesko
