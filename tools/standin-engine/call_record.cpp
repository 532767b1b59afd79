// The record of the calls the host made on a stand-in object, in call order, and the
// numbers that name the objects in it.
#include <deque>
#include <functional>
#include <vector>

#include "com_support.h"
#include "standin.h"

namespace vesko::standin {
namespace {

// A program left running for days makes millions of calls: only the most recent are kept,
// numbered on from the first, so the record costs the same after a week as after an hour.
// Readers that need every call (the channel's subscribers) get each one as it is made.
struct Store {
    std::deque<RecordedCall> calls;
    std::uint64_t lastSequence = 0;
};

Store& recordStore() {
    static Store store;
    return store;
}

bool& recordingOn() {
    static bool on = true;
    return on;
}

std::function<void(const RecordedCall&)>& recordListener() {
    static std::function<void(const RecordedCall&)> listener;
    return listener;
}

}  // namespace

void setRecording(bool on) {
    recordingOn() = on;
}

bool isRecording() {
    return recordingOn();
}

void setRecordListener(std::function<void(const RecordedCall&)> listener) {
    recordListener() = std::move(listener);
}

void record(std::string object, std::string method, std::string detail) {
    if (!recordingOn()) return;
    auto& store = recordStore();
    store.calls.push_back({++store.lastSequence, std::move(object), std::move(method), std::move(detail)});
    if (store.calls.size() > kCallRecordKept) store.calls.pop_front();
    if (recordListener()) recordListener()(store.calls.back());
}

std::size_t callRecordSize() {
    return recordStore().calls.size();
}

std::vector<RecordedCall> callRecord() {
    const auto& calls = recordStore().calls;
    return {calls.begin(), calls.end()};
}

void clearCallRecord() {
    recordStore() = {};
}

int nextObjectNumber() {
    static int next = 1;
    return next++;
}

}  // namespace vesko::standin
