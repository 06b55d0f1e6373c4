// Start-up benchmark: runs two programs in alternation, many rounds, and reports for each
// the median time from fork until its window is mapped on the X display and the median
// peak resident memory (wait4's ru_maxrss). Every top-level map on the root window counts
// as "the window is up", so the display must run nothing else (bench/run makes its own).
//
//   startup_bench ROUNDS NAME=PROGRAM NAME=PROGRAM
#include <xcb/xcb.h>

#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Program
{
    std::string name;
    std::string path;
    std::vector<double> millis;
    std::vector<double> maxrssKib;
};

// Waits for a MapNotify of a child of the root window; false after a 10 s timeout.
bool waitForMap(xcb_connection_t *conn)
{
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    pollfd pfd{xcb_get_file_descriptor(conn), POLLIN, 0};
    while (Clock::now() < deadline) {
        while (xcb_generic_event_t *event = xcb_poll_for_event(conn)) {
            const bool mapped = (event->response_type & 0x7f) == XCB_MAP_NOTIFY;
            std::free(event);
            if (mapped)
                return true;
        }
        poll(&pfd, 1, 50);
    }
    return false;
}

void drain(xcb_connection_t *conn)
{
    xcb_flush(conn);
    while (xcb_generic_event_t *event = xcb_poll_for_event(conn))
        std::free(event);
}

bool runOnce(xcb_connection_t *conn, Program &program)
{
    drain(conn);
    const auto start = Clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        // Quiet: only the figures of this driver belong on the terminal. Should it fail,
        // the program merely talks.
        [[maybe_unused]] FILE *quiet = freopen("/dev/null", "w", stderr);
        execl(program.path.c_str(), program.path.c_str(), static_cast<char *>(nullptr));
        _exit(127);
    }
    const bool mapped = waitForMap(conn);
    const auto end = Clock::now();
    // Let the first frame be painted so that its memory counts too, then end the program.
    usleep(300 * 1000);
    kill(pid, SIGTERM);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    if (!mapped)
        return false;
    program.millis.push_back(std::chrono::duration<double, std::milli>(end - start).count());
    program.maxrssKib.push_back(static_cast<double>(usage.ru_maxrss));
    return true;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s ROUNDS NAME=PROGRAM NAME=PROGRAM\n", argv[0]);
        return 2;
    }
    const int rounds = std::atoi(argv[1]);
    std::vector<Program> programs;
    for (int i = 2; i < 4; ++i) {
        const std::string arg = argv[i];
        const auto eq = arg.find('=');
        programs.push_back({arg.substr(0, eq), arg.substr(eq + 1), {}, {}});
    }

    xcb_connection_t *conn = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(conn)) {
        std::fprintf(stderr, "cannot open the X display\n");
        return 1;
    }
    xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(conn)).data;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(conn, screen->root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(conn);

    // One unmeasured run each fills the page cache and the font cache.
    for (Program &program : programs) {
        if (!runOnce(conn, program)) {
            std::fprintf(stderr, "%s: no window mapped\n", program.name.c_str());
            return 1;
        }
        program.millis.clear();
        program.maxrssKib.clear();
    }
    for (int round = 0; round < rounds; ++round) {
        // Alternate which program goes first so that neither always follows the other.
        for (int k = 0; k < 2; ++k) {
            Program &program = programs[(round + k) % 2];
            if (!runOnce(conn, program)) {
                std::fprintf(stderr, "%s: no window mapped\n", program.name.c_str());
                return 1;
            }
        }
    }

    std::printf("%-10s %8s %12s  (medians of %d runs)\n", "program", "map ms", "peak RSS KiB",
                rounds);
    for (const Program &program : programs)
        std::printf("%-10s %8.1f %12.0f\n", program.name.c_str(), median(program.millis),
                    median(program.maxrssKib));
    const double timeRatio = median(programs[0].millis) / median(programs[1].millis);
    const double memRatio = median(programs[0].maxrssKib) / median(programs[1].maxrssKib);
    std::printf("ratio %s/%s: time %.3f, peak memory %.3f\n", programs[0].name.c_str(),
                programs[1].name.c_str(), timeRatio, memRatio);
    xcb_disconnect(conn);
    return 0;
}
