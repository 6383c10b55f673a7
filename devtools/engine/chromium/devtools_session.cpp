#include "devtools/engine/chromium/devtools_session.h"

#include "devtools/engine/chromium/base64.h"

using nlohmann::json;

namespace {

// A number member rounded, or 0 when it is missing or no number.
int WholeNumber(const json& object, const char* key) {
    auto it = object.find(key);
    return it != object.end() && it->is_number() ? static_cast<int>(it->get<double>() + 0.5) : 0;
}

}  // namespace

DevToolsSession::DevToolsSession(const Endpoint& endpoint, HWND window, UINT wakeMessage, const std::string& pageId)
    : endpoint_(endpoint), window_(window), wakeMessage_(wakeMessage),
      target_(pageId.empty() ? PageTarget() : ExistingPageTarget(pageId)), worker_([this] { Run(); }) {}

DevToolsSession::~DevToolsSession() {
    open_ = false;
    socket_.Interrupt();
    worker_.join();
}

void DevToolsSession::Run() {
    std::string error;
    const bool given = !target_.id.empty();
    bool connected = winsock_.Ready() && (given || OpenPageTarget(endpoint_, &target_, &error)) &&
                     socket_.Open(endpoint_, target_.webSocketPath, &error);
    if (connected) {
        open_ = true;
        Push({News::Kind::Connected, json(), std::string()});
        std::string text;
        while (socket_.ReadText(&text, &error)) {
            json message = json::parse(text, nullptr, false);
            if (!message.is_object()) continue;
            auto method = message.find("method");
            if (method != message.end() && *method == "Page.screencastFrame") {
                OnFrame(message["params"]);
            } else {
                Push({News::Kind::Message, std::move(message), std::string()});
            }
        }
        open_ = false;
    }
    if (!winsock_.Ready()) error = "Winsock did not start";
    if (target_.madeByUs) ClosePageTarget(endpoint_, target_);
    Push({News::Kind::Ended, json(), error});
}

// Acknowledged before decoding, so that Chromium renders the next frame meanwhile; a frame not yet
// shown is replaced by a newer one.
void DevToolsSession::OnFrame(const json& params) {
    if (!params.is_object()) return;
    auto session = params.find("sessionId");
    if (session != params.end()) Send("Page.screencastFrameAck", json{{"sessionId", *session}});
    auto data = params.find("data");
    std::string bytes;
    if (data == params.end() || !data->is_string() || !Base64Decode(data->get<std::string>(), &bytes)) return;
    std::unique_ptr<PageImage> image = DecodePageImage(bytes);
    if (!image) return;
    auto metadata = params.find("metadata");
    if (metadata != params.end() && metadata->is_object()) {
        image->SetViewport(WholeNumber(*metadata, "deviceWidth"), WholeNumber(*metadata, "deviceHeight"));
    }
    std::lock_guard<std::mutex> lock(mutex_);
    frame_ = std::move(image);
    Wake();
}

void DevToolsSession::Push(News news) {
    std::lock_guard<std::mutex> lock(mutex_);
    news_.push_back(std::move(news));
    Wake();
}

// One posted message at a time: the UI thread takes everything that waits when it comes.
void DevToolsSession::Wake() {
    if (wakePosted_) return;
    wakePosted_ = PostMessageW(window_, wakeMessage_, 0, 0) != FALSE;
}

std::deque<DevToolsSession::News> DevToolsSession::TakeNews() {
    std::lock_guard<std::mutex> lock(mutex_);
    wakePosted_ = false;
    std::deque<News> taken;
    taken.swap(news_);
    return taken;
}

std::unique_ptr<PageImage> DevToolsSession::TakeFrame() {
    std::lock_guard<std::mutex> lock(mutex_);
    wakePosted_ = false;
    return std::move(frame_);
}

int DevToolsSession::Send(const std::string& method, const json& params) {
    if (!open_) return 0;
    int id = nextId_++;
    json command = {{"id", id}, {"method", method}, {"params", params}};
    return socket_.SendText(command.dump()) ? id : 0;
}
