// Shared pieces of the development engine: its settings, its log, work posted to the message
// loop, and the two counts that keep its objects alive.
#pragma once

#include "devtools/utf8.h"
#include "webhost/iid_of.h"

#include <cstring>
#include <memory>
#include <string>
#include <utility>

enum class FailMode { None, Environment, Controller, WebView };

struct EngineConfig {
    std::wstring logPath;  // empty: no log
    UINT navigationDelayMs = 150;
    FailMode failMode = FailMode::None;
    std::wstring chromiumEndpoint;  // "host:port" of a headless Chromium to drive; empty: simulated pages
    std::wstring frameLogPath;      // Chromium pages only: one line per frame shown, for measurements
    UINT failRestarts = 0;          // environments that fail after a simulated browser-process exit
};
using ConfigPtr = std::shared_ptr<const EngineConfig>;

ConfigPtr ReadEngineConfig();
void LogLine(const EngineConfig& config, const std::wstring& line);
// Appends one UTF-8 line to the file; nothing when the path is empty.
void AppendLine(const std::wstring& path, const std::wstring& line);
HINSTANCE EngineModule();

// A simulated browser-process exit happened in this process: the next TROV_ENGINE_FAIL_RESTARTS
// environments fail, so that a host's retries can be seen.
void NoteBrowserProcessExit();

// Work that runs later on the message loop of the thread that posted it.
class Task {
public:
    virtual ~Task() = default;
    virtual void Run() = 0;
};

bool PostTask(std::unique_ptr<Task> task);

template <class Body>
bool PostToMessageLoop(Body body) {
    class BodyTask final : public Task {
    public:
        explicit BodyTask(Body b) : body_(std::move(b)) {}
        void Run() override { body_(); }

    private:
        Body body_;
    };
    return PostTask(std::make_unique<BodyTask>(std::move(body)));
}

// Every object the host can hold keeps two counts. The host's count (AddRef, Release,
// QueryInterface) is what the "Released" log line reports; the engine's own links (a controller
// to its web view, work in flight) keep the object alive without showing there.
class EngineObject {
public:
    EngineObject(ConfigPtr config, const wchar_t* logName) : config_(std::move(config)), logName_(logName) {}
    EngineObject(const EngineObject&) = delete;
    EngineObject& operator=(const EngineObject&) = delete;

    ULONG AddHostRef();
    ULONG ReleaseHostRef();
    void HoldByEngine() { ++engineRefs_; }
    // While one of the object's own event handlers runs, its host must not close it nor let go of
    // it for the last time: the engine is waiting for the handler. Such a call is logged as
    // "Reentrant <call>".
    class RaisingEvent {
    public:
        explicit RaisingEvent(EngineObject* object) : object_(object) { ++object_->raising_; }
        ~RaisingEvent() { --object_->raising_; }
        RaisingEvent(const RaisingEvent&) = delete;
        RaisingEvent& operator=(const RaisingEvent&) = delete;

    private:
        EngineObject* object_;
    };
    bool IsRaisingEvent() const { return raising_ > 0; }
    void DropByEngine();
    const EngineConfig& Config() const { return *config_; }
    const ConfigPtr& SharedConfig() const { return config_; }

protected:
    virtual ~EngineObject() = default;

private:
    void DeleteIfUnused();

    ConfigPtr config_;
    const wchar_t* logName_;
    LONG hostRefs_ = 0;
    LONG engineRefs_ = 0;
    int raising_ = 0;
};

// A counted reference that is released once: EngineRef counts in the engine's own count of an
// engine object, ComHolder in the COM count of anything else (the host's handlers, event arguments).
struct EngineCount {
    template <class T> static void Hold(T* object) { object->HoldByEngine(); }
    template <class T> static void Drop(T* object) { object->DropByEngine(); }
};
struct ComCount {
    template <class T> static void Hold(T* object) { object->AddRef(); }
    template <class T> static void Drop(T* object) { object->Release(); }
};

template <class T, class Count>
class CountedRef {
public:
    CountedRef() = default;
    explicit CountedRef(T* object) : object_(object) { Hold(); }
    CountedRef(const CountedRef& other) : object_(other.object_) { Hold(); }
    CountedRef(CountedRef&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
    CountedRef& operator=(CountedRef other) noexcept {
        std::swap(object_, other.object_);
        return *this;
    }
    ~CountedRef() {
        if (object_) Count::Drop(object_);
    }
    T* Get() const { return object_; }
    T* operator->() const { return object_; }
    explicit operator bool() const { return object_ != nullptr; }

private:
    void Hold() {
        if (object_) Count::Hold(object_);
    }
    T* object_ = nullptr;
};

template <class T> using EngineRef = CountedRef<T, EngineCount>;
template <class T> using ComHolder = CountedRef<T, ComCount>;

// QueryInterface of an object that implements exactly one interface besides IUnknown, whose IID is
// iid_of.h's or given.
template <class Interface>
HRESULT AnswerQuery(Interface* self, REFIID riid, void** object, const IID& iid = IidOf<Interface>()) {
    if (!object) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, iid)) {
        *object = self;
        self->AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

// A copy of the text made with the COM task allocator, as callers free out-strings.
inline LPWSTR CopyToTaskMemory(const std::wstring& text) {
    size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    auto copy = static_cast<LPWSTR>(CoTaskMemAlloc(bytes));
    if (copy) std::memcpy(copy, text.c_str(), bytes);
    return copy;
}
