// The keys of an X display through the RECORD extension: the X server copies every key event
// of every client to a second connection of ours. It needs no privileges, and hears only what
// the X server hears (under Wayland, only the keys typed into X windows).
#include "sim/KeySource.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/Xproto.h>
#include <X11/extensions/record.h>
#include <array>
#include <cstdlib>
#include <cstring>
#include <poll.h>

namespace sim {

namespace {

class X11KeySource final : public KeySource {
public:
    ~X11KeySource() override {
        if (m_context && !m_lost) {
            XRecordDisableContext(m_control, m_context);
            XRecordFreeContext(m_control, m_context);
            XSync(m_control, False);
        }
        if (m_data)
            XCloseDisplay(m_data);
        if (m_control)
            XCloseDisplay(m_control);
    }

    std::optional<std::string> open() {
        const char* display = std::getenv("DISPLAY");
        if (!display || !*display)
            return std::string("no display is set (DISPLAY)");
        m_name = display;
        m_control = XOpenDisplay(nullptr);
        m_data = m_control ? XOpenDisplay(nullptr) : nullptr;
        if (!m_data)
            return "cannot open the display " + m_name;
        // A lost display ends the source, not the process.
        XSetIOErrorExitHandler(m_control, onLostDisplay, this);
        XSetIOErrorExitHandler(m_data, onLostDisplay, this);
        int major = 0, minor = 0;
        if (!XRecordQueryVersion(m_control, &major, &minor))
            return "the display " + m_name + " has no RECORD extension";
        XRecordRange* range = XRecordAllocRange();
        if (!range)
            return std::string("out of memory");
        range->device_events.first = KeyPress;
        range->device_events.last = KeyRelease;
        XRecordClientSpec clients = XRecordAllClients;
        m_context = XRecordCreateContext(m_control, 0, &clients, 1, &range, 1);
        XFree(range);
        XSync(m_control, False);
        if (!m_context || !XRecordEnableContextAsync(m_data, m_context, onRecorded,
                                                     reinterpret_cast<XPointer>(this)))
            return "the display " + m_name + " refused to record its keys";
        return std::nullopt;
    }

    int fd() const override { return ConnectionNumber(m_data); }

    bool read(KeyBatch& batch) override {
        if (m_lost)
            return false;
        m_batch = &batch;
        XRecordProcessReplies(m_data);
        m_batch = nullptr;
        pollfd p{ConnectionNumber(m_data), POLLIN, 0};
        if (!m_lost && poll(&p, 1, 0) == 1 && (p.revents & (POLLHUP | POLLERR)))
            m_lost = true;
        return !m_lost;
    }

    std::string problem() const override { return "the display " + m_name + " went away"; }
    std::string description() const override { return "X11 (the display " + m_name + ")"; }

private:
    static void onLostDisplay(Display*, void* self) {
        static_cast<X11KeySource*>(self)->m_lost = true;
    }

    static void onRecorded(XPointer self, XRecordInterceptData* data) {
        auto& source = *reinterpret_cast<X11KeySource*>(self);
        if (data->category == XRecordFromServer && data->data_len * 4 >= sizeof(xEvent)) {
            xEvent event;
            std::memcpy(&event, data->data, sizeof event);
            source.onKey(event.u.u.type & 0x7f, event.u.u.detail, event.u.keyButtonPointer.time);
            std::memset(&event, 0, sizeof event);
        }
        XRecordFreeData(data);
    }

    // Auto-repeat reaches RECORD either as presses of a key already down, or as a release and
    // a press at the same server time; neither is a new press.
    void onKey(int type, unsigned keycode, Time time) {
        if (keycode >= m_down.size())
            return;
        if (type == KeyRelease) {
            m_down[keycode] = false;
            m_releasedAt[keycode] = time;
            return;
        }
        if (type != KeyPress)
            return;
        const bool repeat = m_down[keycode] || (m_releasedAt[keycode] == time && time != 0);
        m_down[keycode] = true;
        if (repeat || !m_batch)
            return;
        KeySym keysym = XkbKeycodeToKeysym(m_control, static_cast<KeyCode>(keycode), 0, 0);
        if (std::optional<Click> click = clickForKeysym(keysym))
            m_batch->clicks.push_back(*click);
    }

    std::string m_name;
    Display* m_control = nullptr;
    Display* m_data = nullptr;
    XRecordContext m_context = 0;
    bool m_lost = false;
    KeyBatch* m_batch = nullptr;
    std::array<bool, 256> m_down{};
    std::array<Time, 256> m_releasedAt{};
};

} // namespace

OpenedKeySource openX11KeySource() {
    auto source = std::make_unique<X11KeySource>();
    if (std::optional<std::string> error = source->open())
        return {nullptr, "x11: " + *error};
    return {std::move(source), {}};
}

} // namespace sim
