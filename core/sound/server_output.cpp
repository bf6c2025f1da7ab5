#include "core/sound/server_output.h"

#include <pulse/pulseaudio.h>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <deque>
#include <limits>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace mox {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// How long the server has to answer a connection.
constexpr milliseconds kConnectDeadline{1500};
// With no server, how often a clip may make the output look for one.
constexpr milliseconds kLookInterval{3000};
// How long a new stream may take to become ready.
constexpr milliseconds kStreamDeadline{1000};
// How long the server has to answer a question (asked before each clip is
// written, and for the list of its devices).
constexpr milliseconds kAnswerDeadline{1000};
// While samples wait and the server asks for none, how soon it is asked
// whether it still answers.
constexpr milliseconds kQuietBeforeQuestion{300};
// What the server keeps of a stream ahead of the sink. A clip starts with
// its first frame whatever this is (see the pre-buffer below), so it buys
// no delay; asked smaller (40 ms), PipeWire ran its graph in periods short
// enough that a machine busy compiling dropped pieces of words.
constexpr pa_usec_t kStreamLatencyUs = 100'000;
// Clips up to this long are handed to the server whole.
constexpr pa_usec_t kWholeClipUs = 4'000'000;

constexpr Clock::time_point kNever = Clock::time_point::max();

std::optional<pa_sample_format_t> SampleFormatOf(const WaveFormat& f) {
    if (f.formatTag == 3 && f.bitsPerSample == 32) return PA_SAMPLE_FLOAT32LE;
    if (f.formatTag != 1) return std::nullopt;
    if (f.bitsPerSample == 8) return PA_SAMPLE_U8;
    if (f.bitsPerSample == 16) return PA_SAMPLE_S16LE;
    if (f.bitsPerSample == 32) return PA_SAMPLE_S32LE;
    return std::nullopt;
}

bool SameSpec(const pa_sample_spec& a, const pa_sample_spec& b) {
    return a.format == b.format && a.rate == b.rate && a.channels == b.channels;
}

// n bytes rounded down to whole frames.
size_t WholeFrames(size_t n, const pa_sample_spec& spec) {
    const size_t frame = spec.channels * pa_sample_size(&spec);
    return frame ? n - n % frame : 0;
}

// Unsigned 8-bit samples as signed 16-bit little-endian ones.
QByteArray Widened(const QByteArray& samples) {
    QByteArray wide(samples.size() * 2, Qt::Uninitialized);
    for (qsizetype i = 0; i < samples.size(); ++i) {
        const int v = (int(uint8_t(samples[i])) - 128) * 256;
        wide[2 * i] = char(v & 0xff);
        wide[2 * i + 1] = char((v >> 8) & 0xff);
    }
    return wide;
}

}  // namespace

class ServerClipOutput::Worker final : public SoundDeviceList {
public:
    explicit Worker(milliseconds idleClose) : idleClose_(idleClose) {
        mainloop_ = pa_mainloop_new();
        if (mainloop_) thread_ = std::thread([this] { Run(); });
    }

    ~Worker() override {
        if (!mainloop_) return;
        {
            std::lock_guard lock(mutex_);
            quit_ = true;
        }
        pa_mainloop_wakeup(mainloop_);
        thread_.join();
        pa_mainloop_free(mainloop_);
    }

    enum class Kind { Play, Stop, Close };
    void Post(Kind kind, WaveClip clip = {}) {
        if (!mainloop_) return;
        {
            std::lock_guard lock(mutex_);
            commands_.push_back({kind, std::move(clip)});
        }
        pa_mainloop_wakeup(mainloop_);
    }

    QList<SoundDevice> Outputs() const override {
        std::lock_guard lock(mutex_);
        return published_.outputs;
    }
    QList<SoundDevice> Inputs() const override {
        std::lock_guard lock(mutex_);
        return published_.inputs;
    }
    bool Known() const override {
        std::lock_guard lock(mutex_);
        return published_.known;
    }

private:
    struct Command {
        Kind kind;
        WaveClip clip;
    };

    // The samples of one clip handed to a stream, written as the server asks.
    struct Part {
        QByteArray samples;
        qsizetype written = 0;
        qint64 durationUs = 0;
        bool confirmed = false;  // the server answered after it came
    };

