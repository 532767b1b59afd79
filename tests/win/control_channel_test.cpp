// The stand-in's control channel in this process: a real loopback socket talks to it
// while the test's message loop runs the engine, and the host's side is played by
// handlers written like the program's.
#include <gtest/gtest.h>
#include <winsock2.h>
#include <ws2tcpip.h>
#include <shlwapi.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "app/wide_text_win.h"
#include "control_channel.h"
#include "engine/com_callback_win.h"
#include "engine/environment_options_win.h"
#include "engine_test_support_win.h"
#include "standin.h"
#include "test_folder_win.h"

namespace vesko {
namespace {

using Microsoft::WRL::ComPtr;
using Json = nlohmann::json;

void writeText(const std::filesystem::path& path, const std::string& text) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

std::wstring takeText(LPWSTR raw) {
    std::wstring text = raw != nullptr ? raw : L"";
    CoTaskMemFree(raw);
    return text;
}

// A port nothing listens on right now.
std::uint16_t freePort() {
    const SOCKET probe = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof(address));
    int length = sizeof(address);
    getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length);
    closesocket(probe);
    return ntohs(address.sin_port);
}

// One client connection; reading pumps the thread's messages, so the channel (on this
// same thread) gets to answer.
class Client {
public:
    Client(std::uint32_t host, std::uint16_t port) {
        socket_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(host);
        address.sin_port = htons(port);
        u_long nonBlocking = 1;
        ioctlsocket(socket_, FIONBIO, &nonBlocking);
        connect(socket_, reinterpret_cast<sockaddr*>(&address), sizeof(address));
        // The channel accepts from the loop; wait until the connection is writable.
        connected_ = pumpUntil(
            [&] {
                fd_set writable, failed;
                FD_ZERO(&writable);
                FD_ZERO(&failed);
                FD_SET(socket_, &writable);
                FD_SET(socket_, &failed);
                timeval none{};
                return select(0, nullptr, &writable, &failed, &none) > 0;
            },
            3000);
        if (connected_) {
            int error = 0;
            int size = sizeof(error);
            getsockopt(socket_, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &size);
            connected_ = error == 0;
        }
    }
    ~Client() { closesocket(socket_); }
    Client(const Client&) = delete;
    Client& operator=(const Client&) = delete;

    bool connected() const { return connected_; }
    void sendRaw(const std::string& bytes) { ::send(socket_, bytes.data(), static_cast<int>(bytes.size()), 0); }
    void send(const Json& request) { sendRaw(request.dump() + "\n"); }

    // The next line that `match` accepts; earlier lines stay for later calls.
    std::optional<Json> waitFor(const std::function<bool(const Json&)>& match, int timeoutMs = 5000) {
        std::optional<Json> found;
        pumpUntil(
            [&] {
                if (found) return true;
                read();
                for (auto it = lines_.begin(); it != lines_.end(); ++it) {
                    if (match(*it)) {
                        found = *it;
                        lines_.erase(it);
                        return true;
                    }
                }
                return false;
            },
            timeoutMs);
        return found;
    }
    std::optional<Json> reply(const Json& id, int timeoutMs = 5000) {
        return waitFor([&](const Json& line) { return line.contains("id") && line["id"] == id; }, timeoutMs);
    }
    // Sends a request with a fresh id and returns its reply.
    std::optional<Json> call(Json request, int timeoutMs = 5000) {
        const int id = ++nextId_;
        request["id"] = id;
        send(request);
        return reply(id, timeoutMs);
    }
    bool closedByPeer() {
        read();
        return peerClosed_;
    }

private:
    void read() {
        char buffer[65536];
        while (true) {
            const int got = recv(socket_, buffer, sizeof(buffer), 0);
            if (got == 0) peerClosed_ = true;
            if (got <= 0) break;
            input_.append(buffer, static_cast<std::size_t>(got));
        }
        for (std::size_t end; (end = input_.find('\n')) != std::string::npos;) {
            lines_.push_back(Json::parse(input_.substr(0, end)));
            input_.erase(0, end + 1);
        }
    }
    SOCKET socket_;
    bool connected_ = false;
    bool peerClosed_ = false;
    int nextId_ = 0;
    std::string input_;
    std::vector<Json> lines_;
};

