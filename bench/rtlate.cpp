// How late the machine wakes a real-time thread: one thread a core, SCHED_FIFO at the priority of
// PipeWire's data threads, each asking to wake every millisecond. Prints a line for every wake
// later than LATE_MS (default 3), with its time on CLOCK_MONOTONIC_RAW (the clock of PipeWire's
// log) and CLOCK_MONOTONIC (the program's), until it is ended. Run as root, or where real-time
// priority is allowed; otherwise it says so and measures at the priority it has.
//   bench_rtlate [LATE_MS]
// bench/sound-server runs it beside the program with --keep, so that a gap in a clip can be set
// beside the moment the machine held real-time threads back.
#include <pthread.h>
#include <sched.h>
#include <time.h>

#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

namespace {

constexpr int Priority = 88;

double seconds(clockid_t clock)
{
    timespec t{};
    clock_gettime(clock, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

void watch(unsigned cpu, double lateMs)
{
    cpu_set_t set;
    CPU_ZERO(&set);
    CPU_SET(cpu, &set);
    pthread_setaffinity_np(pthread_self(), sizeof set, &set);
    const sched_param param{.sched_priority = Priority};
    if (pthread_setschedparam(pthread_self(), SCHED_FIFO, &param) != 0)
        std::fprintf(stderr, "core %u: no real-time priority; measuring at the normal one\n", cpu);
    timespec next{};
    clock_gettime(CLOCK_MONOTONIC, &next);
    for (;;) {
        next.tv_nsec += 1'000'000;
        if (next.tv_nsec >= 1'000'000'000) {
            next.tv_nsec -= 1'000'000'000;
            ++next.tv_sec;
        }
        clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr);
        timespec woke{};
        clock_gettime(CLOCK_MONOTONIC, &woke);
        const double late = double(woke.tv_sec - next.tv_sec) * 1e3
            + double(woke.tv_nsec - next.tv_nsec) / 1e6;
        if (late > lateMs) {
            std::printf("core %u late %.1f ms at raw %.6f monotonic %.6f\n", cpu, late,
                seconds(CLOCK_MONOTONIC_RAW), seconds(CLOCK_MONOTONIC));
            std::fflush(stdout);
            next = woke; // one line for one stall, not one for each missed millisecond
        }
    }
}

} // namespace

int main(int argc, char **argv)
{
    const double lateMs = argc > 1 ? std::atof(argv[1]) : 3.0;
    std::vector<std::thread> threads;
    for (unsigned cpu = 0; cpu < std::thread::hardware_concurrency(); ++cpu)
        threads.emplace_back(watch, cpu, lateMs);
    for (std::thread &thread : threads)
        thread.join();
}
