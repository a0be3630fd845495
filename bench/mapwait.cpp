// Starts a program and waits for its window to be mapped on the X display, then prints the time
// from the start (ms) and ends the program. For the start-up benchmark, which must see the window
// the way a person does, from outside the program.
//   bench_mapwait TITLE PROGRAM [ARGUMENTS...]
// Needs a display without a window manager (Xvfb), where top-level windows are the root's
// children and their MapNotify comes to a client that watches the root's substructure.
#include <xcb/xcb.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {
std::string windowName(xcb_connection_t *connection, xcb_window_t window)
{
    const xcb_get_property_cookie_t cookie = xcb_get_property(
        connection, 0, window, XCB_ATOM_WM_NAME, XCB_GET_PROPERTY_TYPE_ANY, 0, 256);
    xcb_get_property_reply_t *reply = xcb_get_property_reply(connection, cookie, nullptr);
    std::string name;
    if (reply) {
        name.assign(static_cast<const char *>(xcb_get_property_value(reply)),
            size_t(xcb_get_property_value_length(reply)));
        std::free(reply);
    }
    return name;
}
} // namespace

int main(int argc, char **argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_mapwait TITLE PROGRAM [ARGUMENTS...]\n");
        return 64;
    }
    const std::string title = argv[1];
    xcb_connection_t *connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection)) {
        std::fprintf(stderr, "bench_mapwait: cannot open the display\n");
        return 1;
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(connection, root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(connection);

    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
        execvp(argv[2], argv + 2);
        std::perror("bench_mapwait: exec");
        _exit(127);
    }
    int status = 1;
    while (xcb_generic_event_t *event = xcb_wait_for_event(connection)) {
        const bool mapped = (event->response_type & 0x7F) == XCB_MAP_NOTIFY;
        const xcb_window_t window = reinterpret_cast<xcb_map_notify_event_t *>(event)->window;
        std::free(event);
        if (mapped && windowName(connection, window) == title) {
            const double ms = std::chrono::duration<double, std::milli>(
                std::chrono::steady_clock::now() - start)
                                  .count();
            std::printf("%.2f\n", ms);
            status = 0;
            break;
        }
    }
    kill(child, SIGTERM);
    waitpid(child, nullptr, 0);
    xcb_disconnect(connection);
    return status;
}