    // One stream of one sample format.
    struct Lane {
        Worker* owner = nullptr;
        pa_sample_spec spec{};
        pa_stream* stream = nullptr;
        bool ready = false;
        bool broken = false;  // failed, or ended by the server
        std::deque<Part> parts;
        pa_operation* question = nullptr;  // unanswered, while not null
        Clock::time_point readyBy = kNever;
        Clock::time_point answerBy = kNever;
        Clock::time_point lastRequest{};
        Clock::time_point playsUntil{};  // what was handed over has played by then

        bool Waiting() const { return !parts.empty(); }
    };

    enum class Link { None, Connecting, Ready };

    // ---- the thread ----

    void Run() {
        Look(/*force=*/true);
        for (;;) {
            std::deque<Command> commands;
            {
                std::lock_guard lock(mutex_);
                if (quit_) break;
                commands.swap(commands_);
            }
            for (Command& c : commands) Handle(c);
            Housekeep();
            if (pa_mainloop_prepare(mainloop_, TimeoutUs()) < 0) break;
            if (pa_mainloop_poll(mainloop_) < 0) break;
            if (pa_mainloop_dispatch(mainloop_) < 0) break;
        }
        LetGo();
    }

    void Handle(Command& c) {
        switch (c.kind) {
            case Kind::Play:
                Take(std::move(c.clip));
                break;
            case Kind::Stop:
                waiting_.clear();
                if (Lane* lane = FindLane(last_)) {
                    lane->parts.clear();
                    if (lane->ready)
                        if (pa_operation* o = pa_stream_flush(lane->stream, nullptr, nullptr)) pa_operation_unref(o);
                }
                break;
            case Kind::Close:
                waiting_.clear();
                while (!lanes_.empty()) CloseLane(lanes_.back().get());
                break;
        }
    }

    void Take(WaveClip clip) {
        if (link_ == Link::Ready && listed_) {
            Hand(std::move(clip));
            return;
        }
        // Without a server the clip waits for one attempt to reach it.
        if (link_ == Link::None && !Look(/*force=*/false)) return;
        waiting_.push_back(std::move(clip));
    }

    // The clip to the stream of its format, opened when there is none.
    void Hand(WaveClip clip) {
        std::optional<pa_sample_format_t> format = SampleFormatOf(clip.format);
        if (!format) return;
        if (*format == PA_SAMPLE_U8) {
            // PipeWire fills the gaps of an 8-bit stream with 0, the lowest
            // level instead of the middle: 16-bit is silent there.
            clip.samples = Widened(clip.samples);
            format = PA_SAMPLE_S16LE;
        }
        pa_sample_spec spec{*format, clip.format.samplesPerSec, uint8_t(clip.format.channels)};
        if (!pa_sample_spec_valid(&spec)) return;
        Lane* lane = nullptr;
        for (auto& l : lanes_)
            if (SameSpec(l->spec, spec)) lane = l.get();
        if (!lane) lane = OpenLane(spec);
        if (!lane) return;
        last_ = lane;
        const qint64 durationUs = clip.DurationUs();
        lane->parts.push_back({std::move(clip.samples), 0, durationUs, false});
        // A ready stream is written only after the server has answered once
        // more; a new one, when it becomes ready (that is its answer).
        if (lane->ready) Ask(*lane);
    }

    Lane* OpenLane(const pa_sample_spec& spec) {
        pa_channel_map map;
        if (!pa_channel_map_init_extend(&map, spec.channels, PA_CHANNEL_MAP_WAVEEX)) return nullptr;
        pa_stream* stream = pa_stream_new(context_, "voice", &spec, &map);
        if (!stream) return nullptr;
        auto lane = std::make_unique<Lane>();
        lane->owner = this;
        lane->spec = spec;
        lane->stream = stream;
        pa_stream_set_write_callback(stream, &Worker::OnWritable, lane.get());

        // No pre-buffering beyond one frame: the stream sounds as soon as
        // anything is written, and after running empty it waits for the next
        // clip instead of playing on into it. Every stream asks for the same
        // buffer: one that asked for what the last was granted would get less
        // at each opening (the server grants a part of a latency asked for).
        pa_buffer_attr attr;
        attr.maxlength = std::numeric_limits<uint32_t>::max();
        attr.tlength = uint32_t(pa_usec_to_bytes(kStreamLatencyUs, &spec));
        attr.prebuf = uint32_t(pa_frame_size(&spec));
        attr.minreq = std::numeric_limits<uint32_t>::max();
        attr.fragsize = std::numeric_limits<uint32_t>::max();
        // The preferred speakers when listed now, else the server's default
        // output of this moment.
        const QByteArray device = PreferredOutputDevice(listedNow_);
        if (pa_stream_connect_playback(stream, device.isEmpty() ? nullptr : device.constData(), &attr,
                                       PA_STREAM_ADJUST_LATENCY, nullptr, nullptr) < 0) {
            pa_stream_set_write_callback(stream, nullptr, nullptr);
            pa_stream_unref(stream);
            return nullptr;
        }
        lane->readyBy = Clock::now() + kStreamDeadline;
        lanes_.push_back(std::move(lane));
        return lanes_.back().get();
    }

