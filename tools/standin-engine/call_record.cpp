// The record of every call the host made on a stand-in object, in call order, and the
// numbers that name the objects in it.
#include <functional>
#include <vector>

#include "com_support.h"
#include "standin.h"

namespace vesko::standin {
namespace {

std::vector<RecordedCall>& recordStore() {
    static std::vector<RecordedCall> calls;
    return calls;
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
    auto& calls = recordStore();
    calls.push_back({calls.size() + 1, std::move(object), std::move(method), std::move(detail)});
    if (recordListener()) recordListener()(calls.back());
}

std::size_t callRecordSize() {
    return recordStore().size();
}

std::vector<RecordedCall> callRecord() {
    return recordStore();
}

void clearCallRecord() {
    recordStore().clear();
}

int nextObjectNumber() {
    static int next = 1;
    return next++;
}

}  // namespace vesko::standin