constexpr char kPortalIndex[] =
    "<title>Ballina</title>"
    "<a href=\"/ndertesat.html\">Nd\xC3\xABrtesat</a>"
    "<a href=\"ndihme.html\" target=\"_blank\">Ndihma <b>(dritare)</b></a>"
    "<a href=\"/raporti.csv\" download>Raporti</a>"
    "<a href=\"https://www.example.org/x\">Jasht\xC3\xAB</a>"
    "<a href=\"https://portal.kordis.example:8443/p\">Porta tjet\xC3\xABr</a>";

// A host window, the stand-in environment and one view on the portal's start page, with
// handlers that answer the way the program does; the channel listens on a free port.
struct ChannelFixture : testing::Test {
    TestFolder folder;
    HostWindow host;
    ComPtr<ICoreWebView2Environment> environment;
    ComPtr<ICoreWebView2Controller> controller;
    ComPtr<ICoreWebView2> view;
    std::uint16_t port = 0;
    std::vector<std::string> seen;  // what the host's handlers saw, in order

    void SetUp() override {
        WSADATA data{};
        WSAStartup(MAKEWORD(2, 2), &data);
        const auto site = folder.path() / L"site";
        writeText(site / L"portal.kordis.example" / L"index.html", kPortalIndex);
        writeText(site / L"portal.kordis.example" / L"ndertesat.html", "<title>Nd\xC3\xABrtesat</title>");
        writeText(site / L"portal.kordis.example" / L"raporti.csv", "zona;siperfaqja\n");
        standin::Settings settings;
        settings.siteFolder = site;
        standin::configure(settings);

        const auto created = makeCallback<EnvironmentCompletedCallback>([this](HRESULT, ICoreWebView2Environment* e) {
            environment = e;
            return S_OK;
        });
        ASSERT_EQ(standin::createEnvironmentWithOptions(nullptr, (folder.path() / L"UserData").c_str(),
                                                        createEnvironmentOptions().Get(), created.Get()),
                  S_OK);
        ASSERT_TRUE(pumpUntil([&] { return environment != nullptr; }));
        const auto done = makeCallback<ControllerCompletedCallback>([this](HRESULT, ICoreWebView2Controller* c) {
            controller = c;
            return S_OK;
        });
        ASSERT_EQ(environment->CreateCoreWebView2Controller(host.get(), done.Get()), S_OK);
        ASSERT_TRUE(pumpUntil([&] { return controller != nullptr; }));
        controller->get_CoreWebView2(&view);
        installHostHandlers();
        ASSERT_EQ(view->Navigate(L"https://portal.kordis.example/"), S_OK);
        ASSERT_TRUE(pumpUntil([&] { return settled("https://portal.kordis.example/"); }));

        port = freePort();
        ASSERT_EQ(standin::startControlChannel(port), S_OK);
    }
    void TearDown() override {
        standin::stopControlChannel();
        if (controller) controller->Close();
        WSACleanup();
    }

    bool settled(const std::string& source) {
        const auto state = standin::readView(controller.Get());
        return state && !state->loading && toUtf8(state->source) == source;
    }
    std::string name() const { return standin::liveViews().back().viewName; }

