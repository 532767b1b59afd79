// Walks the UI Automation tree of the window given on its command line, from outside its
// process, and writes one line per element to the file named second:
//   <depth spaces><control type>|<name>|<automation id>|<left>,<top>,<width>,<height>
// A property the system cannot give reads "error" and the HRESULT (Wine 8 has no bounding
// rectangle for a client).
// Exit code 0 when the window's node was found, 1 when not, 2 for bad arguments.
#include <windows.h>
#include <ole2.h>
#include <uiautomationcore.h>

#include <cstdio>
#include <string>

#include "base/wide_text_win.h"

namespace {

// The client API's few declarations, from its documentation.
using HUIANODE = void*;
struct UiaCondition {
    int conditionType;  // 0: true
};
struct UiaCacheRequest {
    UiaCondition* viewCondition;
    int scope;  // 1: the element
    PROPERTYID* properties;
    int propertyCount;
    PATTERNID* patterns;
    int patternCount;
    int elementMode;  // 1: full
};
using NodeFromHandle = HRESULT(WINAPI*)(HWND, HUIANODE*);
using Navigate = HRESULT(WINAPI*)(HUIANODE, NavigateDirection, UiaCondition*, UiaCacheRequest*, SAFEARRAY**, BSTR*);
using GetPropertyValue = HRESULT(WINAPI*)(HUIANODE, PROPERTYID, VARIANT*);
using NodeRelease = BOOL(WINAPI*)(HUIANODE);
using NodeFromVariant = HRESULT(WINAPI*)(VARIANT*, HUIANODE*);

struct Client {
    NodeFromHandle nodeFromHandle;
    Navigate navigate;
    GetPropertyValue property;
    NodeRelease release;
    NodeFromVariant nodeFromVariant;
};

template <typename F>
F find(HMODULE module, const char* name) {
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

std::string text(const Client& uia, HUIANODE node, PROPERTYID id) {
    VARIANT value;
    VariantInit(&value);
    std::string result;
    const HRESULT hr = uia.property(node, id, &value);
    if (FAILED(hr)) result = "error" + std::to_string(static_cast<unsigned long>(hr));
    if (SUCCEEDED(hr)) {
        if (value.vt == VT_BSTR && value.bstrVal != nullptr) result = vesko::toUtf8(value.bstrVal);
        if (value.vt == VT_I4) result = std::to_string(value.lVal);
        if (value.vt != VT_BSTR && value.vt != VT_I4 && value.vt != (VT_ARRAY | VT_R8)) result = "vt" + std::to_string(value.vt);
        if (value.vt == (VT_ARRAY | VT_R8)) {
            double* parts = nullptr;
            if (SUCCEEDED(SafeArrayAccessData(value.parray, reinterpret_cast<void**>(&parts)))) {
                for (int i = 0; i < 4; ++i) result += (i ? "," : "") + std::to_string(static_cast<long>(parts[i]));
                SafeArrayUnaccessData(value.parray);
            }
        }
    }
    VariantClear(&value);
    return result;
}

// The node UiaNavigate found in `direction`, or null. Wine hands the node back as a 64-bit
// integer, which its UiaHUiaNodeFromVariant refuses; Windows as an object.
HUIANODE step(const Client& uia, HUIANODE from, NavigateDirection direction) {
    UiaCondition always{0};
    UiaCacheRequest request{&always, 1, nullptr, 0, nullptr, 0, 1};
    SAFEARRAY* data = nullptr;
    BSTR structure = nullptr;
    HUIANODE next = nullptr;
    if (SUCCEEDED(uia.navigate(from, direction, &always, &request, &data, &structure)) && data != nullptr) {
        VARIANT* cells = nullptr;
        if (SUCCEEDED(SafeArrayAccessData(data, reinterpret_cast<void**>(&cells)))) {
            if (cells[0].vt == VT_I8) {
                next = reinterpret_cast<HUIANODE>(static_cast<INT_PTR>(cells[0].llVal));
            } else if (uia.nodeFromVariant != nullptr) {
                uia.nodeFromVariant(&cells[0], &next);
            }
            SafeArrayUnaccessData(data);
        }
    }
    if (data != nullptr) SafeArrayDestroy(data);
    SysFreeString(structure);
    return next;
}

// Bounded, so a tree that leads back into itself ends the walk instead of the probe.
int budget = 200;

void walk(const Client& uia, HUIANODE node, int depth, FILE* out) {
    if (depth > 6) return;
    for (HUIANODE child = step(uia, node, NavigateDirection_FirstChild); child != nullptr && --budget > 0;) {
        std::fprintf(out, "%s%s|%s|%s|%s\n", std::string(static_cast<std::size_t>(depth) * 2, ' ').c_str(),
                     text(uia, child, 30003).c_str(), text(uia, child, 30005).c_str(),
                     text(uia, child, 30011).c_str(), text(uia, child, 30001).c_str());
        walk(uia, child, depth + 1, out);
        HUIANODE next = step(uia, child, NavigateDirection_NextSibling);
        uia.release(child);
        child = next;
    }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) return 2;
    const HWND window = reinterpret_cast<HWND>(static_cast<INT_PTR>(std::wcstoll(argv[1], nullptr, 10)));
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    HMODULE module = LoadLibraryW(L"uiautomationcore.dll");
    if (module == nullptr) return 1;
    const Client uia{find<NodeFromHandle>(module, "UiaNodeFromHandle"), find<Navigate>(module, "UiaNavigate"),
                     find<GetPropertyValue>(module, "UiaGetPropertyValue"), find<NodeRelease>(module, "UiaNodeRelease"),
                     find<NodeFromVariant>(module, "UiaHUiaNodeFromVariant")};
    HUIANODE root = nullptr;
    if (uia.nodeFromHandle == nullptr || FAILED(uia.nodeFromHandle(window, &root)) || root == nullptr) return 1;
    FILE* out = _wfopen(argv[2], L"w");
    if (out == nullptr) return 2;
    walk(uia, root, 0, out);
    std::fclose(out);
    uia.release(root);
    return 0;
}
