// The responses a host creates for WebResourceRequested, and the engine's reading of one.
#include <set>
#include <thread>

#include "objects.h"

namespace vesko::standin {
namespace {

struct StreamRead {
    HRESULT result = S_OK;
    std::string bytes;
};

// The engine reads a response's content from a thread of its own, never the host's UI
// thread: from the start, then back to where the host left the stream.
StreamRead readElsewhere(const ComPtr<IStream>& content) {
    StreamRead read;
    std::thread reader([&]() {
        LARGE_INTEGER zero{};
        ULARGE_INTEGER position{};
        const bool seekable = SUCCEEDED(content->Seek(zero, STREAM_SEEK_CUR, &position)) &&
                              SUCCEEDED(content->Seek(zero, STREAM_SEEK_SET, nullptr));
        // Read into one block of the stream's size: grown chunk by chunk, every response
        // would leave blocks of a dozen sizes behind in the heap.
        STATSTG stat{};
        if (SUCCEEDED(content->Stat(&stat, STATFLAG_NONAME)) && stat.cbSize.QuadPart < (1ull << 31)) {
            read.bytes.reserve(static_cast<std::size_t>(stat.cbSize.QuadPart));
        }
        char buffer[8192];
        for (;;) {
            ULONG got = 0;
            const HRESULT result = content->Read(buffer, sizeof(buffer), &got);
            if (FAILED(result)) {
                read.result = result;
                break;
            }
            read.bytes.append(buffer, got);
            if (got == 0) break;
        }
        if (seekable) {
            LARGE_INTEGER back{};
            back.QuadPart = static_cast<LONGLONG>(position.QuadPart);
            content->Seek(back, STREAM_SEEK_SET, nullptr);
        }
    });
    reader.join();
    return read;
}

std::set<const void*>& liveResponses() {
    static std::set<const void*> responses;
    return responses;
}

class Response final : public ComObject<ICoreWebView2WebResourceResponse, IID_ICoreWebView2WebResourceResponse> {
public:
    Response(IStream* content, int statusCode, std::wstring reason, std::wstring headers)
        : name_("response#" + std::to_string(nextObjectNumber())),
          content_(content),
          statusCode_(statusCode),
          reason_(std::move(reason)),
          headers_(std::move(headers)) {
        liveResponses().insert(static_cast<const ICoreWebView2WebResourceResponse*>(this));
    }
    ~Response() override { liveResponses().erase(static_cast<const ICoreWebView2WebResourceResponse*>(this)); }

    HRESULT STDMETHODCALLTYPE get_Content(IStream** content) override {
        record(name_, "get_Content");
        if (content == nullptr) return E_POINTER;
        *content = content_.Get();
        if (*content != nullptr) (*content)->AddRef();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_Content(IStream* content) override {
        record(name_, "put_Content");
        content_ = content;
        return S_OK;
    }
    // The headers object belongs to an interface the program never uses.
    HRESULT STDMETHODCALLTYPE get_Headers(ICoreWebView2HttpResponseHeaders**) override {
        record(name_, "get_Headers");
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE get_StatusCode(int* statusCode) override {
        record(name_, "get_StatusCode");
        if (statusCode == nullptr) return E_POINTER;
        *statusCode = statusCode_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_StatusCode(int statusCode) override {
        record(name_, "put_StatusCode", std::to_string(statusCode));
        statusCode_ = statusCode;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_ReasonPhrase(LPWSTR* reason) override {
        record(name_, "get_ReasonPhrase");
        return copyToTaskMemory(reason_, reason);
    }
    HRESULT STDMETHODCALLTYPE put_ReasonPhrase(LPCWSTR reason) override {
        record(name_, "put_ReasonPhrase", toUtf8(reason != nullptr ? reason : L""));
        reason_ = reason != nullptr ? reason : L"";
        return S_OK;
    }

    std::string statusText() const { return std::to_string(statusCode_) + " " + toUtf8(reason_); }

    ResponseSnapshot snapshot() const {
        ResponseSnapshot result;
        result.statusCode = statusCode_;
        result.reasonPhrase = reason_;
        std::size_t start = 0;
        while (start < headers_.size()) {
            std::size_t end = headers_.find(L'\n', start);
            if (end == std::wstring::npos) end = headers_.size();
            std::wstring line = headers_.substr(start, end - start);
            if (!line.empty() && line.back() == L'\r') line.pop_back();
            const std::size_t colon = line.find(L':');
            if (colon != std::wstring::npos) {
                std::wstring value = line.substr(colon + 1);
                value.erase(0, value.find_first_not_of(L" \t"));
                result.headers.emplace_back(line.substr(0, colon), value);
            }
            start = end + 1;
        }
        if (content_) {
            const StreamRead read = readElsewhere(content_);
            if (FAILED(read.result)) {
                recordFault("RESPONSE_STREAM_UNREADABLE",
                            name_ + ": reading its content on another thread failed with " + hexResult(read.result));
            }
            result.body = read.bytes;
            checkLater(read.bytes);
        }
        return result;
    }

private:
    // The engine may keep the stream until the page goes: read again once the host's
    // handler and the loop turn after it are over, it must still give the same bytes.
    void checkLater(const std::string& bytes) const {
        ComPtr<IStream> content = content_;
        const std::string name = name_;
        Dispatcher::forCurrentThread()->post([content, name, bytes]() {
            const StreamRead again = readElsewhere(content);
            if (SUCCEEDED(again.result) && again.bytes != bytes) {
                recordFault("RESPONSE_STREAM_CHANGED", name + ": its content changed after the request was answered");
            }
        });
    }

    std::string name_;
    ComPtr<IStream> content_;
    int statusCode_;
    std::wstring reason_;
    std::wstring headers_;
};
}  // namespace

ComPtr<ICoreWebView2WebResourceResponse> makeResponse(IStream* content, int statusCode, std::wstring reason,
                                                      const std::wstring& headers) {
    auto response = makeComObject<Response>(content, statusCode, std::move(reason), headers);
    return ComPtr<ICoreWebView2WebResourceResponse>(response.Get());
}

std::optional<ResponseSnapshot> snapshotResponse(ICoreWebView2WebResourceResponse* response) {
    if (response == nullptr || liveResponses().count(response) == 0) return std::nullopt;
    return static_cast<Response*>(response)->snapshot();
}

std::optional<std::string> responseStatus(ICoreWebView2WebResourceResponse* response) {
    if (response == nullptr || liveResponses().count(response) == 0) return std::nullopt;
    return static_cast<Response*>(response)->statusText();
}

std::optional<ResponseSnapshot> readResponse(ICoreWebView2WebResourceResponse* response) {
    return snapshotResponse(response);
}

}  // namespace vesko::standin
