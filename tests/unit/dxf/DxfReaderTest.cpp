#include "DxfReader.h"
#include "DxfHalves.h"
#include "DxfText.h"
#include "FpTraps.h"
#include "TempDir.h"

#include <clocale>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <random>
#include <sys/stat.h>

using namespace figurant;
using namespace figurant::test;

namespace {

const Groups kSection{{"0", "SECTION"}, {"2", "ENTITIES"}};
const Groups kEnd{{"0", "ENDSEC"}, {"0", "EOF"}};
const std::vector<std::string> kUnitSquare{"0", "0", "0", "1", "0", "0", "1", "1", "0", "0", "1", "0"};

class ReaderTest : public testing::Test {
  protected:
    std::unique_ptr<CUnderlayList> Read(const std::string& bytes, const DxfReadOptions& o = {}) {
        return ReadDxfFile(dir.Write("t.dxf", bytes), nullptr, o);
    }
    static std::vector<float> Flat(const CUnderlayPolyLine& p) {
        std::vector<float> v;
        for (const Vec3f& q : p.Points())
            v.insert(v.end(), {q.x, q.y, q.z});
        return v;
    }
    static CUnderlayPolyLine& At(CUnderlayList& l, int i) {
        auto it = l.begin();
        while (i-- > 0)
            ++it;
        return **it;
    }
    // Every polyline, flag, segment and bound the same to the bit.
    static void ExpectSame(CUnderlayList& a, CUnderlayList& b, const std::string& text) {
        ASSERT_EQ(a.GetCount(), b.GetCount()) << text;
        ASSERT_EQ(std::memcmp(a.m_bounds, b.m_bounds, sizeof a.m_bounds), 0) << text;
        for (int i = 0; i < a.GetCount(); ++i) {
            const auto fa = Flat(At(a, i)), fb = Flat(At(b, i));
            ASSERT_EQ(fa.size(), fb.size()) << text;
            ASSERT_TRUE(fa.empty() || std::memcmp(fa.data(), fb.data(), fa.size() * sizeof(float)) == 0)
                << text;
            ASSERT_EQ(At(a, i).m_nSegment, At(b, i).m_nSegment) << text;
            ASSERT_EQ(At(a, i).m_bFace, At(b, i).m_bFace) << text;
        }
    }
    static inline const DxfReadOptions kInHalves = [] {
        DxfReadOptions o;
        o.halvesFrom = 0;
        return o;
    }();
    TempDir dir;
};

TEST_F(ReaderTest, TypicalBodyFace) {
    auto l = Read(Dxf(kSection + Face(5, kUnitSquare) + kEnd));
    ASSERT_TRUE(l);
    ASSERT_EQ(l->GetCount(), 1);
    EXPECT_EQ(At(*l, 0).m_bFace, 1);
    EXPECT_EQ(At(*l, 0).m_nSegment, 5);
    EXPECT_EQ(Flat(At(*l, 0)), (std::vector<float>{0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0}));
    EXPECT_EQ(l->m_nUnits, 5);
    EXPECT_EQ(l->m_bBoundsEmpty, 0);
    EXPECT_EQ(std::vector<float>(l->m_bounds, l->m_bounds + 6), (std::vector<float>{0, 1, 0, 1, 0, 0}));
}

// Colour numbers are 16-bit: larger ones are held at the nearest end, still naming no segment.
TEST_F(ReaderTest, ColourNumbersBeyondSixteenBitsAreHeldAtTheEnds) {
    auto l = Read(
        Dxf(kSection + Face(70000, kUnitSquare) + Face(-70000, kUnitSquare) + Face(-7, kUnitSquare) + kEnd));
    ASSERT_EQ(l->GetCount(), 3);
    EXPECT_EQ(At(*l, 0).m_nSegment, 32767);
    EXPECT_EQ(At(*l, 1).m_nSegment, -32768);
    EXPECT_EQ(At(*l, 2).m_nSegment, -7);
}

TEST_F(ReaderTest, FileWithoutSectionKeepsItsFirstFace) {
    auto l = Read(Dxf(Face(1, kUnitSquare) + Face(2, kUnitSquare) + kEnd));
    ASSERT_EQ(l->GetCount(), 2);
    EXPECT_EQ(At(*l, 0).m_nSegment, 1);
}

TEST_F(ReaderTest, BlankPaddedCodesAndCrLf) {
    Groups padded;
    for (auto [code, value] : kSection + Face(4, kUnitSquare) + kEnd)
        padded.push_back({std::string(3 - code.size(), ' ') + code, value});
    auto l = Read(Dxf(padded, "\r\n"));
    ASSERT_EQ(l->GetCount(), 1);
    EXPECT_EQ(At(*l, 0).m_nSegment, 4);
    EXPECT_EQ(At(*l, 0).GetSize(), 4);
}

TEST_F(ReaderTest, FaceDirectlyAfterTokenEntities) {
    const Groups line{{"0", "LINE"}, {"10", "1"}, {"20", "2"}, {"30", "3"},
                      {"11", "4"},   {"21", "5"}, {"31", "6"}};
    const Groups solid{{"0", "SOLID"}, {"10", "0"}, {"20", "0"}, {"30", "0"}, {"11", "1"},
                       {"21", "0"},    {"31", "0"}, {"12", "1"}, {"22", "1"}, {"32", "0"},
                       {"13", "0"},    {"23", "1"}, {"33", "0"}};
    auto l = Read(Dxf(kSection + line + Face(1, kUnitSquare) + solid + Face(4, kUnitSquare) + kEnd));
    ASSERT_EQ(l->GetCount(), 4);
    EXPECT_EQ(Flat(At(*l, 0)), (std::vector<float>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(At(*l, 1).m_bFace, 1);
    EXPECT_EQ(At(*l, 2).GetSize(), 5);
    EXPECT_EQ(At(*l, 3).m_nSegment, 4);
}

TEST_F(ReaderTest, UnknownEntityEndsTheFace) {
    const Groups insert{{"0", "INSERT"}, {"62", "7"}, {"10", "50"}, {"20", "50"}, {"30", "50"}};
    auto l = Read(Dxf(kSection + Face(3, kUnitSquare) + insert + kEnd));
    ASSERT_EQ(l->GetCount(), 1);
    EXPECT_EQ(At(*l, 0).m_nSegment, 3);
    EXPECT_EQ(l->m_bounds[1], 1.0f);
}

TEST_F(ReaderTest, CornersInAnyOrder) {
    Groups g{{"0", "3DFACE"}, {"62", "2"}};
    for (int k : {3, 2, 1, 0})
        for (int a = 0; a < 3; ++a)
            g.push_back({std::to_string(10 * (a + 1) + k), std::to_string(k * 10 + a)});
    auto l = Read(Dxf(g + kEnd));
    ASSERT_EQ(l->GetCount(), 1);
    EXPECT_EQ(Flat(At(*l, 0)), (std::vector<float>{0, 1, 2, 10, 11, 12, 20, 21, 22, 30, 31, 32}));
}

TEST_F(ReaderTest, PolylineKeepsOnlyItsOwnPoint) {
    const Groups g{{"0", "POLYLINE"}, {"62", "9"}, {"10", "1"}, {"20", "2"}, {"30", "3"},
                   {"0", "VERTEX"},   {"10", "5"}, {"20", "5"}, {"30", "5"}, {"0", "SEQEND"}};
    auto l = Read(Dxf(kSection + g + kEnd));
    ASSERT_EQ(l->GetCount(), 1);
    EXPECT_EQ(At(*l, 0).m_bFace, 0);
    EXPECT_EQ(Flat(At(*l, 0)), (std::vector<float>{1, 2, 3}));
}

TEST_F(ReaderTest, CirclesAndArcs) {
    const Groups circle{{"0", "CIRCLE"}, {"10", "1"}, {"20", "2"}, {"30", "3"}, {"40", "2"}};
    const Groups arc{{"0", "ARC"}, {"10", "0"}, {"20", "0"}, {"30", "0"},
                     {"40", "1"},  {"50", "0"}, {"51", "90"}};
    const Groups flat{{"0", "ARC"}, {"10", "0"}, {"20", "0"}, {"30", "0"}, {"50", "30"}, {"51", "30"}};
    const Groups bare{{"0", "CIRCLE"}, {"10", "1"}, {"20", "1"}, {"30", "1"}};
    auto l = Read(Dxf(kSection + circle + arc + flat + bare + kEnd));
    ASSERT_EQ(l->GetCount(), 4);
    const auto& c = At(*l, 0);
    ASSERT_EQ(c.GetSize(), 72);
    EXPECT_NEAR(c[71].x, c[0].x, 1e-5);
    EXPECT_NEAR(c[71].y, c[0].y, 1e-5);
    EXPECT_EQ(c[0].x, 3.0f);
    EXPECT_EQ(c[5].z, 3.0f);
    EXPECT_EQ(At(*l, 1).GetSize(), 20);
    EXPECT_NEAR(At(*l, 1)[19].y, 1.0f, 1e-6);
    ASSERT_EQ(At(*l, 2).GetSize(), 2);
    EXPECT_EQ(Flat(At(*l, 2)),
              (std::vector<float>{At(*l, 2)[0].x, At(*l, 2)[0].y, 0, At(*l, 2)[0].x, At(*l, 2)[0].y, 0}));
    EXPECT_EQ(Flat(At(*l, 3))[0], 1.0f); // radius 0 without group 40
}

TEST_F(ReaderTest, DisabledKindMakesNothingAndDoesNotDisturb) {
    const Groups line{{"0", "LINE"}, {"10", "1"}, {"20", "2"}, {"30", "3"},
                      {"11", "4"},   {"21", "5"}, {"31", "6"}};
    DxfReadOptions o;
    o.filter.line = 0;
    auto l = Read(Dxf(kSection + line + Face(1, kUnitSquare) + kEnd), o);
    ASSERT_EQ(l->GetCount(), 1);
    EXPECT_EQ(At(*l, 0).m_bFace, 1);
}

TEST_F(ReaderTest, EndsAndEmptyInputs) {
    auto empty = Read("");
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->GetCount(), 0);
    EXPECT_EQ(empty->m_nUnits, 5);
    EXPECT_EQ(empty->m_bBoundsEmpty, 1);

    // A value line EOF ends a face like a keyword; a code-position EOF ends the read.
    auto l = Read(Dxf(Face(1, kUnitSquare)) + "0\nEOF\n" + Dxf(Face(2, kUnitSquare)));
    EXPECT_EQ(l->GetCount(), 1);
    auto m = Read(Dxf(Face(1, kUnitSquare)) + "0\nSECTION\nEOF\n" + Dxf(Face(2, kUnitSquare) + kEnd));
    EXPECT_EQ(m->GetCount(), 1);
    // The same line inside a face ends the read before the face is complete.
    EXPECT_EQ(Read(Dxf(Face(1, kUnitSquare)) + "EOF\n" + Dxf(Face(2, kUnitSquare) + kEnd))->GetCount(), 0);

    // Input that ends inside an entity drops that entity.
    const std::string two = Dxf(Face(1, kUnitSquare) + Face(2, kUnitSquare));
    EXPECT_EQ(Read(two.substr(0, two.size() - 4))->GetCount(), 1);
    EXPECT_EQ(Read("0\nLINE\n10\n1\n20\n2\n30\n3\n11\n")->GetCount(), 0);
}

TEST_F(ReaderTest, UnopenablePathsGiveNull) {
    EXPECT_EQ(ReadDxfFile(dir.File("missing.dxf"), nullptr, {}), nullptr);
    EXPECT_EQ(ReadDxfFile(dir.Path().string(), std::make_unique<CUnderlayList>(), {}), nullptr);
}

TEST_F(ReaderTest, SuppliedListIsEmptiedFirst) {
    const std::string path = dir.Write("a.dxf", Dxf(Face(1, kUnitSquare) + kEnd));
    auto l = ReadDxfFile(path, nullptr, {});
    l = ReadDxfFile(path, std::move(l), {});
    EXPECT_EQ(l->GetCount(), 1);
}

TEST_F(ReaderTest, OffsetsUnitsAndSignedZero) {
    DxfReadOptions o;
    o.offset = {1, 2, 3};
    o.keepUnits = 0;
    const Groups line{{"0", "LINE"}, {"10", "1"}, {"20", "-0"}, {"30", "-0"},
                      {"11", "0"},   {"21", "0"}, {"31", "0"}};
    auto l =
        Read(Dxf(line + Face(1, {"-0", "-0", "-0", "1", "1", "1", "1", "1", "1", "1", "1", "1"}) + kEnd), o);
    ASSERT_EQ(l->GetCount(), 2);
    EXPECT_EQ(At(*l, 0)[0].x, 1 + 25.4f);
    EXPECT_EQ(At(*l, 0)[0].y, 2.0f);
    EXPECT_TRUE(std::signbit(At(*l, 0)[0].z));
    // Faces are read by lines: values are not scaled, and z gets its offset too.
    EXPECT_EQ(At(*l, 1)[1].z, 4.0f);
    EXPECT_FALSE(std::signbit(
        At(*Read(Dxf(Face(1, {"-0", "-0", "-0", "0", "0", "0", "0", "0", "0", "0", "0", "0"}) + kEnd)), 0)[0]
            .x));
}

TEST_F(ReaderTest, NumbersIgnoreTheProcessLocale) {
    const char* old = std::setlocale(LC_ALL, nullptr);
    const std::string saved = old ? old : "C";
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8")) GTEST_SKIP() << "de_DE.UTF-8 not installed";
    auto l = Read(Dxf(Face(1, {"0.5", "1.25", "2.5E-1", "0", "0", "0", "0", "0", "0", "0", "0", "0"}) +
                      Groups{{"0", "LINE"},
                             {"10", "0.5"},
                             {"20", "1.5D1"},
                             {"30", "0"},
                             {"11", "0"},
                             {"21", "0"},
                             {"31", "0"}} +
                      kEnd));
    std::setlocale(LC_ALL, saved.c_str());
    EXPECT_EQ(At(*l, 0)[0].x, 0.5f);
    EXPECT_EQ(At(*l, 0)[0].y, 1.25f);
    EXPECT_EQ(At(*l, 0)[0].z, 0.25f);
    EXPECT_EQ(At(*l, 1)[0].x, 0.5f);
    EXPECT_EQ(At(*l, 1)[0].y, 15.0f);
}

// Plain LF lines take the reader's in-buffer path for face groups; CR LF lines take the line
// scanner. Both must give the same model, to the bit.
TEST_F(ReaderTest, FastAndLineByLinePathsAgree) {
    std::string lf, crlf;
    for (int i = 0; i < 300; ++i) {
        const Groups face = Face(1 + i % 19, {std::to_string(i * 0.001), "-0", "1.5e-3", "7", "-0.125", ".5",
                                              "2.", "1e38", "-1.25E+2", "0x10", "3", "-3.4e38"});
        lf += Dxf(face);
        crlf += Dxf(face, "\r\n");
    }
    lf += "0\nEOF\n";
    crlf += "0\r\nEOF\r\n";
    NoFpTraps traps;
    auto a = Read(lf), b = Read(crlf);
    ASSERT_EQ(a->GetCount(), 300);
    ASSERT_EQ(b->GetCount(), 300);
    for (int i = 0; i < 300; ++i) {
        const auto fa = Flat(At(*a, i)), fb = Flat(At(*b, i));
        ASSERT_EQ(fa.size(), fb.size());
        for (std::size_t k = 0; k < fa.size(); ++k) {
            if (std::isnan(fa[k])) {
                EXPECT_TRUE(std::isnan(fb[k]));
                continue;
            }
            EXPECT_EQ(fa[k], fb[k]);
            EXPECT_EQ(std::signbit(fa[k]), std::signbit(fb[k]));
        }
        EXPECT_EQ(At(*a, i).m_nSegment, At(*b, i).m_nSegment);
    }
    for (int k = 0; k < 6; ++k)
        EXPECT_EQ(a->m_bounds[k], b->m_bounds[k]);
}

// The same comparison over random group sequences, structure keywords and odd values included.
TEST_F(ReaderTest, RandomDrawingsReadTheSameWithEitherLineEnd) {
    NoFpTraps traps;
    const std::vector<std::string> entities{"3DFACE", "POLYLINE", "LINE",   "VERTEX", "SEQEND",
                                            "INSERT", "EOF",      "ARC",    "CIRCLE", "SOLID",
                                            "TRACE",  "POINT",    "SECTION"};
    const std::vector<std::string> codes{"0",   "8",   "62",  "10", "20", "30", "11", "21",
                                         "31",  "13",  "23",  "33", "14", "40", "50", "51",
                                         "999", " 10", "  0", "x",  "",   "70", "210"};
    const std::vector<std::string> values{"1",    "-0",   "0.5", "1e3", "-1.25E+2", "3DFACE",
                                          "LINE", "BODY", "",    "7",   "nan",      ".5",
                                          "2.",   "0x10", "abc", "  3", "-",        "12345678901234567890"};
    std::mt19937 rng(11);
    auto pick = [&](const std::vector<std::string>& v) { return v[rng() % v.size()]; };
    for (int n = 0; n < 400; ++n) {
        std::string lf;
        const int groups = 2 + static_cast<int>(rng() % 60);
        for (int i = 0; i < groups; ++i)
            lf += rng() % 7 == 0 ? "0\n" + pick(entities) + "\n" : pick(codes) + "\n" + pick(values) + "\n";
        std::string crlf;
        for (char c : lf)
            crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
        ExpectSame(*Read(lf), *Read(crlf), lf);
        ExpectSame(*Read(lf), *Read(lf, kInHalves), lf);
        ExpectSame(*Read(crlf), *Read(crlf, kInHalves), lf);
    }
}

// A drawing read in two halves at once, the second half holding what tests the join: the
// smallest and largest values, faces dropped for a coordinate that is not a finite float, and
// the end of the input inside a face. (Equal bounds of either sign, 0 and -0, come from lines:
// the random drawings above hold them.)
TEST_F(ReaderTest, HalvesJoinExactly) {
    NoFpTraps traps;
    Groups groups = kSection;
    for (int i = 0; i < 100; ++i)
        groups =
            groups + Face(1 + i % 16, {"0", "1", "2", "0.5", "0.25", "-0", "1", "1", "0", "0", "1", "0"});
    for (int i = 0; i < 300; ++i)
        groups = groups + Face(2, {"0", "0", "-7", "9", "0.25", "0", "1", i == 7 ? "nan" : "1", "0", "0", "1",
                                   i == 9 ? "1e39" : "0"});
    const std::string text = Dxf(groups) + "0\n3DFACE\n10\n1\n";
    std::FILE* file = std::fopen(dir.Write("h.dxf", text).c_str(), "rb");
    EXPECT_TRUE(FindHalves(file, text.size(), 0));
    std::fclose(file);
    DxfReadReport whole, halves;
    DxfReadOptions options = kInHalves;
    std::uint64_t lastRead = 0;
    options.progress = [&](std::uint64_t read, std::uint64_t total) {
        EXPECT_LE(read, total);
        lastRead = read;
    };
    const auto a = ReadDxfFile(dir.File("h.dxf"), nullptr, {}, &whole);
    const auto b = ReadDxfFile(dir.File("h.dxf"), nullptr, options, &halves);
    ExpectSame(*a, *b, "");
    EXPECT_EQ(a->GetCount(), 398);
    EXPECT_EQ(halves.droppedEntities, 2);
    EXPECT_EQ(halves.stopLine, whole.stopLine);
    EXPECT_TRUE(halves.endedInsideEntity);
    EXPECT_GT(lastRead, 0u);
}

TEST_F(ReaderTest, HostileArcsAreBounded) {
    NoFpTraps traps;
    for (const char* angle : {"-1e20", "1e20", "nan", "inf", "1e39", "0x1p200"}) {
        const Groups arc{{"0", "ARC"}, {"10", "0"}, {"20", "0"},  {"30", "0"},
                         {"40", "1"},  {"50", "0"}, {"51", angle}};
        auto l = Read(Dxf(arc + Face(1, kUnitSquare) + kEnd));
        ASSERT_TRUE(l) << angle;
        for (const auto& p : *l)
            EXPECT_LE(p->GetSize(), 74) << angle;
        EXPECT_EQ(At(*l, l->GetCount() - 1).m_bFace, 1) << angle;
    }
}

TEST_F(ReaderTest, HostileBytesDoNotCrash) {
    NoFpTraps traps;
    const std::string cases[] = {
        std::string("AutoCAD Binary DXF\r\n\x1a\0", 22) + std::string(200, '\0') + "\xff\xfe",
        "0\r3DFACE\r10\r1\r20\r2\r30\r3\r",
        std::string(1 << 20, 'x') + "\n0\n3DFACE\n10\n1\n20\n1\n30\n1\n0\nEOF\n",
        "99999999999999999999\nx\n62\n-99999999999999\n10\n1e39\n20\nnan\n30\ninf\n",
        "0\n3DFACE\n10\n1\n20\n2\n30\n3\n",
        "0\nCIRCLE\n10\n\xff\n20\n",
    };
    for (const auto& bytes : cases) {
        auto l = Read(bytes);
        ASSERT_TRUE(l);
        EXPECT_LE(l->GetCount(), 2);
    }
}

} // namespace

namespace {

// Each of these drawings once lost or invented data: the fixture keeps them from coming back.
class HostileDrawingTest : public ReaderTest {
  protected:
    std::unique_ptr<CUnderlayList> ReadWithReport(const std::string& bytes) {
        report = {};
        return ReadDxfFile(dir.Write("h.dxf", bytes), nullptr, {}, &report);
    }
    DxfReadReport report;
};

TEST_F(HostileDrawingTest, ByteFFInALayerNameEndsNothing) {
    Groups first = Face(5, kUnitSquare);
    first[1].second = "K\xFF"
                      "RPER";
    auto l = ReadWithReport(Dxf(kSection + first + Face(6, kUnitSquare) + kEnd));
    ASSERT_TRUE(l);
    EXPECT_EQ(l->GetCount(), 2);
}

TEST_F(HostileDrawingTest, OverlongGroupCodesAreNotCodes) {
    // 4294967306 would wrap to 10 and set x.
    auto l = ReadWithReport(Dxf(kSection + Face(5, kUnitSquare) + Groups{{"4294967306", "7"}} + kEnd));
    ASSERT_EQ(l->GetCount(), 1);
    EXPECT_EQ(At(*l, 0)[0].x, 0.0f);
    auto t = ReadWithReport(Dxf(kSection +
                                Groups{{"0", "LINE"},
                                       {"10", "1"},
                                       {"20", "2"},
                                       {"30", "3"},
                                       {"11", "4"},
                                       {"21", "5"},
                                       {"31", "6"},
                                       {"4294967306", "7"}} +
                                kEnd));
    ASSERT_EQ(t->GetCount(), 1);
    EXPECT_EQ(At(*t, 0)[0].x, 1.0f);
    // An overlong code is passed over with its value, whatever that value is: the groups after it
    // keep their pairs, and nothing of it is taken for the next code.
    for (const char* value : {"7", "("}) {
        auto u = ReadWithReport(Dxf(kSection +
                                    Groups{{"0", "LINE"},
                                           {"4294967306", value},
                                           {"10", "1"},
                                           {"20", "2"},
                                           {"30", "3"},
                                           {"11", "4"},
                                           {"21", "5"},
                                           {"31", "6"}} +
                                    kEnd));
        ASSERT_EQ(u->GetCount(), 1) << value;
        EXPECT_EQ(At(*u, 0)[0].x, 1.0f) << value;
        EXPECT_EQ(At(*u, 0)[1].z, 6.0f) << value;
    }
}

TEST_F(HostileDrawingTest, UnreadableTokenValuesReadAsZero) {
    auto l = ReadWithReport(Dxf(
        kSection +
        Groups{
            {"0", "LINE"}, {"10", "abc"}, {"20", "#"}, {"30", "3"}, {"11", "4"}, {"21", "5"}, {"31", "6"}} +
        kEnd));
    ASSERT_EQ(l->GetCount(), 1);
    EXPECT_EQ(At(*l, 0)[0].x, 0.0f);
    EXPECT_EQ(At(*l, 0)[0].y, 0.0f);
}

TEST_F(HostileDrawingTest, ArcSweepsReduceTheSameWay) {
    auto arc = [&](const char* start) {
        auto l = ReadWithReport(Dxf(kSection +
                                    Groups{{"0", "ARC"},
                                           {"10", "0"},
                                           {"20", "0"},
                                           {"30", "0"},
                                           {"40", "1"},
                                           {"50", start},
                                           {"51", "0"}} +
                                    kEnd));
        return l->GetCount() == 1 ? At(*l, 0).GetSize() : -1;
    };
    EXPECT_EQ(arc("1800"), 2);
    EXPECT_EQ(arc("1440"), 2);
    EXPECT_EQ(arc("1890"), arc("90"));
}

TEST_F(HostileDrawingTest, NonFiniteCoordinatesDropTheirEntityAndAreCounted) {
    std::vector<std::string> corners = kUnitSquare;
    corners[4] = "nan";
    const Groups line{{"0", "LINE"}, {"10", "1e39"}, {"20", "0"}, {"30", "0"},
                      {"11", "1"},   {"21", "1"},    {"31", "1"}};
    const Groups circle{{"0", "CIRCLE"}, {"10", "0"}, {"20", "0"}, {"30", "0"}, {"40", "inf"}};
    NoFpTraps traps;
    auto l = ReadWithReport(Dxf(kSection + Face(5, kUnitSquare) + Face(6, corners) + line + circle + kEnd));
    ASSERT_EQ(l->GetCount(), 1);
    EXPECT_EQ(report.droppedEntities, 3);
    for (int i = 0; i < 6; ++i)
        EXPECT_TRUE(std::isfinite(l->m_bounds[i])) << i;
    EXPECT_FALSE(report.endedInsideEntity);
}

TEST_F(HostileDrawingTest, InputEndingInsideAnEntityIsReportedWithItsLine) {
    const std::string text = Dxf(kSection + Face(5, kUnitSquare)) + "0\n3DFACE\n10\n1\n20\n";
    auto l = ReadWithReport(text);
    ASSERT_EQ(l->GetCount(), 1);
    EXPECT_TRUE(report.endedInsideEntity);
    EXPECT_EQ(report.stopLine, 39);
}

TEST_F(HostileDrawingTest, OnlyRegularFilesAreReadAndOnlyAsLargeAsAtOpen) {
    for (const char* path : {"/dev/zero", "/dev/null", "/tmp"}) {
        auto l = ReadWithReport("");
        l = ReadDxfFile(path, nullptr, {}, &report);
        EXPECT_FALSE(l) << path;
        EXPECT_EQ(report.openError, "not a regular file") << path;
    }
    const std::string fifo = dir.File("pipe.dxf");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(ReadDxfFile(fifo, nullptr, {}, &report)); // returns at once, no writer needed
    EXPECT_EQ(report.openError, "not a regular file");

    // A file that grows while it is read is read as it was when opened.
    const std::string path =
        dir.Write("grow.dxf", Dxf(kSection + Face(5, kUnitSquare) + Groups{{"0", "ENDSEC"}}));
    std::FILE* file = std::fopen(path.c_str(), "rb");
    const auto size = static_cast<std::uint64_t>(std::filesystem::file_size(path));
    std::ofstream(path, std::ios::app) << Dxf(Face(6, kUnitSquare) + kEnd);
    auto l = ReadDxfStream(file, nullptr, {}, &report, size);
    std::fclose(file);
    EXPECT_EQ(l->GetCount(), 1);
}

} // namespace
