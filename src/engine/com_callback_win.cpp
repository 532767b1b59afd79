// The handler objects are compiled once here rather than in every file that makes one.
#include "engine/com_callback_win.h"

namespace vesko {

template class ComCallback<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler, HRESULT,
                           ICoreWebView2Environment*>;
template class ComCallback<ICoreWebView2CreateCoreWebView2ControllerCompletedHandler, HRESULT,
                           ICoreWebView2Controller*>;
template class ComCallback<ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler, HRESULT, LPCWSTR>;
template class ComCallback<ICoreWebView2ZoomFactorChangedEventHandler, ICoreWebView2Controller*, IUnknown*>;
template class ComCallback<ICoreWebView2NavigationStartingEventHandler, ICoreWebView2*,
                           ICoreWebView2NavigationStartingEventArgs*>;
template class ComCallback<ICoreWebView2NewWindowRequestedEventHandler, ICoreWebView2*,
                           ICoreWebView2NewWindowRequestedEventArgs*>;
template class ComCallback<ICoreWebView2PermissionRequestedEventHandler, ICoreWebView2*,
                           ICoreWebView2PermissionRequestedEventArgs*>;
template class ComCallback<ICoreWebView2WindowCloseRequestedEventHandler, ICoreWebView2*, IUnknown*>;
template class ComCallback<ICoreWebView2DownloadStartingEventHandler, ICoreWebView2*,
                           ICoreWebView2DownloadStartingEventArgs*>;
template class ComCallback<ICoreWebView2SourceChangedEventHandler, ICoreWebView2*,
                           ICoreWebView2SourceChangedEventArgs*>;
template class ComCallback<ICoreWebView2HistoryChangedEventHandler, ICoreWebView2*, IUnknown*>;
template class ComCallback<ICoreWebView2DocumentTitleChangedEventHandler, ICoreWebView2*, IUnknown*>;
template class ComCallback<ICoreWebView2NavigationCompletedEventHandler, ICoreWebView2*,
                           ICoreWebView2NavigationCompletedEventArgs*>;
template class ComCallback<ICoreWebView2AcceleratorKeyPressedEventHandler, ICoreWebView2Controller*,
                           ICoreWebView2AcceleratorKeyPressedEventArgs*>;
template class ComCallback<ICoreWebView2MoveFocusRequestedEventHandler, ICoreWebView2Controller*,
                           ICoreWebView2MoveFocusRequestedEventArgs*>;
template class ComCallback<ICoreWebView2WebMessageReceivedEventHandler, ICoreWebView2*,
                           ICoreWebView2WebMessageReceivedEventArgs*>;
template class ComCallback<ICoreWebView2WebResourceRequestedEventHandler, ICoreWebView2*,
                           ICoreWebView2WebResourceRequestedEventArgs*>;
template class ComCallback<ICoreWebView2ExecuteScriptCompletedHandler, HRESULT, LPCWSTR>;

}  // namespace vesko
