// Reader throughput on generated 3DFACE files, and the peak memory of a read in a child process.
#include "DxfReader.h"
#include "FaceFileGenerator.h"

#include <benchmark/benchmark.h>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace figurant;

namespace {

std::string FacePath(long faces) {
    return "bench-faces-" + std::to_string(faces) + ".dxf";
}

// Peak resident memory, in bytes, of the inspect tool reading the file in a process of its own.
double ChildPeakBytes(const std::string& path) {
    const pid_t pid = fork();
    if (pid == 0) {
        std::freopen("/dev/null", "w", stdout);
        execl(FIGURANT_INSPECT, FIGURANT_INSPECT, "dxf", path.c_str(), "--summary",
              static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    return static_cast<double>(usage.ru_maxrss) * 1024.0;
}

void BM_ReadDxfFile(benchmark::State& state) {
    const long faces = state.range(0);
    const std::string path = bench::EnsureFaceFile(FacePath(faces), faces);
    const auto bytes = static_cast<double>(std::filesystem::file_size(path));
    for (auto _ : state) {
        auto list = ReadDxfFile(path, nullptr, DxfReadOptions{});
        benchmark::DoNotOptimize(list);
    }
    state.SetBytesProcessed(static_cast<int64_t>(bytes) * state.iterations());
    const double peak = ChildPeakBytes(path) - ChildPeakBytes("/dev/null");
    state.counters["file_MB"] = bytes / 1e6;
    state.counters["peak_MB"] = peak / 1e6;
    state.counters["peak_over_file_B_per_face"] = (peak - bytes) / static_cast<double>(faces);
}

// The yardstick the reader is measured against: the whole file read at once and every line
// converted with std::from_chars (group codes as integers, values as floats), nothing kept.
void BM_FromCharsYardstick(benchmark::State& state) {
    const long faces = state.range(0);
    const std::string path = bench::EnsureFaceFile(FacePath(faces), faces);
    const auto bytes = static_cast<double>(std::filesystem::file_size(path));
    for (auto _ : state) {
        std::FILE* file = std::fopen(path.c_str(), "rb");
        std::string text(static_cast<std::size_t>(bytes), '\0');
        const std::size_t got = std::fread(text.data(), 1, text.size(), file);
        std::fclose(file);
        text.resize(got);
        double sum = 0;
        bool code = true;
        for (const char *p = text.data(), *end = p + text.size(); p < end;) {
            const char* eol =
                static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
            if (!eol) eol = end;
            if (code) {
                int c = 0;
                std::from_chars(p, eol, c);
                sum += c;
            } else {
                float v = 0;
                std::from_chars(p, eol, v);
                sum += v;
            }
            code = !code;
            p = eol + 1;
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetBytesProcessed(static_cast<int64_t>(bytes) * state.iterations());
}

} // namespace

BENCHMARK(BM_FromCharsYardstick)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_ReadDxfFile)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->MinTime(2.0);
