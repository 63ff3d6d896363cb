// What system sounds cost their caller: creating one from a note (the whole decode), and
// playing one that exists (handing it to the audio thread).
#include "audiotoolbox/AudioServices.h"
#include "audiotoolbox/Output.h"
#include "device/Root.h"
#include "support/RecordingOutput.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const std::string kNotes = "/Library/Application Support/Tapsonata";

// A device root with the 45 notes, for the whole run.
class NotesRoot {
public:
    NotesRoot() {
        std::string pattern = (fs::temp_directory_path() / "tapsonata-bench-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            std::abort();
        m_path = pattern;
        device::setRoot(m_path);
        fs::path notes = device::resolve(kNotes);
        fs::create_directories(notes);
        fs::copy(TAPSONATA_RESOURCES_DIR, notes, fs::copy_options::recursive);
        for (const auto& entry : fs::recursive_directory_iterator(notes))
            if (entry.path().extension() == ".mp3")
                m_devicePaths.push_back(kNotes + "/" + fs::relative(entry.path(), notes).string());
    }
    ~NotesRoot() {
        device::setRoot({});
        std::error_code ec;
        fs::remove_all(m_path, ec);
    }
    const std::vector<std::string>& notes() const { return m_devicePaths; }

private:
    fs::path m_path;
    std::vector<std::string> m_devicePaths;
};

NotesRoot& root() {
    static NotesRoot r;
    return r;
}

// One system sound per call, from each of the 45 notes in turn, decoding included; disposed of
// again so that the registry stays small.
void BM_CreateSystemSoundFromNote(benchmark::State& state) {
    std::vector<objc::Ref<NS::URL>> urls;
    for (const auto& path : root().notes())
        urls.push_back(NS::URL::fileURLWithPath(path));
    std::size_t next = 0;
    for (auto _ : state) {
        SystemSoundID id = 0;
        OSStatus status = AudioServicesCreateSystemSoundID(urls[next].ptr(), &id);
        if (status != kAudioServicesNoError) {
            state.SkipWithError("a note did not decode");
            break;
        }
        AudioServicesDisposeSystemSoundID(id);
        next = (next + 1) % urls.size();
    }
    state.counters["notes"] = static_cast<double>(urls.size());
}
BENCHMARK(BM_CreateSystemSoundFromNote)->Unit(benchmark::kMillisecond);

// A sound made from the first note, to play to a recording output; 0 (and the run marked
// failed) when it does not decode.
SystemSoundID firstNote(benchmark::State& state) {
    SystemSoundID id = 0;
    auto url = NS::URL::fileURLWithPath(root().notes().front());
    if (AudioServicesCreateSystemSoundID(url.ptr(), &id) != kAudioServicesNoError) {
        state.SkipWithError("the note did not decode");
        return 0;
    }
    return id;
}

// The caller's side of a play: look the sound up, stamp it and queue it for the audio thread,
// which hands it to a recording output.
void BM_PlayExistingSound(benchmark::State& state) {
    auto recording = std::make_shared<support::RecordingOutput>();
    audio::setOutput(recording);
    SystemSoundID id = firstNote(state);
    if (!id)
        return;
    const auto droppedBefore = audio::droppedPlays();
    std::size_t played = 0;
    for (auto _ : state) {
        AudioServicesPlaySystemSound(id);
        if (++played % 65536 == 0)
            recording->clear(); // keeps the record from growing for the whole run
    }
    audio::waitForPendingPlays();
    state.counters["dropped"] = static_cast<double>(audio::droppedPlays() - droppedBefore);
    audio::setOutput(nullptr);
    AudioServicesDisposeSystemSoundID(id);
}
BENCHMARK(BM_PlayExistingSound)->Unit(benchmark::kMicrosecond);

// The same, one play at a time, as key clicks come: the audio thread is asleep each time, so
// the caller also pays for waking it. Only the call is timed, not the wait for delivery.
void BM_PlayExistingSoundToAnIdleAudioThread(benchmark::State& state) {
    auto recording = std::make_shared<support::RecordingOutput>();
    audio::setOutput(recording);
    SystemSoundID id = firstNote(state);
    if (!id)
        return;
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        AudioServicesPlaySystemSound(id);
        auto end = std::chrono::steady_clock::now();
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
        audio::waitForPendingPlays();
        recording->clear();
    }
    audio::setOutput(nullptr);
    AudioServicesDisposeSystemSoundID(id);
}
BENCHMARK(BM_PlayExistingSoundToAnIdleAudioThread)->UseManualTime()->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
