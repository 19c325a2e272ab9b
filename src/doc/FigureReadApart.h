#pragma once
// Reads a rigged figure in a short-lived child process, under limits, so that whatever the import
// library does with a hostile file (crash, endless loop, exhausted memory or stack) ends the child
// and not the program with the user's unsaved pose. The child sends the plain scene back through a
// pipe; the parent checks it on arrival (SceneWire).
#include "FigureImport.h"

#include <functional>
#include <optional>
#include <string>

namespace figurant {

struct ReadLimits {
    unsigned long long addressSpace = 4ull << 30; // bytes the child may map (the file is at most 1 GiB)
    unsigned cpuSeconds = 300;
    double wallSeconds = 300; // then the child is stopped
};

// Called about ten times a second while the child reads; false stops it (the user cancelled).
using KeepWaiting = std::function<bool()>;

// Nothing when the file cannot be read, with the reason in `error`: the library's own, or "the
// reader stopped (crash)", "(ran out of memory)", "(took too long)", that it was killed from
// outside, that the reader program is missing or cannot be run, or "reading was cancelled".
// The child runs the reader program, figurant-read, found beside the running program only (or
// named by FIGURANT_READER; set but empty, the forked child reads itself), in a fresh process
// that ends with its parent.
std::optional<ImportScene> ReadFigureFileApart(const std::string& path, std::string* error,
                                               const KeepWaiting& keepWaiting = {},
                                               const ReadLimits& limits = {});

// A reader process, the pipe its answer comes through and, for a spare one, the socket its path
// goes through.
struct ReaderChild {
    int pid = -1;
    int answer = -1;
    int request = -1;
};

// A reader started before it is needed (when the user begins to choose a file), so that starting
// the process, loading the import library and setting it up cost nothing when the file is chosen.
// Each one reads one file, in a fresh process, and is gone; without a spare, Read starts one as
// ReadFigureFileApart does.
class SpareFigureReader {
  public:
    explicit SpareFigureReader(const ReadLimits& limits = {});
    ~SpareFigureReader();
    SpareFigureReader(SpareFigureReader&& other) noexcept;
    SpareFigureReader& operator=(SpareFigureReader&& other) noexcept;

    void Prepare();
    std::optional<ImportScene> Read(const std::string& path, std::string* error,
                                    const KeepWaiting& keepWaiting = {});
    void LetGo();

  private:
    ReadLimits m_limits;
    std::optional<ReaderChild> m_child;
};

// The reader's side, for the reader program: the limits on the process itself, then the read,
// answered through `out`; the process's exit status.
void ApplyReadLimits(const ReadLimits& limits);
int AnswerFigureRead(const std::string& path, int out);
// A spare reader's side: the library set up, then the path (ended by a zero byte) from `in`.
int AnswerWaitingFigureRead(int in, int out);

} // namespace figurant
