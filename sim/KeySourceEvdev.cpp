#include "sim/KeySourceEvdev.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <libevdev/libevdev.h>
#include <linux/input.h>
#include <sys/epoll.h>
#include <sys/inotify.h>
#include <unistd.h>

namespace sim {

namespace {

bool isEventNode(const std::string& name) {
    return name.rfind("event", 0) == 0;
}

} // namespace

EvdevKeySource::EvdevKeySource(std::filesystem::path folder)
    : m_folder(std::move(folder)), m_poll(epoll_create1(EPOLL_CLOEXEC)) {}

EvdevKeySource::~EvdevKeySource() {
    for (const auto& stream : m_streams)
        close(stream->fd);
    if (m_notify >= 0)
        close(m_notify);
    if (m_poll >= 0)
        close(m_poll);
}

std::optional<std::string> EvdevKeySource::scan() {
    if (m_poll < 0)
        return std::string("cannot poll: ") + std::strerror(errno);
    m_notify = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    // IN_ATTRIB too: udev creates a node first and grants access to it a moment later.
    if (m_notify < 0 ||
        inotify_add_watch(m_notify, m_folder.c_str(), IN_CREATE | IN_ATTRIB | IN_MOVED_TO) < 0)
        return "cannot watch " + m_folder.string() + ": " + std::strerror(errno);
    epoll_event watch{EPOLLIN, {.ptr = nullptr}};
    epoll_ctl(m_poll, EPOLL_CTL_ADD, m_notify, &watch);
    std::vector<std::filesystem::path> nodes;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(m_folder, ec))
        if (isEventNode(entry.path().filename().string()))
            nodes.push_back(entry.path());
    std::sort(nodes.begin(), nodes.end());
    std::optional<std::filesystem::path> refused;
    for (const auto& node : nodes)
        if (open(node, nullptr) == Opened::Refused && !refused)
            refused = node;
    if (m_streams.empty() && refused)
        return "cannot read " + refused->string() +
               ": permission denied. Reading the keyboards needs root, or membership of the "
               "`input` group: sudo usermod -aG input $USER, then log out and in again (or "
               "run under X11 with --input x11, which needs no privileges)";
    return std::nullopt;
}

EvdevKeySource::Opened EvdevKeySource::open(const std::filesystem::path& path, KeyBatch* batch) {
    for (const auto& stream : m_streams)
        if (stream->path == path)
            return Opened::Keyboard;
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return errno == EACCES || errno == EPERM ? Opened::Refused : Opened::Failed;
    libevdev* device = nullptr;
    if (libevdev_new_from_fd(fd, &device) != 0) {
        close(fd);
        return Opened::Failed;
    }
    // A keyboard types letters; power buttons, mice and lid switches send keys of other kinds.
    const bool keyboard = libevdev_has_event_code(device, EV_KEY, KEY_A) &&
                          libevdev_has_event_code(device, EV_KEY, KEY_SPACE);
    std::string name = libevdev_get_name(device) ? libevdev_get_name(device) : "keyboard";
    libevdev_free(device);
    if (!keyboard) {
        close(fd);
        return Opened::NotAKeyboard;
    }
    addStream(fd, name);
    m_streams.back()->path = path.string();
    if (batch)
        batch->notices.push_back("a keyboard was plugged in: " + name);
    return Opened::Keyboard;
}

void EvdevKeySource::addStream(int fd, const std::string& name) {
    auto stream = std::make_unique<Stream>();
    stream->fd = fd;
    stream->name = name;
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    epoll_event event{EPOLLIN, {.ptr = stream.get()}};
    epoll_ctl(m_poll, EPOLL_CTL_ADD, fd, &event);
    m_streams.push_back(std::move(stream));
}

bool EvdevKeySource::read(KeyBatch& batch) {
    epoll_event ready[16];
    int n = epoll_wait(m_poll, ready, 16, 0);
    for (int i = 0; i < n; ++i) {
        auto* stream = static_cast<Stream*>(ready[i].data.ptr);
        if (!stream)
            onFolderChanged(batch);
        else if (!drain(*stream, batch))
            remove(stream, batch);
    }
    return true;
}

bool EvdevKeySource::drain(Stream& stream, KeyBatch& batch) {
    unsigned char bytes[64 * sizeof(input_event)];
    for (;;) {
        ssize_t n = ::read(stream.fd, bytes, sizeof bytes);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EAGAIN)
            return true;
        if (n <= 0)
            return false; // ENODEV when unplugged; the end of a pipe
        stream.pending.insert(stream.pending.end(), bytes, bytes + n);
        std::size_t used = 0;
        for (; used + sizeof(input_event) <= stream.pending.size(); used += sizeof(input_event)) {
            input_event event;
            std::memcpy(&event, stream.pending.data() + used, sizeof event);
            if (event.type == EV_SYN && event.code == SYN_DROPPED) {
                stream.dropping = true;
            } else if (event.type == EV_SYN && event.code == SYN_REPORT) {
                stream.dropping = false;
            } else if (!stream.dropping && event.type == EV_KEY && event.value == 1) {
                // 1 a press, 2 a repeat, 0 a release.
                if (std::optional<Click> click = clickForKeyCode(event.code))
                    batch.clicks.push_back(*click);
            }
            // Nothing of the event outlives this loop: the key's code is forgotten here.
            std::memset(&event, 0, sizeof event);
        }
        stream.pending.erase(stream.pending.begin(),
                             stream.pending.begin() + static_cast<std::ptrdiff_t>(used));
    }
}

void EvdevKeySource::remove(Stream* stream, KeyBatch& batch) {
    epoll_ctl(m_poll, EPOLL_CTL_DEL, stream->fd, nullptr);
    close(stream->fd);
    batch.notices.push_back("a keyboard went away: " + stream->name);
    std::erase_if(m_streams, [&](const auto& s) { return s.get() == stream; });
}

void EvdevKeySource::onFolderChanged(KeyBatch& batch) {
    alignas(inotify_event) char buffer[4096];
    for (;;) {
        ssize_t n = ::read(m_notify, buffer, sizeof buffer);
        if (n <= 0)
            return;
        for (ssize_t at = 0; at < n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            if (event->len > 0 && isEventNode(event->name))
                open(m_folder / event->name, &batch);
        }
    }
}

std::string EvdevKeySource::description() const {
    std::size_t n = m_streams.size();
    return "evdev (" +
           (n == 0   ? std::string("no keyboard yet")
            : n == 1 ? "1 keyboard"
                     : std::to_string(n) + " keyboards") +
           " under " + m_folder.string() + ")";
}

OpenedKeySource openEvdevKeySource() {
    auto source = std::make_unique<EvdevKeySource>();
    if (std::optional<std::string> error = source->scan())
        return {nullptr, "evdev: " + *error};
    return {std::move(source), {}};
}

} // namespace sim
