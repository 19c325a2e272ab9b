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

// Peak resident memory, in bytes, of the inspect tool reading the file in a process of its own;
// 0 when it could not be measured.
double ChildPeakBytes(const std::string& path) {
    const std::string command =
        std::string("'") + FIGURANT_PEAK_PROBE + "' '" + FIGURANT_INSPECT + "' dxf '" + path + "' --summary";
    std::FILE* probe = popen(command.c_str(), "r");
    if (!probe) return 0;
    long kilobytes = 0;
    const bool read = std::fscanf(probe, "%ld", &kilobytes) == 1;
    return pclose(probe) == 0 && read ? static_cast<double>(kilobytes) * 1024.0 : 0;
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
    // Over the tool's own footprint: its peak on a drawing of one face.
    const double peak = ChildPeakBytes(path) - ChildPeakBytes(bench::EnsureFaceFile(FacePath(1), 1));
    state.counters["file_MB"] = bytes / 1e6;
    state.counters["peak_MB"] = peak / 1e6;
    state.counters["peak_B_per_face"] = peak / static_cast<double>(faces);
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
