// Every keyboard under /dev/input, read through the kernel's evdev interface, on the console,
// under Wayland and under X alike. Keyboards plugged in later are found (inotify on the
// folder), and one that disappears is dropped. Reading needs root or the `input` group.
//
// Each device is a stream of `input_event` structs; libevdev tells keyboards from the other
// devices. A stream is read here directly, so that any descriptor carrying such a stream (a
// pipe, in tests and benchmarks) can stand in for a device.
#pragma once

#include "sim/KeySource.h"

#include <cstddef>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace sim {

class EvdevKeySource final : public KeySource {
public:
    // Watches `folder` for devices; scan() opens those there already.
    explicit EvdevKeySource(std::filesystem::path folder = "/dev/input");
    ~EvdevKeySource() override;
    EvdevKeySource(const EvdevKeySource&) = delete;
    EvdevKeySource& operator=(const EvdevKeySource&) = delete;

    // Opens every keyboard in the folder and starts watching it. An error when the folder
    // cannot be watched, or when no keyboard could be opened because access was refused.
    std::optional<std::string> scan();
    // Reads `fd` (taken over) as one more keyboard's stream of events.
    void addStream(int fd, const std::string& name);
    std::size_t keyboards() const { return m_streams.size(); }

    int fd() const override { return m_poll; }
    bool read(KeyBatch& batch) override;
    std::string description() const override;

private:
    struct Stream {
        int fd = -1;
        std::string path; // empty for a stream added by hand
        std::string name;
        std::vector<unsigned char> pending; // a part of an event not yet read
        bool dropping = false;              // the kernel dropped events: skip to the next report
    };

    enum class Opened { Keyboard, NotAKeyboard, Refused, Failed };
    Opened open(const std::filesystem::path& path, KeyBatch* batch);
    // False once the stream has ended.
    bool drain(Stream& stream, KeyBatch& batch);
    void remove(Stream* stream, KeyBatch& batch);
    void onFolderChanged(KeyBatch& batch);

    std::filesystem::path m_folder;
    int m_poll = -1;   // epoll over the streams and the folder's watch
    int m_notify = -1; // inotify on the folder
    std::vector<std::unique_ptr<Stream>> m_streams;
};

} // namespace sim
