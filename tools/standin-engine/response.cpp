// The responses a host creates for WebResourceRequested, and the engine's reading of one.
#include <set>

#include "objects.h"

namespace vesko::standin {
namespace {

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
            // Read from the start, then put the stream back where the host left it.
            LARGE_INTEGER zero{};
            ULARGE_INTEGER position{};
            const bool seekable = SUCCEEDED(content_->Seek(zero, STREAM_SEEK_CUR, &position)) &&
                                  SUCCEEDED(content_->Seek(zero, STREAM_SEEK_SET, nullptr));
            char buffer[8192];
            ULONG got = 0;
            while (SUCCEEDED(content_->Read(buffer, sizeof(buffer), &got)) && got > 0) result.body.append(buffer, got);
            if (seekable) {
                LARGE_INTEGER back{};
                back.QuadPart = static_cast<LONGLONG>(position.QuadPart);
                content_->Seek(back, STREAM_SEEK_SET, nullptr);
            }
        }
        return result;
    }

private:
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

std::optional<ResponseSnapshot> readResponse(ICoreWebView2WebResourceResponse* response) {
    return snapshotResponse(response);
}

}  // namespace vesko::standin