    void installHostHandlers() {
        EventRegistrationToken token{};
        view->add_NavigationStarting(
            makeCallback<NavigationStartingCallback>([this](ICoreWebView2*, ICoreWebView2NavigationStartingEventArgs* a) {
                LPWSTR uri = nullptr;
                BOOL user = FALSE;
                a->get_Uri(&uri);
                a->get_IsUserInitiated(&user);
                seen.push_back("navigation " + toUtf8(takeText(uri)) + (user ? " by the user" : ""));
                return S_OK;
            }).Get(),
            &token);
        view->add_NewWindowRequested(
            makeCallback<NewWindowRequestedCallback>([this](ICoreWebView2*, ICoreWebView2NewWindowRequestedEventArgs* a) {
                LPWSTR uri = nullptr;
                a->get_Uri(&uri);
                seen.push_back("pop-up " + toUtf8(takeText(uri)));
                a->put_Handled(TRUE);
                return S_OK;
            }).Get(),
            &token);
        view->add_WebMessageReceived(
            makeCallback<WebMessageReceivedCallback>([this](ICoreWebView2*, ICoreWebView2WebMessageReceivedEventArgs* a) {
                LPWSTR source = nullptr, json = nullptr;
                a->get_Source(&source);
                a->get_WebMessageAsJson(&json);
                seen.push_back("message " + toUtf8(takeText(json)) + " from " + toUtf8(takeText(source)));
                return S_OK;
            }).Get(),
            &token);
        view->add_PermissionRequested(
            makeCallback<PermissionRequestedCallback>([](ICoreWebView2*, ICoreWebView2PermissionRequestedEventArgs* a) {
                a->put_State(COREWEBVIEW2_PERMISSION_STATE_DENY);
                return S_OK;
            }).Get(),
            &token);
        ComPtr<ICoreWebView2_4> view4;
        queryEngineInterface(view.Get(), view4);
        view4->add_DownloadStarting(
            makeCallback<DownloadStartingCallback>([this](ICoreWebView2*, ICoreWebView2DownloadStartingEventArgs* a) {
                a->put_ResultFilePath((folder.path() / L"ruajtur.csv").c_str());
                a->put_Handled(TRUE);
                return S_OK;
            }).Get(),
            &token);
        controller->add_AcceleratorKeyPressed(
            makeCallback<AcceleratorKeyPressedCallback>(
                [this](ICoreWebView2Controller*, ICoreWebView2AcceleratorKeyPressedEventArgs* a) {
                    UINT key = 0;
                    a->get_VirtualKey(&key);
                    const bool ctrl = GetKeyState(VK_CONTROL) < 0;
                    seen.push_back("key " + std::to_string(key) + (ctrl ? " with Ctrl" : ""));
                    if (ctrl) a->put_Handled(TRUE);
                    return S_OK;
                })
                .Get(),
            &token);
        view->AddWebResourceRequestedFilter(L"https://blocked.example/*", COREWEBVIEW2_WEB_RESOURCE_CONTEXT_ALL);
        view->add_WebResourceRequested(
            makeCallback<WebResourceRequestedCallback>(
                [this](ICoreWebView2*, ICoreWebView2WebResourceRequestedEventArgs* a) {
                    ComPtr<IStream> body;
                    body.Attach(SHCreateMemStream(reinterpret_cast<const BYTE*>("jo"), 2));
                    ComPtr<ICoreWebView2WebResourceResponse> response;
                    environment->CreateWebResourceResponse(body.Get(), 403, L"Blocked", L"Content-Type: text/plain",
                                                           &response);
                    a->put_Response(response.Get());
                    return S_OK;
                })
                .Get(),
            &token);
    }
    // The document scripts as the program adds them: guarded by the portal host.
    void addPageScripts() {
        view->AddScriptToExecuteOnDocumentCreated(
            L";(() => { if (location.hostname !== 'portal.kordis.example') return; post({ type: 'vesk-open-background', url }); })();"
            L";(() => { if (location.hostname !== 'portal.kordis.example') return; postMessage({ type: 'vesko-dirty', dirty: true }); })();",
            nullptr);
        pumpPending();
    }
};

