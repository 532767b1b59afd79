#pragma once

#include <cstddef>
#include <deque>
#include <optional>
#include <string>
#include <string_view>

namespace vesko {

// The addresses of recently closed portal tabs, oldest first, for reopening them. Only
// portal addresses are kept, so a reopened tab can never lead anywhere the browser would
// not go by itself; at most 30, the oldest giving way.
class ClosedTabMemory {
public:
    static constexpr std::size_t kCapacity = 30;

    // Keeps a closed tab's address (UTF-8) if it is a portal address.
    void remember(std::string_view url);

    // The address to reopen: the newest one.
    std::optional<std::string> newest() const;

    // Forgets the newest address, once its tab has really opened again; a refused
    // reopen keeps it.
    void forgetNewest();

    bool empty() const { return urls_.empty(); }
    std::size_t size() const { return urls_.size(); }
    const std::deque<std::string>& urls() const { return urls_; }

private:
    std::deque<std::string> urls_;
};

}  // namespace vesko
