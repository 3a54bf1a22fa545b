// fendrel-cli he3 encode and decode against zstd -1 and zstd -d, as whole processes: the 64 MiB
// text input of he3_bench is written to a file, then each command runs rounds times, the four
// taking turns so that all of them see the machine alike, and the best time of each counts.
// Every command writes a file that does not exist yet (it is removed before each run, untimed), on
// the same disk as the input.
//
// Usage: he3_vs_zstd [--rounds N] [--cli PATH] [--dir FOLDER]
//   --cli   fendrel-cli to measure (default: the one beside this program)
//   --dir   where the input and outputs go (default: a new folder in the temp folder, removed after)

#include "BenchInputs.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace fendrel::bench;

struct Timing {
    double wall = 0; // seconds
    double cpu = 0;  // user + system seconds
};

[[noreturn]] void die(const std::string &why)
{
    std::fprintf(stderr, "he3_vs_zstd: %s\n", why.c_str());
    std::exit(1);
}

double seconds(const timeval &t)
{
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
}

// Runs the command with its output to /dev/null and times it from fork to exit.
Timing run(const std::vector<std::string> &command)
{
    std::vector<char *> argv;
    for (const std::string &arg : command)
        argv.push_back(const_cast<char *>(arg.c_str()));
    argv.push_back(nullptr);
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child < 0)
        die("cannot start a process");
    if (child == 0) {
        std::freopen("/dev/null", "w", stdout);
        execvp(argv[0], argv.data());
        std::fprintf(stderr, "he3_vs_zstd: cannot run %s: %s\n", argv[0], std::strerror(errno));
        _exit(127);
    }
    int status = 0;
    rusage usage {};
    if (wait4(child, &status, 0, &usage) != child)
        die("lost a child process");
    const std::chrono::duration<double> wall = std::chrono::steady_clock::now() - start;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::string line;
        for (const std::string &arg : command)
            line += arg + ' ';
        die("failed: " + line);
    }
    return {wall.count(), seconds(usage.ru_utime) + seconds(usage.ru_stime)};
}

struct Contestant {
    std::string name;
    std::vector<std::string> command;
    fs::path output;
    std::vector<Timing> timings;

    Timing best() const
    {
        Timing result{std::numeric_limits<double>::max(), std::numeric_limits<double>::max()};
        for (const Timing &t : timings) {
            result.wall = std::min(result.wall, t.wall);
            result.cpu = std::min(result.cpu, t.cpu);
        }
        return result;
    }
};

bool sameFile(const fs::path &a, const fs::path &b)
{
    return readFile(a) == readFile(b);
}

void writeFile(const fs::path &path, const Bytes &bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char *>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out.flush())
        die("cannot write " + path.string());
}

void compare(const char *what, const Contestant &he3, const Contestant &zstd, double target)
{
    const Timing h = he3.best();
    const Timing z = zstd.best();
    const double mb = static_cast<double>(kInputSize) / 1e6;
    const double speed = z.wall / h.wall;
    std::printf("%-7s %-22s %7.1f ms %6.0f MB/s (cpu %5.1f ms)   %-18s %7.1f ms %6.0f MB/s (cpu %5.1f ms)   "
                "%.2fx  target >= %.1fx: %s\n",
                what, he3.name.c_str(), h.wall * 1e3, mb / h.wall, h.cpu * 1e3, zstd.name.c_str(), z.wall * 1e3,
                mb / z.wall, z.cpu * 1e3, speed, target, speed >= target ? "met" : "NOT met");
}

} // namespace

int main(int argc, char **argv)
{
    int rounds = 3;
    fs::path cli = fs::canonical("/proc/self/exe").parent_path() / "fendrel-cli";
    fs::path dir;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--rounds" && i + 1 < argc)
            rounds = std::max(1, std::atoi(argv[++i]));
        else if (arg == "--cli" && i + 1 < argc)
            cli = argv[++i];
        else if (arg == "--dir" && i + 1 < argc)
            dir = argv[++i];
        else
            die("usage: he3_vs_zstd [--rounds N] [--cli PATH] [--dir FOLDER]");
    }
    if (!fs::exists(cli))
        die(cli.string() + " does not exist (build the fendrel-cli target, or name it with --cli)");
    const bool ownDir = dir.empty();
    if (ownDir)
        dir = fs::temp_directory_path() / ("he3_vs_zstd." + std::to_string(std::random_device{}()));
    fs::create_directories(dir);

    const fs::path text = dir / "text";
    writeFile(text, textInput());
    const std::string c = cli.string();
    Contestant he3Encode{"fendrel-cli he3 encode", {c, "he3", "encode", text, dir / "text.he3"}, dir / "text.he3", {}};
    Contestant zstdCompress{"zstd -1", {"zstd", "-1", "-q", "-f", text, "-o", dir / "text.zst"}, dir / "text.zst", {}};
    Contestant he3Decode{"fendrel-cli he3 decode", {c, "he3", "decode", dir / "text.he3", dir / "text.he3.out"},
                         dir / "text.he3.out", {}};
    Contestant zstdDecompress{"zstd -d", {"zstd", "-d", "-q", "-f", dir / "text.zst", "-o", dir / "text.zst.out"},
                              dir / "text.zst.out", {}};
    Contestant *const all[] = {&he3Encode, &zstdCompress, &he3Decode, &zstdDecompress};

    // An untimed first round makes the compressed inputs, proves the round trips and warms the
    // page cache and the programs' pages alike for all.
    for (Contestant *contestant : all)
        run(contestant->command);
    if (!sameFile(he3Decode.output, text) || !sameFile(zstdDecompress.output, text))
        die("a round trip did not give the input back");

    for (int round = 0; round < rounds; ++round) {
        for (Contestant *contestant : all) {
            fs::remove(contestant->output);
            sync();
            contestant->timings.push_back(run(contestant->command));
        }
    }
    if (!sameFile(he3Decode.output, text))
        die("fendrel-cli he3 decode did not give the input back");

    std::printf("64 MiB text input, whole processes, best of %d (MB = 10^6 bytes)\n", rounds);
    compare("encode", he3Encode, zstdCompress, 2.0);
    compare("decode", he3Decode, zstdDecompress, 0.5);
    std::printf("every run, ms:");
    for (const Contestant *contestant : all) {
        std::printf("\n  %-22s", contestant->name.c_str());
        for (const Timing &t : contestant->timings)
            std::printf(" %7.1f", t.wall * 1e3);
    }
    std::printf("\n");
    if (ownDir)
        fs::remove_all(dir);
    return 0;
}
