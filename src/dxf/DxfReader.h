#pragma once
// Reads the DXF subset the program understands into a list of polylines, one per entity that
// carries geometry, in file order. Every entity is read where it stands; section structure,
// blocks, layers and other string values are ignored.
#include "DxfEntityFilter.h"
#include "DxfLexer.h"
#include "UnderlayList.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace figurant {

struct DxfReadOptions {
    bool keepUnits = true; // false: every token-read real is multiplied by 25.4
    Vec3f offset;          // added to x and y (and z of faces) as floats
    DxfEntityFilter filter;
    int units = 5; // stored in the list's m_nUnits
    // Told the bytes read and the bytes in all after each block of the file (about a MiB).
    std::function<void(std::uint64_t read, std::uint64_t total)> progress;
    // Files at least this large are read in two halves at once, the second on a thread of its
    // own, with exactly the result of one read from start to end (0: any file that can be cut).
    std::uint64_t halvesFrom = kHalvesFrom;
    static constexpr std::uint64_t kHalvesFrom = std::uint64_t{8} << 20;
};

// What a read met besides the geometry it kept, for telling the user.
struct DxfReadReport {
    // Why the file could not be read ("not a regular file", ...); empty when it was read.
    std::string openError;
    // What the file's first bytes look like: text, or something the reader cannot take.
    enum class Content { Text, BinaryDxf, Utf16, NotText } content = Content::Text;
    // Entities dropped because a coordinate was not a finite float (nan, inf, beyond float range).
    long droppedEntities = 0;
    // The input ended inside an entity (which was dropped); the 1-based line where it ended.
    bool endedInsideEntity = false;
    long stopLine = 0;
};

// Fills `list` (emptied first) or a new list. Null when the file cannot be opened (not a regular
// file, too large, missing, ...); a supplied list is then destroyed.
std::unique_ptr<CUnderlayList> ReadDxfFile(const std::string& path, std::unique_ptr<CUnderlayList> list,
                                           const DxfReadOptions& options, DxfReadReport* report = nullptr);
// The same from a stream the caller opened (and closes), reading at most `limit` bytes.
std::unique_ptr<CUnderlayList> ReadDxfStream(std::FILE* file, std::unique_ptr<CUnderlayList> list,
                                             const DxfReadOptions& options, DxfReadReport* report = nullptr,
                                             std::uint64_t limit = std::numeric_limits<std::uint64_t>::max());

class CDxfReader : public CDxfLexer {
  public:
    CDxfReader(CUnderlayList& target, const DxfReadOptions& options);
    void ReadAll(CByteSource& source);
    long DroppedEntities() const { return m_nDropped; }
    // Where the input ended inside an entity (bytes from the start); none when it did not.
    std::optional<std::uint64_t> EndedInsideAt() const { return m_endedInsideAt; }

    // Where a read in two halves meets: the line "0" of an entity, where the second half's
    // reader starts. The first half's reader stops there when it reads that line as the group
    // code that starts an entity, its state then being exactly that of a reader started there;
    // once it has read past the line in any other way, the second half is abandoned.
    struct Split {
        std::uint64_t offset = 0;
        std::atomic<bool> abandoned{false};
    };
    void SetSplit(Split* split, bool firstHalf) {
        m_split = split;
        m_bFirstHalf = firstHalf;
    }
    // The first half's reader stopped at the split, in step with the second half.
    bool ReachedSplit() const { return m_bReachedSplit; }
    // Takes the counts of the second half's reader after its own.
    void Absorb(const CDxfReader& secondHalf);

  private:
    enum Keyword {
        BLOCKS = 1,
        ENDBLK,
        SECTION,
        ENDSEC,
        ENTITIES,
        VERTEX,
        SEQEND,
        LINE,
        POINT,
        FACE3D,
        CIRCLE,
        ARC,
        TRACE,
        SOLID,
        POLYLINE,
        EOF_
    };
    // Coordinates gathered for one entity, corner k from codes 10+k, 20+k and 30+k.
    struct Corners;

    bool ReadLineGroup();
    void ParseLineValue() { ParseLineValue(std::string_view(Text(), static_cast<std::size_t>(Length()))); }
    void ParseLineValue(std::string_view text);
    // Takes the groups of a face or polyline straight from the input buffer while both lines of
    // each are plain (a digits-only code that is not 0, a value that is no keyword, no CR, no end
    // byte, whole in the buffer) and processes them; stops before the first other group. The
    // result is exactly that of reading the groups line by line.
    void TakePlainFaceGroups(CUnderlayPolyLine& line, Corners& corners);
    void FaceGroup(CUnderlayPolyLine& line, Corners& corners);
    bool ReadTokenGroup();
    void DispatchEntities();
    void ReadFace(bool faceMarking);
    void ReadPolyline() { ReadFace(false); }
    void Read3dFace() { ReadFace(true); }
    template <typename Store> bool ReadTokenEntity(int firstCode, int lastCode, Store store);
    void ReadLineEntity();
    void SkipPoint();
    void ReadCircle();
    void ReadArc();
    void ReadQuad();
    bool IsStructureKeyword() const;
    void AddPoint(CUnderlayPolyLine& line, const Vec3f& p);
    // Appends a token-read entity's polyline unless a point is not finite (then it is counted).
    void Finish(CUnderlayPolyLine&& line);
    void EndedInsideEntity();
    void ArcPoints(CUnderlayPolyLine& line, Vec3f centre, double radius, double a0, double a1, int n);
    bool IsEnd() const { return m_bEnded || Kind() == TK_EOF || Kind() == EOF_; }
    // Between entities: whether this half's read ends here.
    bool EndsAtSplit();

    CUnderlayList& m_target;
    DxfReadOptions m_options;
    // Results of the last line group.
    int m_lineCode = -1;
    float m_lineReal = -1.0f;
    int m_lineInt = -1;
    int m_tokenCode = 0;
    // Set when the token reader meets the end of the input: the whole read ends there.
    bool m_bEnded = false;
    // The token entity being read has held a value that is not a finite float.
    bool m_bTokenNonFinite = false;
    long m_nDropped = 0;
    std::optional<std::uint64_t> m_endedInsideAt;
    // Where the code line of the last line-read group started; none for a token-read group or
    // one whose code line was not read from its start.
    static constexpr std::uint64_t kNoOffset = std::numeric_limits<std::uint64_t>::max();
    std::uint64_t m_groupStart = kNoOffset;
    Split* m_split = nullptr;
    bool m_bFirstHalf = false;
    bool m_bReachedSplit = false;
};

} // namespace figurant
