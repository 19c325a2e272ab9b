#include "DxfHalves.h"

#include <cstring>
#include <future>
#include <string_view>
#include <sys/stat.h>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace figurant {

namespace {

// How far behind the middle a cut is looked for before the file is read in one piece.
constexpr std::size_t kSearchBytes = std::size_t{1} << 20;

bool IsLineEnd(std::string_view text, std::size_t at) {
    return text.substr(at, 1) == "\n" || text.substr(at, 2) == "\r\n";
}

// The start of a line "0" (blank-padded, CR LF or LF) standing before a line "3DFACE" whose
// keyword starts at `keyword`; npos when the lines around it are not those.
std::size_t CodeLineBefore(std::string_view text, std::size_t keyword) {
    std::size_t i = keyword;
    if (i == 0 || text[--i] != '\n') return std::string_view::npos;
    if (i > 0 && text[i - 1] == '\r') --i;
    if (i == 0 || text[--i] != '0') return std::string_view::npos;
    while (i > 0 && text[i - 1] == ' ')
        --i;
    if (i == 0 || text[i - 1] != '\n') return std::string_view::npos;
    return i;
}

} // namespace

std::optional<std::uint64_t> FindHalves(std::FILE* file, std::uint64_t limit, std::uint64_t fromBytes) {
    if (limit < fromBytes || limit < 2 || std::thread::hardware_concurrency() < 2) return std::nullopt;
    const int fd = fileno(file);
    struct stat info {};
    if (fd < 0 || fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || ftello(file) != 0) return std::nullopt;
    const std::uint64_t middle = limit / 2;
    const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(limit - middle, kSearchBytes));
    std::string window(want, '\0');
    const ssize_t got = ::pread(fd, window.data(), want, static_cast<off_t>(middle));
    if (got <= 0) return std::nullopt;
    const std::string_view text(window.data(), static_cast<std::size_t>(got));
    for (std::size_t at = text.find("3DFACE"); at != std::string_view::npos;
         at = text.find("3DFACE", at + 1)) {
        const std::size_t line = CodeLineBefore(text, at);
        if (line != std::string_view::npos && IsLineEnd(text, at + 6)) return middle + line;
    }
    return std::nullopt;
}

void ReadHalves(CDxfReader& first, CByteSource& source, CUnderlayList& list, const DxfReadOptions& options,
                std::FILE* file, std::uint64_t split, std::uint64_t limit) {
    CDxfReader::Split meeting;
    meeting.offset = split;
    CUnderlayList secondList;
    DxfReadOptions secondOptions = options;
    secondOptions.progress = nullptr; // only the caller's thread tells of progress
    CDxfReader second(secondList, secondOptions);
    second.SetSplit(&meeting, false);
    const int fd = fileno(file);
    std::future<void> secondDone;
    try {
        secondDone = std::async(std::launch::async, [&] {
            CByteSource rest(fd, split, limit);
            second.ReadAll(rest);
        });
    } catch (const std::system_error&) {
        // No thread to be had (a process limit): the file is read in one piece.
        first.ReadAll(source);
        return;
    }
    // Both halves go at about the same pace: the first half's share stands for the whole.
    if (options.progress)
        source.SetBlockObserver(
            [&](std::uint64_t read, std::uint64_t total) {
                options.progress(std::min(total, read * 2), total);
            },
            limit);
    first.SetSplit(&meeting, true);
    try {
        first.ReadAll(source);
    } catch (...) {
        meeting.abandoned = true;
        secondDone.wait();
        throw;
    }
    if (!first.ReachedSplit()) meeting.abandoned = true;
    secondDone.get();
    if (!first.ReachedSplit()) return;
    list.AppendAll(std::move(secondList));
    first.Absorb(second);
}

} // namespace figurant
