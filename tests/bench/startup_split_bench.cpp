// Start-up to the first frame, split into its steps: the program is started RUNS times offline
// with --startup-times, and every run is timed on the steady clock from just before it is started
// (the program reports when it entered main and how long each step took, on the same clock).
// Prints the median of every step and of the totals over the runs; one run before them is not
// counted (it brings the program and its libraries into the page cache).
//
//   startup_split_bench PROGRAM [RUNS]    e.g. build/QX_Marrowtide 21 (default 21 runs)
//
// The launcher starts the program itself (posix_spawn) rather than through a shell, so that the
// time to main is the program's own: executing it, loading its libraries, static initialisation.
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "host/startup_times.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
using qx::kStartupStepCount;
using qx::StartupStep;

double SecondsOnClock(Clock::time_point t) {
    return std::chrono::duration<double>(t.time_since_epoch()).count();
}

// One run, all in ms.
struct Run {
    double toMain = 0;                              // process start to main
    std::array<double, kStartupStepCount> steps{};  // as the program printed them
    double toFirstFrame = 0;                        // process start to the end of the first frame
    double whole = 0;                               // process start until it was reaped
};

bool ReadStep(const char* line, Run& run) {
    for (uint32_t index = 0; index < kStartupStepCount; ++index) {
        const char* name = qx::StartupStepName(static_cast<StartupStep>(index));
        const size_t length = std::strlen(name);
        if (std::strncmp(line, name, length) == 0 && line[length] == ' ')
            return std::sscanf(line + length, "%lf ms", &run.steps[index]) == 1;
    }
    return false;
}

// Starts the program, reads what it prints and waits for it.
bool TimeOneRun(const char* program, Run& run) {
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
    posix_spawn_file_actions_addclose(&actions, pipeEnds[1]);
    char headless[] = "--headless";
    char times[] = "--startup-times";
    char* arguments[] = {const_cast<char*>(program), headless, times, nullptr};
    const Clock::time_point launched = Clock::now();
    pid_t child = -1;
    const int spawned = posix_spawn(&child, program, &actions, nullptr, arguments, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeEnds[1]);
    if (spawned != 0) {
        close(pipeEnds[0]);
        return false;
    }
    std::string output;
    char block[4096];
    ssize_t got;
    while ((got = read(pipeEnds[0], block, sizeof block)) > 0)
        output.append(block, static_cast<size_t>(got));
    close(pipeEnds[0]);
    int status = 0;
    if (waitpid(child, &status, 0) != child) return false;
    run.whole = std::chrono::duration<double, std::milli>(Clock::now() - launched).count();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return false;

    double mainEntered = -1;
    uint32_t stepsRead = 0;
    size_t start = 0;
    while (start < output.size()) {
        size_t end = output.find('\n', start);
        if (end == std::string::npos) end = output.size();
        const std::string line = output.substr(start, end - start);
        if (std::sscanf(line.c_str(), "main-entered %lf s", &mainEntered) != 1 &&
            ReadStep(line.c_str(), run))
            ++stepsRead;
        start = end + 1;
    }
    if (mainEntered < 0 || stepsRead != kStartupStepCount) return false;
    run.toMain = (mainEntered - SecondsOnClock(launched)) * 1000;
    run.toFirstFrame = run.toMain;
    for (const double step : run.steps) run.toFirstFrame += step;
    return true;
}

template <typename Field>
double Median(const std::vector<Run>& runs, Field field) {
    std::vector<double> values;
    for (const Run& run : runs) values.push_back(field(run));
    std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: startup_split_bench PROGRAM [RUNS]\n");
        return 64;
    }
    const char* program = argv[1];
    const int count = argc > 2 ? std::max(1, std::atoi(argv[2])) : 21;
    std::vector<Run> runs;
    for (int k = 0; k <= count; ++k) {
        Run run;
        if (!TimeOneRun(program, run)) {
            std::fprintf(stderr, "startup_split_bench: %s --headless --startup-times failed\n",
                         program);
            return 1;
        }
        if (k > 0) runs.push_back(run);
    }
    const auto step = [](StartupStep s) {
        return [s](const Run& run) { return run.steps[static_cast<uint32_t>(s)]; };
    };
    const auto steps = [](std::initializer_list<StartupStep> list) {
        return [list](const Run& run) {
            double sum = 0;
            for (const StartupStep s : list) sum += run.steps[static_cast<uint32_t>(s)];
            return sum;
        };
    };
    std::printf("start-up to the first frame, offline, median of %d runs (ms)\n", count);
    const auto line = [&](const char* what, double ms) {
        std::printf("  %-36s %7.2f\n", what, ms);
    };
    line("process start to main", Median(runs, [](const Run& run) { return run.toMain; }));
    line("options and platform", Median(runs, step(StartupStep::CommandLine)));
    line("archive: soundtrack decode", Median(runs, step(StartupStep::Soundtrack)));
    line("sound module load", Median(runs, step(StartupStep::SoundModule)));
    line("song load", Median(runs, step(StartupStep::Song)));
    line("display, framebuffer, ticks", Median(runs, step(StartupStep::Display)));
    line("archive: asset list decode", Median(runs, step(StartupStep::AssetList)));
    line("effects preparation", Median(runs, step(StartupStep::Effects)));
    line("first frame", Median(runs, step(StartupStep::FirstFrame)));
    std::printf("grouped\n");
    line("archive load and decode",
         Median(runs, steps({StartupStep::Soundtrack, StartupStep::AssetList})));
    line("sound module load + song load",
         Median(runs, steps({StartupStep::SoundModule, StartupStep::Song})));
    line("total to the first frame", Median(runs, [](const Run& run) { return run.toFirstFrame; }));
    line("whole run (start to exit)", Median(runs, [](const Run& run) { return run.whole; }));
    return 0;
}
