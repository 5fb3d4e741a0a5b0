// Starts a program and measures, on the running X server, the time from exec
// to the mapping of its window with a given title and to the first paint of
// that window (its pixels no longer all alike: the first word is drawn), the
// resident memory at that paint, and the peak resident memory after it has
// settled. Prints "map_ms=<ms> paint_ms=<ms> paint_rss_kib=<KiB> rss_kib=<KiB>".
//
// With KELP_PROBE_SMAPS=<file>, the program's memory map at the paint is
// copied there (what is resident, mapping by mapping).
//
// usage: kelp_startup_probe <title> <settle-ms> <program> [args...]
#include <xcb/xcb.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

std::string property(xcb_connection_t *c, xcb_window_t w, xcb_atom_t atom)
{
    auto cookie = xcb_get_property(c, 0, w, atom, XCB_GET_PROPERTY_TYPE_ANY, 0, 1024);
    xcb_get_property_reply_t *reply = xcb_get_property_reply(c, cookie, nullptr);
    if (!reply)
        return {};
    std::string value(static_cast<const char *>(xcb_get_property_value(reply)),
                      static_cast<size_t>(xcb_get_property_value_length(reply)));
    std::free(reply);
    return value;
}

xcb_atom_t intern(xcb_connection_t *c, const char *name)
{
    auto cookie = xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name);
    xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(c, cookie, nullptr);
    if (!reply)
        return XCB_ATOM_NONE;
    xcb_atom_t atom = reply->atom;
    std::free(reply);
    return atom;
}

long statusKib(pid_t pid, const char *field)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    const size_t n = std::strlen(field);
    while (std::getline(status, line)) {
        if (line.compare(0, n, field) == 0)
            return std::strtol(line.c_str() + n, nullptr, 10);
    }
    return -1;
}

// True once the window's pixels are not all alike: something is drawn.
bool painted(xcb_connection_t *c, xcb_window_t window)
{
    auto geometry = xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr);
    if (!geometry)
        return false;
    const uint16_t w = geometry->width, h = geometry->height;
    std::free(geometry);
    auto image = xcb_get_image_reply(c, xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, window, 0, 0, w, h, ~0u), nullptr);
    if (!image)
        return false;
    const auto *pixels = reinterpret_cast<const uint32_t *>(xcb_get_image_data(image));
    const int count = xcb_get_image_data_length(image) / 4;
    bool varied = false;
    for (int i = 1; i < count && !varied; ++i)
        varied = (pixels[i] & 0xFFFFFF) != (pixels[0] & 0xFFFFFF);
    std::free(image);
    return varied;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s <title> <settle-ms> <program> [args...]\n", argv[0]);
        return 2;
    }
    const std::string title = argv[1];
    const int settleMs = std::atoi(argv[2]);

    xcb_connection_t *c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) {
        std::fprintf(stderr, "cannot connect to the X server\n");
        return 2;
    }
    xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(c, screen->root, XCB_CW_EVENT_MASK, &mask);
    const xcb_atom_t netWmName = intern(c, "_NET_WM_NAME");
    xcb_flush(c);

    const auto t0 = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        execvp(argv[3], argv + 3);
        _exit(127);
    }

    double mapMs = -1;
    xcb_window_t window = 0;
    const int fd = xcb_get_file_descriptor(c);
    while (mapMs < 0) {
        pollfd pfd{fd, POLLIN, 0};
        if (poll(&pfd, 1, 10000) <= 0)
            break;
        while (xcb_generic_event_t *ev = xcb_poll_for_event(c)) {
            if ((ev->response_type & 0x7f) == XCB_MAP_NOTIFY && mapMs < 0) {
                const auto now = std::chrono::steady_clock::now();
                auto *map = reinterpret_cast<xcb_map_notify_event_t *>(ev);
                const std::string name = property(c, map->window, netWmName);
                const std::string legacy = property(c, map->window, XCB_ATOM_WM_NAME);
                if (name == title || legacy == title) {
                    mapMs = std::chrono::duration<double, std::milli>(now - t0).count();
                    window = map->window;
                }
            }
            std::free(ev);
        }
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) {
            std::fprintf(stderr, "program ended before its window was mapped\n");
            return 1;
        }
    }
    double paintMs = -1;
    long paintRss = -1;
    while (mapMs >= 0 && paintMs < 0 && std::chrono::steady_clock::now() - t0 < std::chrono::seconds(10)) {
        if (painted(c, window)) {
            paintMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
            paintRss = statusKib(pid, "VmRSS:");
            if (const char *copy = std::getenv("KELP_PROBE_SMAPS"))
                std::ofstream(copy) << std::ifstream("/proc/" + std::to_string(pid) + "/smaps").rdbuf();
        } else {
            std::this_thread::sleep_for(std::chrono::microseconds(500));
        }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(settleMs));
    const long rss = statusKib(pid, "VmHWM:");
    kill(pid, SIGTERM);
    int status = 0;
    waitpid(pid, &status, 0);
    xcb_disconnect(c);
    if (mapMs < 0) {
        std::fprintf(stderr, "window \"%s\" never mapped\n", title.c_str());
        return 1;
    }
    std::printf("map_ms=%.1f paint_ms=%.1f paint_rss_kib=%ld rss_kib=%ld\n", mapMs, paintMs, paintRss, rss);
    return 0;
}