    void CloseLane(Lane* lane) {
        if (lane->question) {
            pa_operation_cancel(lane->question);
            pa_operation_unref(lane->question);
        }
        pa_stream_set_write_callback(lane->stream, nullptr, nullptr);
        if (pa_stream_get_state(lane->stream) == PA_STREAM_READY ||
            pa_stream_get_state(lane->stream) == PA_STREAM_CREATING)
            pa_stream_disconnect(lane->stream);
        pa_stream_unref(lane->stream);
        if (last_ == lane) last_ = nullptr;
        std::erase_if(lanes_, [lane](const auto& l) { return l.get() == lane; });
    }

    Lane* FindLane(Lane* lane) {
        for (auto& l : lanes_)
            if (l.get() == lane) return lane;
        return nullptr;
    }

    // Asks the server a question it answers at once; until it does, nothing
    // more is written.
    void Ask(Lane& lane) {
        if (lane.question) return;
        lane.question = pa_stream_update_timing_info(lane.stream, &Worker::OnAnswer, &lane);
        if (!lane.question) {
            lane.broken = true;
            return;
        }
        lane.answerBy = Clock::now() + kAnswerDeadline;
    }

    void Answered(Lane& lane) {
        const Clock::time_point now = Clock::now();
        for (Part& part : lane.parts) {
            if (part.confirmed) continue;
            part.confirmed = true;
            lane.playsUntil = std::max(lane.playsUntil, now) + std::chrono::microseconds(part.durationUs);
        }
        Feed(lane);
    }

    // Writes the clips the server has answered for. A clip of a few seconds
    // goes whole at once, so that a server busy elsewhere never runs short
    // in the middle of a word; a longer one as the server asks for it.
    void Feed(Lane& lane) {
        if (!lane.ready || lane.broken) return;
        size_t room = pa_stream_writable_size(lane.stream);
        if (room == size_t(-1)) {
            lane.broken = true;
            return;
        }
        while (!lane.parts.empty() && lane.parts.front().confirmed) {
            Part& part = lane.parts.front();
            const size_t left = size_t(part.samples.size() - part.written);
            const bool whole = size_t(part.samples.size()) <= pa_usec_to_bytes(kWholeClipUs, &lane.spec);
            const size_t length = WholeFrames(whole ? left : std::min(room, left), lane.spec);
            if (length == 0) return;  // until the server asks for more
            if (pa_stream_write(lane.stream, part.samples.constData() + part.written, length, nullptr, 0,
                                PA_SEEK_RELATIVE) < 0) {
                lane.broken = true;
                return;
            }
            part.written += qsizetype(length);
            room = length < room ? room - length : 0;
            if (part.written >= part.samples.size()) lane.parts.pop_front();
        }
    }

    // ---- the connection ----

