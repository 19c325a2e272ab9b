#include "DxfReader.h"

#include "DxfHalves.h"
#include "InputFile.h"
#include "NumberConv.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <unistd.h>

namespace figurant {

namespace {

// A code line may be padded with blanks (' 10', '  0'), as most CAD programs write them.
bool IsPaddedCode(const char* text);

// A colour number (group 62) is a 16-bit integer: a larger one is held at the nearest end, which
// names no segment just as the number read does.
std::int16_t ColourNumber(int read) {
    return static_cast<std::int16_t>(std::clamp<int>(read, std::numeric_limits<std::int16_t>::min(),
                                                     std::numeric_limits<std::int16_t>::max()));
}

// Group codes are ints: a longer run of digits is text, not a code.
bool CodeFitsInt(const char* text) {
    const char* p = text;
    while (*p == ' ')
        ++p;
    std::int64_t v = 0;
    for (; *p >= '0' && *p <= '9'; ++p)
        if ((v = v * 10 + (*p - '0')) > std::numeric_limits<std::int32_t>::max()) return false;
    return true;
}

bool IsPaddedCode(const char* text) {
    const char* p = text;
    while (*p == ' ')
        ++p;
    const char* digits = p;
    while (*p >= '0' && *p <= '9')
        ++p;
    if (p == digits) return false;
    while (*p == ' ')
        ++p;
    return *p == '\0';
}

constexpr int kMaxCorners = 9; // codes 10-18, 20-28, 30-38

float& Axis(Vec3f& v, int axis) {
    return axis == 0 ? v.x : axis == 1 ? v.y : v.z;
}

// Groups whose value is a real number.
bool IsRealCode(int c) {
    return (c >= 10 && c <= 59) || (c >= 210 && c <= 239);
}

} // namespace

struct CDxfReader::Corners {
    Vec3f point[kMaxCorners];
    unsigned char seen[kMaxCorners] = {}; // bits: 1 x, 2 y, 4 z
    bool complete[kMaxCorners] = {};
    bool finite = true; // every coordinate taken is a finite float
};

CDxfReader::CDxfReader(CUnderlayList& target, const DxfReadOptions& options)
    : m_target(target), m_options(options) {
    for (const char* k : {"BLOCKS", "ENDBLK", "SECTION", "ENDSEC", "ENTITIES", "VERTEX", "SEQEND", "LINE",
                          "POINT", "3DFACE", "CIRCLE", "ARC", "TRACE", "SOLID", "POLYLINE", "EOF"})
        AddKeyword(k);
}

void CDxfReader::ReadAll(CByteSource& source) {
    Attach(&source);
    // The read starts at the file's first line, not behind it.
    PushBackLineEnd();
    while (ReadLineGroup()) {
        ParseLineValue();
        DispatchEntities();
    }
}

bool CDxfReader::ReadLineGroup() {
    if (m_bEnded) return false;
    for (;;) {
        // Only a read in halves asks where a group began.
        m_groupStart = m_split && AtLineStart() && Source() ? Source()->Offset() : kNoOffset;
        NextLine();
        const std::int32_t k = Kind();
        if ((k == TK_DIGIT_LINE || (k == TK_TEXT_LINE && IsPaddedCode(Text()))) && CodeFitsInt(Text())) break;
        if (k == TK_EOF || k == EOF_) {
            m_bEnded = true;
            return false;
        }
    }
    m_lineCode = CAtoi(std::string_view(Text(), static_cast<std::size_t>(Length())));
    NextLine();
    // The caller still sees the value's kind; whatever stands behind an end marker is not read.
    if (Kind() == TK_EOF) m_bEnded = true;
    return true;
}

void CDxfReader::ParseLineValue(std::string_view text) {
    const int c = m_lineCode;
    // Names and texts (codes 0 to 9) are not kept: no entity read here uses them.
    if (c >= 0 && c <= 9) {
        return;
    } else if (IsRealCode(c)) {
        m_lineReal = static_cast<float>(CAtof(text));
    } else if (c >= 60 && c <= 79) {
        m_lineInt = CAtoi(text);
    } else {
        m_lineCode = -1;
        m_lineReal = -1.0f;
        m_lineInt = -1;
    }
}

bool CDxfReader::ReadTokenGroup() {
    m_groupStart = kNoOffset;
    for (;;) {
        do {
            NextToken(0);
        } while (Kind() != TK_INTEGER && Kind() != TK_EOF && Kind() != EOF_);
        if (Kind() != TK_INTEGER) break;
        const long code = CAtol(std::string_view(Text(), static_cast<std::size_t>(Length())));
        if (code > std::numeric_limits<std::int32_t>::max() ||
            code < std::numeric_limits<std::int32_t>::min()) {
            // Too long to be a group code: it and its value are passed over together.
            NextToken(1);
            continue;
        }
        m_tokenCode = IntValue();
        const int c = m_tokenCode;
        // Group 0 names an entity: read as a whole line, so '3DFACE' is not taken as the number 3.
        const bool lineValue =
            c == 0 || c == 1 || (c >= 3 && c <= 9) || c == 100 || c == 999 || (c >= 1000 && c <= 1009);
        if (lineValue)
            NextLine();
        else
            NextToken(1);
        if (Kind() == TK_EOF) break;
        // A value that is no number reads as atof reads it (0), not as what the code left behind.
        if (!lineValue && !ScannedNumber()) SetRealValue(static_cast<float>(CAtof(Text())));
        if (c == 999 || c == 100) continue;
        if (!m_options.keepUnits) SetRealValue(RealValue() * 25.4f);
        return true;
    }
    m_bEnded = true;
    return false;
}

bool CDxfReader::IsStructureKeyword() const {
    const std::int32_t k = Kind();
    return k == BLOCKS || k == ENDBLK || k == SEQEND || k == SECTION || k == ENDSEC;
}

void CDxfReader::DispatchEntities() {
    // Entity keyword, its filter flag and its reader.
    struct EntityKind {
        std::int32_t keyword;
        bool DxfEntityFilter::*enabled;
        void (CDxfReader::*read)();
    };
    static const EntityKind kKinds[] = {
        {POLYLINE, &DxfEntityFilter::polyline, &CDxfReader::ReadPolyline},
        {FACE3D, &DxfEntityFilter::face3d, &CDxfReader::Read3dFace},
        {LINE, &DxfEntityFilter::line, &CDxfReader::ReadLineEntity},
        {POINT, &DxfEntityFilter::point, &CDxfReader::SkipPoint},
        {CIRCLE, &DxfEntityFilter::circle, &CDxfReader::ReadCircle},
        {ARC, &DxfEntityFilter::arc, &CDxfReader::ReadArc},
        {TRACE, &DxfEntityFilter::trace, &CDxfReader::ReadQuad},
        {SOLID, &DxfEntityFilter::solid, &CDxfReader::ReadQuad},
    };
    while (!IsEnd() && !(m_split && EndsAtSplit())) {
        const EntityKind* kind = nullptr;
        for (const EntityKind& k : kKinds)
            if (k.keyword == Kind()) kind = &k;
        if (!kind || !(m_options.filter.*(kind->enabled))) return;
        (this->*(kind->read))();
    }
}

bool CDxfReader::EndsAtSplit() {
    if (!m_bFirstHalf) {
        if (m_split->abandoned.load(std::memory_order_relaxed)) m_bEnded = true;
    } else if (m_groupStart == m_split->offset) {
        m_bReachedSplit = m_bEnded = true;
    } else if (!m_split->abandoned.load(std::memory_order_relaxed) && Source() &&
               Source()->Offset() > m_split->offset) {
        // The split's line went by as something else: this reader goes on to the end alone.
        m_split->abandoned.store(true, std::memory_order_relaxed);
    }
    return m_bEnded;
}

void CDxfReader::Absorb(const CDxfReader& secondHalf) {
    m_nDropped += secondHalf.m_nDropped;
    if (!m_endedInsideAt) m_endedInsideAt = secondHalf.m_endedInsideAt;
}

void CDxfReader::AddPoint(CUnderlayPolyLine& line, const Vec3f& p) {
    line.Add(p);
}

static bool IsFinite(const Vec3f& p) {
    return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
}

void CDxfReader::Finish(CUnderlayPolyLine&& line) {
    for (const Vec3f& p : line.Points()) {
        if (!IsFinite(p)) {
            ++m_nDropped;
            return;
        }
    }
    for (const Vec3f& p : line.Points())
        m_target.ExtendBounds(p.x, p.y, p.z);
    m_target.Append(std::move(line));
}

void CDxfReader::EndedInsideEntity() {
    if (!m_endedInsideAt) m_endedInsideAt = Source() ? Source()->Offset() : 0;
}

void CDxfReader::FaceGroup(CUnderlayPolyLine& line, Corners& corners) {
    const int code = m_lineCode;
    if (code == 62) line.m_nSegment = ColourNumber(m_lineInt);
    if (code < 10 || code > 38) return;
    const int axis = code / 10 - 1;
    const int k = code % 10;
    if (k >= kMaxCorners || corners.complete[k]) return;
    float& target = Axis(corners.point[k], axis);
    target = Axis(m_options.offset, axis) + m_lineReal;
    if (!std::isfinite(target)) corners.finite = false;
    corners.seen[k] |= static_cast<unsigned char>(1 << axis);
    if (corners.seen[k] == 7) corners.complete[k] = true;
}

void CDxfReader::TakePlainFaceGroups(CUnderlayPolyLine& line, Corners& corners) {
    if (m_bEnded || !AtLineStart() || !Source()) return;
    const auto* p = reinterpret_cast<const char*>(Source()->Pos());
    const auto* const end = reinterpret_cast<const char*>(Source()->End());
    for (;;) {
        int code = 0;
        const char* q = p;
        for (; q != end && *q >= '0' && *q <= '9' && q - p < 9; ++q)
            code = code * 10 + (*q - '0');
        if (q == p || q == end || *q != '\n' || code == 0) break;
        const char* const value = q + 1;
        // The common coordinate, a short decimal filling its line, is converted where it stands
        // (the scan may look ahead into the buffer: the number ends at the line end at the latest).
        double real = 0;
        const char* e = IsRealCode(code) ? ParseShortDecimal(value, end, real) : nullptr;
        m_lineCode = code;
        if (e && e != end && *e == '\n' && e - value <= kMaxText) {
            m_lineReal = static_cast<float>(real);
        } else {
            e = static_cast<const char*>(std::memchr(value, '\n', static_cast<std::size_t>(end - value)));
            if (!e || e - value > kMaxText) break;
            const auto length = static_cast<std::size_t>(e - value);
            if (std::memchr(value, '\r', length) || KeywordOf(value, length)) break;
            ParseLineValue(std::string_view(value, length));
        }
        FaceGroup(line, corners);
        p = e + 1;
    }
    Source()->SkipTo(reinterpret_cast<const unsigned char*>(p));
}

void CDxfReader::ReadFace(bool faceMarking) {
    CUnderlayPolyLine line;
    Corners corners;
    for (;;) {
        TakePlainFaceGroups(line, corners);
        if (!ReadLineGroup()) return EndedInsideEntity();
        ParseLineValue();
        // Every DXF entity ends at the next group 0, known to the reader or not.
        if ((Kind() != TK_DIGIT_LINE && Kind() != TK_TEXT_LINE) || m_lineCode == 0) break;
        FaceGroup(line, corners);
    }
    // The input ended inside the entity: it is dropped.
    if (Kind() == TK_EOF) return EndedInsideEntity();
    if (!corners.finite) {
        ++m_nDropped;
        return;
    }
    int count = 0;
    for (bool c : corners.complete)
        count += c;
    line.SetSize(count);
    for (int k = 0, i = 0; k < kMaxCorners; ++k) {
        if (!corners.complete[k]) continue;
        line.SetAt(i++, corners.point[k]);
        m_target.ExtendBounds(corners.point[k].x, corners.point[k].y, corners.point[k].z);
    }
    if (faceMarking) line.m_bFace = true;
    m_target.Append(std::move(line));
}

// The frame shared by the token-read entities: skip to the first of the entity's groups, store
// the run of its groups, and stop at the first other group. False when the entity is dropped.
// An entity holding a value that is not a finite float is dropped and counted; one that the
// input ends inside is dropped and ends the read.
template <typename Store> bool CDxfReader::ReadTokenEntity(int firstCode, int lastCode, Store store) {
    auto isOwn = [&](int c) { return c >= firstCode && c <= lastCode && store(c, RealValue(), false); };
    auto next = [&] {
        if (ReadTokenGroup()) return true;
        EndedInsideEntity();
        return false;
    };
    m_bTokenNonFinite = false;
    if (!next() || IsStructureKeyword()) return false;
    while (!isOwn(m_tokenCode))
        if (!next() || IsStructureKeyword()) return false;
    while (isOwn(m_tokenCode)) {
        m_bTokenNonFinite = m_bTokenNonFinite || !std::isfinite(RealValue());
        store(m_tokenCode, RealValue(), true);
        if (!next()) return false;
    }
    if (m_bTokenNonFinite) ++m_nDropped;
    return !m_bTokenNonFinite;
}

namespace {

// Stores x, y and z of codes base+k into corner k, offsets added to x and y.
bool StoreCorner(Vec3f* corners, int count, const Vec3f& off, int code, float value, bool write) {
    const int k = code % 10;
    const int axis = code / 10 - 1;
    if (axis < 0 || axis > 2 || k >= count) return false;
    if (write) {
        Vec3f& c = corners[k];
        if (axis == 0) c.x = off.x + value;
        if (axis == 1) c.y = off.y + value;
        if (axis == 2) c.z = value;
    }
    return true;
}

} // namespace

void CDxfReader::ReadLineEntity() {
    Vec3f ends[2];
    const Vec3f off = m_options.offset;
    auto store = [&](int code, float v, bool write) { return StoreCorner(ends, 2, off, code, v, write); };
    if (!ReadTokenEntity(10, 31, store)) return;
    CUnderlayPolyLine line;
    AddPoint(line, ends[0]);
    AddPoint(line, ends[1]);
    Finish(std::move(line));
}

void CDxfReader::SkipPoint() {
    Vec3f ignored[1];
    const Vec3f off = m_options.offset;
    auto store = [&](int code, float v, bool write) { return StoreCorner(ignored, 1, off, code, v, write); };
    ReadTokenEntity(10, 30, store);
}

void CDxfReader::ReadQuad() {
    Vec3f c[4];
    const Vec3f off = m_options.offset;
    auto store = [&](int code, float v, bool write) { return StoreCorner(c, 4, off, code, v, write); };
    if (!ReadTokenEntity(10, 33, store)) return;
    CUnderlayPolyLine line;
    for (int k : {0, 1, 2, 3, 0})
        AddPoint(line, c[k]);
    Finish(std::move(line));
}

void CDxfReader::ReadCircle() {
    Vec3f centre[1];
    float radius = 0.0f;
    const Vec3f off = m_options.offset;
    auto store = [&](int code, float v, bool write) {
        if (code == 40) {
            if (write) radius = v;
            return true;
        }
        return StoreCorner(centre, 1, off, code, v, write);
    };
    if (!ReadTokenEntity(10, 40, store)) return;
    CUnderlayPolyLine line;
    ArcPoints(line, centre[0], radius, 0.0, 360.0, static_cast<int>(360 / 5.0));
    Finish(std::move(line));
}

void CDxfReader::ReadArc() {
    Vec3f centre[1];
    float radius = 1.0f, start = 0.0f, end = 0.0f;
    const Vec3f off = m_options.offset;
    auto store = [&](int code, float v, bool write) {
        float* field = code == 40 ? &radius : code == 50 ? &start : code == 51 ? &end : nullptr;
        if (!field) return StoreCorner(centre, 1, off, code, v, write);
        if (write) *field = v;
        return true;
    };
    if (!ReadTokenEntity(10, 51, store)) return;
    if (!m_options.keepUnits) {
        start *= 0.03937008f;
        end *= 0.03937008f;
    }
    if (start < 0) start += 360;
    if (end < 0) end += 360;
    float sweep = end - start;
    // Angles that are not numbers make no arc; a huge negative sweep is reduced in one step
    // (adding 360 to -1e20 changes nothing), and an arc never turns more than once: the sweep is
    // taken modulo 360 into [0, 360], so 1800 to 0 degrees is the same as 1440 to 0.
    if (!std::isfinite(sweep)) {
        ++m_nDropped;
        return;
    }
    for (int i = 0; sweep < 0 && i < 4; ++i)
        sweep += 360;
    if (sweep < 0) {
        sweep = std::fmod(sweep, 360.0f);
        if (sweep < 0) sweep += 360.0f;
    }
    if (sweep > 360) sweep = std::fmod(sweep, 360.0f);
    const int n = static_cast<int>(sweep / 5.0) + 2;
    CUnderlayPolyLine line;
    ArcPoints(line, centre[0], radius, start, end, n);
    Finish(std::move(line));
}

void CDxfReader::ArcPoints(CUnderlayPolyLine& line, Vec3f c, double r, double a0, double a1, int n) {
    double sweep = a1 - a0;
    if (sweep < 0) sweep += 360;
    const double step = sweep / (n - 1);
    for (int i = 0; i < n; ++i) {
        // Arc and circle points have always been placed with this shorter pi.
        constexpr double kArcPi = 3.14159265;
        const double angle = (a0 + i * step) * kArcPi / 180;
        AddPoint(line, {static_cast<float>(c.x + r * std::cos(angle)),
                        static_cast<float>(c.y + r * std::sin(angle)), c.z});
    }
}

namespace {

// The 1-based number of the line that holds the last of the first `offset` bytes of the stream.
long LineAt(std::FILE* file, std::uint64_t offset) {
    if (std::fseek(file, 0, SEEK_SET) != 0) return 0;
    if (offset > 0) --offset; // that byte's own line end does not start a new line
    long line = 1;
    char block[1 << 16];
    while (offset > 0) {
        const std::size_t want = offset < sizeof block ? static_cast<std::size_t>(offset) : sizeof block;
        const std::size_t n = std::fread(block, 1, want, file);
        if (n == 0) break;
        for (std::size_t i = 0; i < n; ++i)
            line += block[i] == '\n';
        offset -= n;
    }
    return line;
}

// Binary drawings start with this sentinel (after a product name); UTF-16 text has a byte-order
// mark or a zero byte beside every ASCII character; anything else with zero bytes or many
// control bytes is no text at all.
DxfReadReport::Content Sniff(const unsigned char* head, std::size_t n) {
    static const char kBinarySentinel[] = "Binary DXF\r\n\x1a";
    const std::string_view text(reinterpret_cast<const char*>(head), std::min<std::size_t>(n, 32));
    if (text.find(kBinarySentinel) != std::string_view::npos) return DxfReadReport::Content::BinaryDxf;
    if (n >= 2 && ((head[0] == 0xFF && head[1] == 0xFE) || (head[0] == 0xFE && head[1] == 0xFF)))
        return DxfReadReport::Content::Utf16;
    std::size_t zeros = 0, controls = 0;
    for (std::size_t i = 0; i < n; ++i) {
        zeros += head[i] == 0;
        controls += head[i] < 0x20 && head[i] != '\t' && head[i] != '\n' && head[i] != '\r';
    }
    if (n >= 8 && zeros * 3 >= n) return DxfReadReport::Content::Utf16;
    if (zeros > 0 || controls * 10 > n) return DxfReadReport::Content::NotText;
    return DxfReadReport::Content::Text;
}

} // namespace

std::unique_ptr<CUnderlayList> ReadDxfStream(std::FILE* file, std::unique_ptr<CUnderlayList> list,
                                             const DxfReadOptions& options, DxfReadReport* report,
                                             std::uint64_t limit) {
    if (list)
        list->DeleteAll();
    else
        list = std::make_unique<CUnderlayList>();
    CByteSource source(file, limit);
    if (options.progress) source.SetBlockObserver(options.progress, limit);
    CDxfReader reader(*list, options);
    if (const auto split = FindHalves(file, limit, options.halvesFrom))
        ReadHalves(reader, source, *list, options, file, *split, limit);
    else
        reader.ReadAll(source);
    list->m_nUnits = options.units;
    if (report) {
        report->droppedEntities = reader.DroppedEntities();
        report->endedInsideEntity = reader.EndedInsideAt().has_value();
        if (report->endedInsideEntity) report->stopLine = LineAt(file, *reader.EndedInsideAt());
    }
    return list;
}

std::unique_ptr<CUnderlayList> ReadDxfFile(const std::string& path, std::unique_ptr<CUnderlayList> list,
                                           const DxfReadOptions& options, DxfReadReport* report) {
    InputFile input(path);
    if (!input.Ok()) {
        if (report) report->openError = input.Error();
        return nullptr;
    }
    if (report) {
        unsigned char head[4096];
        const ssize_t n = ::pread(fileno(input.Stream()), head, sizeof head, 0);
        report->content = Sniff(head, n > 0 ? static_cast<std::size_t>(n) : 0);
    }
    return ReadDxfStream(input.Stream(), std::move(list), options, report, input.Size());
}

} // namespace figurant