TEST(ControlChannelPort, OnlyPortNumbersAreAccepted) {
    struct Case {
        const wchar_t* text;
        std::optional<std::uint16_t> port;
    };
    static const Case cases[] = {
        {L"1", 1}, {L"65535", 65535}, {L"00080", 80}, {L"8080", 8080},
        // Out of range, signs, spaces, other digits and overlong texts.
        {L"0", std::nullopt}, {L"65536", std::nullopt}, {L"", std::nullopt}, {L"+80", std::nullopt},
        {L" 80", std::nullopt}, {L"80 ", std::nullopt}, {L"8o", std::nullopt}, {L"000080", std::nullopt},
        {L"\u0661\u0662", std::nullopt}, {L"-1", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(toUtf8(c.text));
        EXPECT_EQ(standin::parseControlPort(c.text), c.port);
    }
}

TEST_F(ChannelFixture, MalformedRequestsAreRefusedAndTheConnectionGoesOn) {
    Client client(INADDR_LOOPBACK, port);
    ASSERT_TRUE(client.connected());
    struct Case {
        std::string line;
        const char* error;
    };
    const std::string view = "\"" + name() + "\"";
    const Case cases[] = {
        {"hello", "BAD_JSON"},
        {"{\"cmd\":\"ping\"", "BAD_JSON"},
        {"{\"cmd\":\"ping\"} // comment", "BAD_JSON"},
        {"{\"cmd\":\"\xC3\x28\"}", "BAD_JSON"},  // not UTF-8
        {"[\"ping\"]", "BAD_REQUEST"},
        {"42", "BAD_REQUEST"},
        {"{\"id\":[1],\"cmd\":\"ping\"}", "BAD_REQUEST"},
        {"{\"id\":1.5,\"cmd\":\"ping\"}", "BAD_REQUEST"},
        {"{}", "BAD_REQUEST"},
        {"{\"cmd\":7}", "BAD_REQUEST"},
        {"{\"cmd\":\"dance\"}", "UNKNOWN_COMMAND"},
        {"{\"cmd\":\"views\",\"verbose\":true}", "BAD_REQUEST"},
        {"{\"cmd\":\"view\"}", "BAD_REQUEST"},
        {"{\"cmd\":\"view\",\"view\":true}", "BAD_REQUEST"},
        {"{\"cmd\":\"view\",\"view\":\"view#9999\"}", "NO_SUCH_VIEW"},
        {"{\"cmd\":\"navigate\",\"view\":" + view + ",\"url\":7}", "BAD_REQUEST"},
        {"{\"cmd\":\"click\",\"view\":" + view + "}", "BAD_REQUEST"},
        {"{\"cmd\":\"click\",\"view\":" + view + ",\"text\":\"a\",\"href\":\"/b\"}", "BAD_REQUEST"},
        {"{\"cmd\":\"click\",\"view\":" + view + ",\"text\":\"Askund\"}", "NO_SUCH_LINK"},
        {"{\"cmd\":\"click\",\"view\":" + view + ",\"text\":\"Raporti\",\"button\":\"right\"}", "BAD_REQUEST"},
        {"{\"cmd\":\"postMessage\",\"view\":" + view + "}", "BAD_REQUEST"},
        {"{\"cmd\":\"request\",\"view\":" + view + ",\"url\":\"https://x/\",\"kind\":\"video\"}", "BAD_REQUEST"},
        {"{\"cmd\":\"permission\",\"view\":" + view + ",\"kind\":\"telepathy\"}", "BAD_REQUEST"},
        {"{\"cmd\":\"key\",\"view\":" + view + ",\"key\":\"Hyper\"}", "BAD_REQUEST"},
        {"{\"cmd\":\"key\",\"view\":" + view + ",\"key\":999}", "BAD_REQUEST"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        client.sendRaw(c.line + "\n");
        const auto reply = client.waitFor([](const Json& line) { return line.contains("ok"); });
        ASSERT_TRUE(reply);
        EXPECT_EQ((*reply)["ok"], false);
        EXPECT_EQ((*reply)["error"], c.error);
        EXPECT_FALSE((*reply)["message"].get<std::string>().empty());
    }
    // An error line names the request when it could be read; the connection still serves.
    client.sendRaw("{\"id\":\"x\",\"cmd\":\"dance\"}\r\n\n");
    const auto named = client.reply("x");
    ASSERT_TRUE(named);
    EXPECT_EQ((*named)["error"], "UNKNOWN_COMMAND");
    const auto ping = client.call({{"cmd", "ping"}});
    ASSERT_TRUE(ping);
    EXPECT_EQ((*ping)["result"]["pid"], GetCurrentProcessId());
}

TEST_F(ChannelFixture, AnOverlongLineEndsTheConnection) {
    Client client(INADDR_LOOPBACK, port);
    ASSERT_TRUE(client.connected());
    client.sendRaw(std::string(std::size_t{1} << 20 | 1, 'x'));
    const auto refused = client.waitFor([](const Json& line) { return line.contains("error"); });
    ASSERT_TRUE(refused);
    EXPECT_EQ((*refused)["error"], "LINE_TOO_LONG");
    EXPECT_TRUE(pumpUntil([&] { return client.closedByPeer(); }, 3000));
    // Others are served as before.
    Client next(INADDR_LOOPBACK, port);
    ASSERT_TRUE(next.connected());
    EXPECT_TRUE(next.call({{"cmd", "ping"}}));
}

TEST_F(ChannelFixture, ListensOnLoopbackOnlyAndOncePerProcess) {
    EXPECT_EQ(standin::controlChannelPort(), port);
    EXPECT_EQ(standin::startControlChannel(port), S_OK);
    EXPECT_EQ(standin::startControlChannel(port == 65535 ? 65534 : port + 1), E_INVALIDARG);
    // Every address of this machine's interfaces that is not loopback is refused.
    const SOCKET lister = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    INTERFACE_INFO interfaces[32] = {};
    DWORD bytes = 0;
    ASSERT_EQ(WSAIoctl(lister, SIO_GET_INTERFACE_LIST, nullptr, 0, interfaces, sizeof(interfaces), &bytes, nullptr,
                       nullptr),
              0);
    closesocket(lister);
    int outsideAddresses = 0;
    for (DWORD i = 0; i < bytes / sizeof(INTERFACE_INFO); ++i) {
        const auto address = ntohl(interfaces[i].iiAddress.AddressIn.sin_addr.s_addr);
        if (address >> 24 == 127 || address == 0) continue;
        ++outsideAddresses;
        SCOPED_TRACE(address);
        Client outside(address, port);
        EXPECT_FALSE(outside.connected());
    }
    RecordProperty("outsideAddresses", outsideAddresses);
    // A port in use cannot be had.
    standin::stopControlChannel();
    EXPECT_EQ(standin::controlChannelPort(), 0);
    const SOCKET holder = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    ASSERT_EQ(bind(holder, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    listen(holder, 1);
    EXPECT_TRUE(FAILED(standin::startControlChannel(port)));
    closesocket(holder);
}

TEST_F(ChannelFixture, ViewsAndLinksAsThePageHasThem) {
    Client client(INADDR_LOOPBACK, port);
    ASSERT_TRUE(client.connected());
    controller->put_Bounds(RECT{0, 88, 640, 453});
    const auto views = client.call({{"cmd", "views"}});
    ASSERT_TRUE(views);
    ASSERT_EQ((*views)["result"]["views"].size(), 1u);
    const Json& first = (*views)["result"]["views"][0];
    EXPECT_EQ(first["name"], name());
    EXPECT_EQ(first["source"], "https://portal.kordis.example/");
    EXPECT_EQ(first["title"], "Ballina");
    EXPECT_EQ(first["loading"], false);
    EXPECT_EQ(first["bounds"], Json::array({0, 88, 640, 453}));
    EXPECT_EQ(client.call({{"cmd", "view"}, {"view", "visible"}})->at("result")["name"], name());

    const auto links = client.call({{"cmd", "links"}, {"view", name()}});
    ASSERT_TRUE(links);
    const Json expected = Json::parse(R"json([
      {"href":"https://portal.kordis.example/ndertesat.html","text":"Ndërtesat","target":"","download":false},
      {"href":"https://portal.kordis.example/ndihme.html","text":"Ndihma (dritare)","target":"_blank","download":false},
      {"href":"https://portal.kordis.example/raporti.csv","text":"Raporti","target":"","download":true},
      {"href":"https://www.example.org/x","text":"Jashtë","target":"","download":false},
      {"href":"https://portal.kordis.example:8443/p","text":"Porta tjetër","target":"","download":false}])json");
    EXPECT_EQ((*links)["result"]["links"], expected);
}

TEST_F(ChannelFixture, ClicksDoWhatThePageDoes) {
    addPageScripts();
    Client client(INADDR_LOOPBACK, port);
    ASSERT_TRUE(client.connected());
    struct Case {
        const char* text;
        const char* button;
        const char* action;
        std::string seenByHost;
    };
    const Case cases[] = {
        {"Ndihma (dritare)", "left", "newWindow", "pop-up https://portal.kordis.example/ndihme.html"},
        {"Ndërtesat", "middle", "message",
         R"(message {"type":"vesk-open-background","url":"https://portal.kordis.example/ndertesat.html"} from https://portal.kordis.example/)"},
        // The page's hook leaves foreign links, other ports and downloads to the engine.
        {"Jashtë", "middle", "newWindow", "pop-up https://www.example.org/x"},
        {"Porta tjetër", "middle", "newWindow", "pop-up https://portal.kordis.example:8443/p"},
        {"Raporti", "middle", "newWindow", "pop-up https://portal.kordis.example/raporti.csv"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.text) + " " + c.button);
        seen.clear();
        const auto reply = client.call({{"cmd", "click"}, {"view", name()}, {"text", c.text}, {"button", c.button}});
        ASSERT_TRUE(reply);
        EXPECT_EQ((*reply)["result"]["action"], c.action);
        ASSERT_TRUE(pumpUntil([&] { return !seen.empty(); }));
        EXPECT_EQ(seen.front(), c.seenByHost);
        if (std::string(c.action) == "newWindow") EXPECT_EQ((*reply)["result"]["newWindow"]["handled"], true);
    }

    // A download link: the engine writes where the host said, and the reply says so.
    const auto saved = client.call({{"cmd", "click"}, {"view", name()}, {"text", "Raporti"}});
    ASSERT_TRUE(saved);
    EXPECT_EQ((*saved)["result"]["action"], "download");
    EXPECT_EQ((*saved)["result"]["download"]["written"], true);
    EXPECT_EQ((*saved)["result"]["download"]["resultPath"], toUtf8((folder.path() / L"ruajtur.csv").wstring()));

    // A plain link is followed as the user's own navigation.
    seen.clear();
    const auto followed = client.call({{"cmd", "click"}, {"view", name()}, {"href", "/ndertesat.html"}});
    ASSERT_TRUE(followed);
    EXPECT_EQ((*followed)["result"]["action"], "navigate");
    ASSERT_TRUE(pumpUntil([&] { return settled("https://portal.kordis.example/ndertesat.html"); }));
    EXPECT_EQ(seen.front(), "navigation https://portal.kordis.example/ndertesat.html by the user");
}

TEST_F(ChannelFixture, PageScriptsActOnlyWhereTheHostAddedThem) {
    Client client(INADDR_LOOPBACK, port);
    ASSERT_TRUE(client.connected());
    // Without the host's document scripts, input reports nothing and a middle click is
    // the engine's own new window.
    EXPECT_EQ(client.call({{"cmd", "input"}, {"view", name()}})->at("result")["posted"], false);
    const auto plain = client.call({{"cmd", "click"}, {"view", name()}, {"text", "Raporti"}, {"button", "middle"}});
    EXPECT_EQ((*plain)["result"]["action"], "newWindow");

    addPageScripts();
    seen.clear();
    EXPECT_EQ(client.call({{"cmd", "input"}, {"view", name()}})->at("result")["posted"], true);
    ASSERT_TRUE(pumpUntil([&] { return !seen.empty(); }));
    EXPECT_EQ(seen.front(), R"(message {"type":"vesko-dirty","dirty":true} from https://portal.kordis.example/)");

    // On another host the guard keeps the scripts quiet.
    client.call({{"cmd", "navigate"}, {"view", name()}, {"url", "https://elsewhere.example/"}});
    ASSERT_TRUE(pumpUntil([&] { return settled("https://elsewhere.example/"); }));
    EXPECT_EQ(client.call({{"cmd", "input"}, {"view", name()}})->at("result")["posted"], false);
}

TEST_F(ChannelFixture, PageActionsReachTheHostAndAnswerWithTheOutcome) {
    Client client(INADDR_LOOPBACK, port);
    ASSERT_TRUE(client.connected());

    seen.clear();
    ASSERT_TRUE(client.call({{"cmd", "postMessage"}, {"view", name()}, {"message", {{"type", "x"}, {"n", 1}}}}));
    ASSERT_TRUE(client.call(
        {{"cmd", "postMessage"}, {"view", name()}, {"json", "{not json"}, {"source", "https://other.example/"}}));
    ASSERT_TRUE(pumpUntil([&] { return seen.size() == 2; }));
    EXPECT_EQ(seen[0], R"(message {"n":1,"type":"x"} from https://portal.kordis.example/)");
    EXPECT_EQ(seen[1], "message {not json from https://other.example/");

    const auto blocked = client.call({{"cmd", "request"}, {"view", name()}, {"url", "https://blocked.example/a.js"},
                                      {"kind", "script"}});
    ASSERT_TRUE(blocked);
    const Json& answer = (*blocked)["result"];
    EXPECT_EQ(answer["raised"], true);
    EXPECT_EQ(answer["answeredByHost"], true);
    EXPECT_EQ(answer["status"], 403);
    EXPECT_EQ(answer["kind"], "script");
    EXPECT_EQ(answer["bodyBase64"], "am8=");
    EXPECT_EQ(answer["headers"], Json::parse(R"([["Content-Type","text/plain"]])"));
    const auto site = client.call({{"cmd", "request"}, {"view", name()}, {"url", "https://portal.kordis.example/raporti.csv"}});
    EXPECT_EQ((*site)["result"]["answeredByHost"], false);
    EXPECT_EQ((*site)["result"]["bodyBase64"], "em9uYTtzaXBlcmZhcWphCg==");
    const auto log = client.call({{"cmd", "resources"}, {"view", name()}});
    EXPECT_EQ((*log)["result"]["resources"].back()["uri"], "https://portal.kordis.example/raporti.csv");

    EXPECT_EQ(client.call({{"cmd", "permission"}, {"view", name()}, {"kind", "camera"}})->at("result")["state"], "deny");

    seen.clear();
    const auto plainKey = client.call({{"cmd", "key"}, {"view", name()}, {"key", "W"}});
    const auto ctrlKey = client.call({{"cmd", "key"}, {"view", name()}, {"key", "W"}, {"ctrl", true}});
    EXPECT_EQ((*plainKey)["result"]["handled"], false);
    EXPECT_EQ((*ctrlKey)["result"]["handled"], true);
    EXPECT_EQ(seen, (std::vector<std::string>{"key 87", "key 87 with Ctrl"}));
    EXPECT_GE(GetKeyState(VK_CONTROL), 0);  // the modifier was only held for the event

    const auto popup = client.call({{"cmd", "openWindow"}, {"view", name()}});
    EXPECT_EQ((*popup)["result"]["newWindow"]["handled"], true);
    EXPECT_EQ((*popup)["result"]["newWindow"]["newWindow"], nullptr);
}

TEST_F(ChannelFixture, TheRecordStreamsFromItsStartAndAsItGrows) {
    Client client(INADDR_LOOPBACK, port);
    ASSERT_TRUE(client.connected());
    const auto subscribed = client.call({{"cmd", "subscribe"}});
    ASSERT_TRUE(subscribed);
    const auto last = (*subscribed)["result"]["last"].get<std::uint64_t>();
    ASSERT_GT(last, 0u);
    // The backlog: the host's Navigate to the start page is in it.
    const auto navigate = client.waitFor([](const Json& line) {
        return line.value("method", "") == "Navigate" && line.value("detail", "") == "https://portal.kordis.example/";
    });
    ASSERT_TRUE(navigate);
    EXPECT_EQ((*navigate)["event"], "call");
    EXPECT_LE((*navigate)["sequence"].get<std::uint64_t>(), last);

    // A call the host makes now arrives as it happens.
    view->Navigate(L"https://portal.kordis.example/ndertesat.html");
    const auto live = client.waitFor([](const Json& line) {
        return line.value("method", "") == "Navigate" &&
               line.value("detail", "") == "https://portal.kordis.example/ndertesat.html";
    });
    ASSERT_TRUE(live);
    EXPECT_GT((*live)["sequence"].get<std::uint64_t>(), last);

    // Polling gives the same entries after a given point.
    const auto after = client.call({{"cmd", "record"}, {"after", last}, {"limit", 1}});
    ASSERT_TRUE(after);
    ASSERT_EQ((*after)["result"]["calls"].size(), 1u);
    EXPECT_EQ((*after)["result"]["calls"][0]["sequence"], last + 1);
}

TEST_F(ChannelFixture, AClientThatGoesWhileWaitingLeavesTheOthersServed) {
    {
        Client leaving(INADDR_LOOPBACK, port);
        ASSERT_TRUE(leaving.connected());
        // Its answers and the record's events have nobody to go to any more.
        leaving.send({{"id", 1}, {"cmd", "openWindow"}, {"view", name()}, {"url", "https://portal.kordis.example/x"}});
        leaving.send({{"id", 2}, {"cmd", "subscribe"}});
        pumpPending();
    }
    pumpPending();
    view->Navigate(L"https://portal.kordis.example/ndertesat.html");  // recorded with nobody to tell
    Client staying(INADDR_LOOPBACK, port);
    ASSERT_TRUE(staying.connected());
    EXPECT_TRUE(staying.call({{"cmd", "views"}}));
}

}  // namespace
}  // namespace vesko