    // Starts an attempt to reach the server; false when the last attempt was
    // too recent (a clip then plays nothing).
    bool Look(bool force) {
        const Clock::time_point now = Clock::now();
        if (!force && now < lastLook_ + kLookInterval) return false;
        lastLook_ = now;
        pa_proplist* properties = pa_proplist_new();
        pa_proplist_sets(properties, PA_PROP_APPLICATION_NAME, "MOX-Chart");
        context_ = pa_context_new_with_proplist(pa_mainloop_get_api(mainloop_), "MOX-Chart", properties);
        pa_proplist_free(properties);
        if (!context_) return false;
        pa_context_set_subscribe_callback(context_, &Worker::OnServerEvent, this);
        // Never start a server of our own: the desktop owns it.
        if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
            LetGo();
            return false;
        }
        link_ = Link::Connecting;
        connectBy_ = now + kConnectDeadline;
        return true;
    }

    // Drops the connection, every stream and every clip waiting.
    void LetGo() {
        waiting_.clear();
        while (!lanes_.empty()) CloseLane(lanes_.back().get());
        if (context_) {
            pa_context_set_subscribe_callback(context_, nullptr, nullptr);
            pa_context_disconnect(context_);
            pa_context_unref(context_);
            context_ = nullptr;
        }
        link_ = Link::None;
        listed_ = false;
        listing_ = 0;
        relist_ = false;
        connectBy_ = kNever;
        listBy_ = kNever;
        listedNow_ = ListedSoundDevices();
        listedNow_.known = false;
        Publish();
    }

    void List() {
        relist_ = false;
        if (listing_ > 0) {
            relist_ = true;  // once the lists under way are in
            return;
        }
        nextOutputs_.clear();
        nextInputs_.clear();
        pa_operation* sinks = pa_context_get_sink_info_list(context_, &Worker::OnSink, this);
        pa_operation* sources = pa_context_get_source_info_list(context_, &Worker::OnSource, this);
        if (!sinks || !sources) {
            if (sinks) pa_operation_unref(sinks);
            if (sources) pa_operation_unref(sources);
            contextLost_ = true;
            return;
        }
        pa_operation_unref(sinks);
        pa_operation_unref(sources);
        listing_ = 2;
        listBy_ = Clock::now() + kAnswerDeadline;
    }

    void Listed() {
        if (--listing_ > 0) return;
        listBy_ = kNever;
        listedNow_.outputs = nextOutputs_;
        listedNow_.inputs = nextInputs_;
        listedNow_.known = true;
        listed_ = true;
        Publish();
        if (relist_) List();
    }

    void Publish() {
        std::lock_guard lock(mutex_);
        published_ = listedNow_;
    }

    // ---- after every round of the loop ----

    void Housekeep() {
        const Clock::time_point now = Clock::now();
        if (context_ && !contextLost_) {
            const pa_context_state_t state = pa_context_get_state(context_);
            if (state == PA_CONTEXT_FAILED || state == PA_CONTEXT_TERMINATED) contextLost_ = true;
            if (state == PA_CONTEXT_READY && link_ == Link::Connecting) {
                link_ = Link::Ready;
                connectBy_ = kNever;
                if (pa_operation* o = pa_context_subscribe(
                        context_, pa_subscription_mask_t(PA_SUBSCRIPTION_MASK_SINK | PA_SUBSCRIPTION_MASK_SOURCE),
                        nullptr, nullptr))
                    pa_operation_unref(o);
                List();
            }
        }
        // A server that misses a deadline is gone for the output.
        if (now >= connectBy_ || now >= listBy_) contextLost_ = true;
        for (auto& lane : lanes_)
            if (now >= lane->readyBy || now >= lane->answerBy) contextLost_ = true;
        if (contextLost_) {
            contextLost_ = false;
            LetGo();
            return;
        }
        if (link_ != Link::Ready) return;
        if (relist_ && listing_ == 0) List();
        if (listed_ && !waiting_.empty()) {
            std::deque<WaveClip> clips;
            clips.swap(waiting_);
            for (WaveClip& clip : clips) Hand(std::move(clip));
        }

        std::vector<Lane*> closing;
        for (auto& owned : lanes_) {
            Lane& lane = *owned;
            const pa_stream_state_t state = pa_stream_get_state(lane.stream);
            if (state == PA_STREAM_FAILED || state == PA_STREAM_TERMINATED) lane.broken = true;
            if (lane.broken) {
                closing.push_back(&lane);
                continue;
            }
            if (state == PA_STREAM_READY && !lane.ready) {
                lane.ready = true;
                lane.readyBy = kNever;
                lane.lastRequest = now;
                Answered(lane);
            }
            if (!lane.ready) continue;
            if (lane.Waiting() && !lane.question && now >= lane.lastRequest + kQuietBeforeQuestion) Ask(lane);
            if (!lane.Waiting() && now >= lane.playsUntil + idleClose_) closing.push_back(&lane);
        }
        for (Lane* lane : closing) CloseLane(lane);
    }

    // Until the next deadline, in microseconds for the loop; -1 for none.
    int TimeoutUs() const {
        Clock::time_point next = std::min(connectBy_, listBy_);
        for (const auto& lane : lanes_) {
            next = std::min({next, lane->readyBy, lane->answerBy});
            if (!lane->ready) continue;
            if (lane->Waiting() && !lane->question) next = std::min(next, lane->lastRequest + kQuietBeforeQuestion);
            if (!lane->Waiting()) next = std::min(next, lane->playsUntil + idleClose_);
        }
        if (next == kNever) return -1;
        const auto us = std::chrono::duration_cast<std::chrono::microseconds>(next - Clock::now()).count();
        // A little late rather than early, so that the deadline has passed.
        return int(std::clamp<long long>(us + 1000, 0, 60'000'000));
    }

    // ---- the client library's callbacks (states are read after each round) ----

    static void OnServerEvent(pa_context*, pa_subscription_event_type_t, uint32_t, void* self) {
        static_cast<Worker*>(self)->relist_ = true;
    }

    static void OnSink(pa_context*, const pa_sink_info* info, int eol, void* self) {
        auto* w = static_cast<Worker*>(self);
        if (eol < 0) w->contextLost_ = true;
        if (eol != 0) return w->Listed();
        w->nextOutputs_.append({QByteArray(info->name), QString::fromUtf8(info->description)});
    }

    static void OnSource(pa_context*, const pa_source_info* info, int eol, void* self) {
        auto* w = static_cast<Worker*>(self);
        if (eol < 0) w->contextLost_ = true;
        if (eol != 0) return w->Listed();
        // A sink's monitor is no input a user would name.
        if (info->monitor_of_sink != PA_INVALID_INDEX) return;
        w->nextInputs_.append({QByteArray(info->name), QString::fromUtf8(info->description)});
    }

    static void OnWritable(pa_stream*, size_t, void* lane) {
        auto* l = static_cast<Lane*>(lane);
        l->lastRequest = Clock::now();
        l->owner->Feed(*l);
    }

    static void OnAnswer(pa_stream*, int success, void* lane) {
        auto* l = static_cast<Lane*>(lane);
        pa_operation_unref(l->question);
        l->question = nullptr;
        l->answerBy = kNever;
        if (!success) {
            l->broken = true;
            return;
        }
        l->lastRequest = Clock::now();
        l->owner->Answered(*l);
    }

    // Shared with the window's thread.
    mutable std::mutex mutex_;
    bool quit_ = false;
    std::deque<Command> commands_;
    ListedSoundDevices published_ = [] {
        ListedSoundDevices unknown;
        unknown.known = false;
        return unknown;
    }();

    // The thread's own.
    const milliseconds idleClose_;  // a stream that has played nothing for this long is closed
    pa_mainloop* mainloop_ = nullptr;
    std::thread thread_;
    pa_context* context_ = nullptr;
    Link link_ = Link::None;
    bool contextLost_ = false;
    Clock::time_point lastLook_{};
    Clock::time_point connectBy_ = kNever;
    Clock::time_point listBy_ = kNever;
    bool listed_ = false;
    int listing_ = 0;
    bool relist_ = false;
    QList<SoundDevice> nextOutputs_;
    QList<SoundDevice> nextInputs_;
    ListedSoundDevices listedNow_;
    std::deque<WaveClip> waiting_;
    std::vector<std::unique_ptr<Lane>> lanes_;
    Lane* last_ = nullptr;
};

ServerClipOutput::ServerClipOutput(std::chrono::milliseconds idleClose)
    : worker_(std::make_unique<Worker>(idleClose)) {}

ServerClipOutput::~ServerClipOutput() = default;

bool ServerClipOutput::Open() {
    open_ = true;
    return true;
}

void ServerClipOutput::Close() {
    open_ = false;
    worker_->Post(Worker::Kind::Close);
}

bool ServerClipOutput::Play(const WaveClip& clip) {
    if (!open_ || !SampleFormatOf(clip.format)) return false;
    worker_->Post(Worker::Kind::Play, clip);
    return true;
}

void ServerClipOutput::Stop() { worker_->Post(Worker::Kind::Stop); }

const SoundDeviceList& ServerClipOutput::Devices() const { return *worker_; }

}  // namespace mox
