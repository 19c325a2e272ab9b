#include "KvtDoc.h"
#include "DxfText.h"
#include "FpTraps.h"

#include "NormalsReader.h"
#include "ScriptedServices.h"
#include "TempDir.h"
#include <cmath>

#include <clocale>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace figurant;
using namespace figurant::test;

namespace {

// A model of one square face per colour, and normals for all its points.
class DocTest : public testing::Test {
  protected:
    std::string Model(const std::vector<int>& colours) {
        Groups g{{"0", "SECTION"}, {"2", "ENTITIES"}};
        int i = 0;
        for (int c : colours) {
            const std::string o = std::to_string(i++);
            g = g + Face(c, {o, "0", "0", o, "1", "0", o, "1", "1", o, "0", "1"});
        }
        return dir.Write("m.dxf", Dxf(g + Groups{{"0", "ENDSEC"}, {"0", "EOF"}}));
    }
    std::string Normals(std::size_t n) {
        std::string text = std::to_string(n) + "\n";
        for (std::size_t i = 0; i < n; ++i)
            text += "0 0 2\n";
        return dir.Write("m.normal", text);
    }
    CKvtDoc Loaded(const std::vector<int>& colours) {
        CKvtDoc doc(&services);
        doc.Load(Model(colours), Normals(4 * colours.size()));
        return doc;
    }
    TempDir dir;
    ScriptedServices services;
};

TEST(SegmentFromCode, ColourTable) {
    const std::pair<int, int> rows[] = {{1, 3},   {2, 1},   {3, 1},  {9, 1},  {16, 1}, {4, 10},
                                        {5, 12},  {6, 14},  {10, 4}, {11, 6}, {12, 8}, {13, 11},
                                        {14, 13}, {15, 15}, {17, 5}, {18, 7}, {19, 9}, {0, 0},
                                        {7, 0},   {8, 0},   {20, 0}, {-3, 0}, {256, 0}};
    for (auto [colour, segment] : rows)
        EXPECT_EQ(CKvtDoc::SegmentFromCode(colour), segment) << colour;
}

TEST_F(DocTest, LoadMapsSwapsConvertsAndCentres) {
    CKvtDoc doc = Loaded({1, 4, 7});
    ASSERT_TRUE(doc.Model());
    EXPECT_EQ(doc.SegmentNumbers(), (std::vector<int>{3, 10, 0}));
    EXPECT_EQ(doc.SegmentCount(), 4);
    EXPECT_EQ(doc.Model()->m_nSegments, 4);
    EXPECT_TRUE(doc.NormalsReady());
    const float* b = doc.Model()->m_bounds;
    // x came from -z (0..1), y from -x (0..2), z from y (0..1); all times 2.54, then centred.
    EXPECT_FLOAT_EQ(b[0], -1.27f);
    EXPECT_FLOAT_EQ(b[1], 1.27f);
    EXPECT_FLOAT_EQ(b[2], -2.54f);
    EXPECT_FLOAT_EQ(b[3], 2.54f);
    const Vec3f p = (**doc.Model()->begin())[0];
    EXPECT_FLOAT_EQ(p.x, 1.27f);
    EXPECT_FLOAT_EQ(p.y, 2.54f);
    EXPECT_FLOAT_EQ(p.z, -1.27f);
}

// The normals, then a drawing larger than a read block, report their progress, rising to the
// whole, and the last report of each (the whole) closes it; the document counts as loading only
// meanwhile.
TEST_F(DocTest, ReadingALargeDrawingShowsItsProgress) {
    std::string text = "0\nSECTION\n2\nENTITIES\n";
    for (int i = 0; i < 15000; ++i) {
        const std::string x = std::to_string(i);
        text += "0\n3DFACE\n62\n4\n10\n" + x + "\n20\n0\n30\n0\n11\n" + x + "\n21\n1\n31\n0\n12\n" + x +
                "\n22\n1\n32\n1\n13\n" + x + "\n23\n0\n33\n1\n";
    }
    const std::string path = dir.Write("m.dxf", text + "0\nENDSEC\n0\nEOF\n");
    ASSERT_GT(std::filesystem::file_size(path), std::uintmax_t{1} << 20);
    CKvtDoc doc(&services);
    doc.Load(path, Normals(4 * 15000));
    // The normals first: reported from the start, then closed.
    ASSERT_GE(services.busy.size(), 2u);
    EXPECT_EQ(services.busy[0].text, "Reading m.normal...");
    EXPECT_EQ(services.busy[0].done, 0);
    EXPECT_EQ(services.busy[1].text, "Reading m.normal...");
    EXPECT_EQ(services.busy[1].done, services.busy[1].total);
    services.busy.erase(services.busy.begin(), services.busy.begin() + 2);
    ASSERT_GE(services.busy.size(), 3u);
    for (std::size_t i = 1; i < services.busy.size(); ++i)
        EXPECT_LE(services.busy[i - 1].done, services.busy[i].done);
    EXPECT_LT(services.busy.front().done, services.busy.front().total);
    EXPECT_EQ(services.busy.back().done, services.busy.back().total);
    EXPECT_EQ(services.busy.back().text, "Reading m.dxf...");
    EXPECT_FALSE(doc.Loading());
}

// The global vertex number of every point of a segment's polylines, in order.
std::vector<int> PointIds(const SegmentTables& tables, std::size_t segment) {
    std::vector<int> ids;
    for (std::size_t i = 0; i < tables.lines[segment].size(); ++i)
        for (std::int32_t j = 0; j < tables.lines[segment][i]->GetSize(); ++j)
            ids.push_back(tables.firstIds[segment][i] + j);
    return ids;
}

TEST_F(DocTest, BuildHierarchyTablesTwiceAreIdentical) {
    CKvtDoc doc = Loaded({2, 7, 2, 1});
    doc.BuildHierarchy();
    const auto lists = doc.Tables().lines;
    const auto ids = doc.Tables().firstIds;
    doc.BuildHierarchy();
    EXPECT_EQ(doc.Tables().lines, lists);
    EXPECT_EQ(doc.Tables().firstIds, ids);
    ASSERT_EQ(doc.SegmentCount(), 4);
    EXPECT_EQ(PointIds(doc.Tables(), 1), (std::vector<int>{0, 1, 2, 3, 8, 9, 10, 11}));
    EXPECT_EQ(PointIds(doc.Tables(), 0), (std::vector<int>{4, 5, 6, 7}));
    // Every global vertex number exactly once over all segments.
    std::vector<int> all;
    for (std::size_t s = 0; s < doc.Tables().lines.size(); ++s) {
        const std::vector<int> v = PointIds(doc.Tables(), s);
        all.insert(all.end(), v.begin(), v.end());
    }
    std::sort(all.begin(), all.end());
    for (std::size_t i = 0; i < all.size(); ++i)
        EXPECT_EQ(all[i], static_cast<int>(i));
}

TEST_F(DocTest, SparseSegmentNumbersGetTablesLargeEnough) {
    CKvtDoc doc = Loaded({1, 4}); // segments 3 and 10, count 3
    EXPECT_EQ(doc.SegmentCount(), 3);
    doc.BuildHierarchy();
    ASSERT_EQ(doc.SegmentCount(), 11);
    EXPECT_EQ(doc.Tables().lines[10].size(), 1u);
    EXPECT_EQ(doc.Tables().lines[3].size(), 1u);
}

TEST_F(DocTest, LoadModelReleasesSegmentTables) {
    CKvtDoc doc = Loaded({2});
    doc.BuildHierarchy();
    doc.Load(doc.DxfFile());
    EXPECT_FALSE(doc.HasSegmentTables());
}

TEST_F(DocTest, NewDocumentReadsDefaultsOncePerProcess) {
    const auto old = std::filesystem::current_path();
    std::filesystem::current_path(dir.Path());
    std::filesystem::copy_file(Model({2, 3}), dir.File("guy01.dxf"));
    std::filesystem::copy_file(Normals(8), dir.File("guy01k10.normal"));
    CKvtDoc doc(&services);
    EXPECT_TRUE(doc.OnNewDocument());
    EXPECT_EQ(doc.DxfFile(), "guy01.dxf");
    ASSERT_TRUE(doc.Model());
    const auto* model = doc.Model();
    EXPECT_TRUE(doc.OnNewDocument());
    EXPECT_EQ(doc.Model(), model);
    EXPECT_EQ(services.hints, (std::vector<int>{1002, 1002}));
    std::filesystem::current_path(old);
}

TEST_F(DocTest, MissingFilesStartEmpty) {
    const auto old = std::filesystem::current_path();
    std::filesystem::current_path(dir.Path());
    CKvtDoc doc(&services);
    EXPECT_TRUE(doc.OnNewDocument());
    EXPECT_FALSE(doc.Model());
    EXPECT_EQ(doc.SegmentCount(), 0);
    EXPECT_FALSE(doc.NormalsReady());
    doc.BuildHierarchy();
    EXPECT_FALSE(doc.HasSegmentTables());
    EXPECT_TRUE(services.messages.empty());
    std::filesystem::current_path(old);
}

TEST_F(DocTest, ImportDialogCancelAndMissingFile) {
    CKvtDoc doc = Loaded({2});
    services.answers = {std::nullopt, dir.File("gone.dxf")};
    doc.OnImportDxf();
    EXPECT_TRUE(doc.Model());
    EXPECT_TRUE(services.hints.empty());
    ASSERT_EQ(services.requests.size(), 1u);
    EXPECT_EQ(services.requests[0].filter, "Dxf Files (*.dxf)|*.dxf| All Files (*.*)|*.*||");
    EXPECT_EQ(services.requests[0].defaultExtension, "dxf");
    EXPECT_TRUE(services.requests[0].open);
    doc.OnImportDxf();
    EXPECT_FALSE(doc.Model());
    EXPECT_EQ(doc.SegmentCount(), 0);
    EXPECT_EQ(services.hints, (std::vector<int>{1001}));
    EXPECT_EQ(doc.DxfFile(), dir.File("gone.dxf"));
}

TEST_F(DocTest, TooFewNormalsMeansNotReadyWithOneMessage) {
    CKvtDoc doc(&services);
    doc.Load(Model({2, 3}), Normals(5));
    EXPECT_FALSE(doc.NormalsReady());
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_NE(services.messages[0].find("8 vertices"), std::string::npos);
}

TEST_F(DocTest, BuildCommandSendsHint) {
    CKvtDoc doc = Loaded({2});
    doc.OnBuildHierarchy();
    EXPECT_EQ(services.hints, (std::vector<int>{1000}));
}

struct NormalsCase {
    const char* name;
    std::string text;
    bool readable;
    std::vector<Vec3f> normals;
};

void PrintTo(const NormalsCase& c, std::ostream* os) {
    *os << c.name;
}

class NormalsTest : public testing::TestWithParam<NormalsCase> {};

TEST_P(NormalsTest, Parse) {
    NoFpTraps traps;
    const auto& c = GetParam();
    const auto normals = ParseNormals(c.text);
    ASSERT_EQ(normals.has_value(), c.readable);
    if (!normals) return;
    ASSERT_EQ(normals->size(), c.normals.size());
    for (std::size_t i = 0; i < c.normals.size(); ++i) {
        EXPECT_FLOAT_EQ((*normals)[i].x, c.normals[i].x) << i;
        EXPECT_FLOAT_EQ((*normals)[i].y, c.normals[i].y) << i;
        EXPECT_FLOAT_EQ((*normals)[i].z, c.normals[i].z) << i;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Normals, NormalsTest,
    testing::Values(NormalsCase{"unit_and_scaled", "2\n3 0 4\n0 1 0\n", true, {{0.6f, 0, 0.8f}, {0, 1, 0}}},
                    NormalsCase{"tiny_kept", "2 0 0 0\t1e-9 0 0", true, {{0, 0, 0}, {1e-9f, 0, 0}}},
                    NormalsCase{"empty_count", "0", true, {}},
                    NormalsCase{"crlf_and_exponents", "1\r\n0.0E+00 -2.0e0 0\r\n", true, {{0, -1, 0}}},
                    NormalsCase{"cut_short_keeps_whole_triples", "3 0 0 5 2", true, {{0, 0, 1}}},
                    NormalsCase{"garbage_stops_reading", "2 0 0 1 x 1 1", true, {{0, 0, 1}}},
                    NormalsCase{"nan_stops_reading", "2 0 0 1 nan 1 1", true, {{0, 0, 1}}},
                    NormalsCase{"overflow_stops_reading", "1 1e39 0 0", true, {}},
                    NormalsCase{"negative_count", "-1 0 0 1", false, {}},
                    NormalsCase{"fraction_count", "1.5 0 0 1", false, {}},
                    NormalsCase{"count_overflows_int", "4294967297 0 0 1", false, {}},
                    NormalsCase{"no_number", "abc", false, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Normals, OneSignAtMost) {
    const auto normals = ParseNormals("2 0 0 +1 0 0 +-5");
    ASSERT_TRUE(normals);
    EXPECT_EQ(normals->size(), 1u); // "+-5" is not a number: the second triple is not whole
}

TEST(Normals, HugeCountInTinyFileStaysSmall) {
    const auto normals = ParseNormals("2147483647 0 0 1");
    ASSERT_TRUE(normals);
    EXPECT_LE(normals->size(), 4u);
    EXPECT_FLOAT_EQ((*normals)[0].z, 1.0f);
}

TEST(Normals, IgnoreTheProcessLocale) {
    const std::string saved = std::setlocale(LC_ALL, nullptr);
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8")) GTEST_SKIP() << "de_DE.UTF-8 not installed";
    const auto normals = ParseNormals("1 0.5 0 0");
    std::setlocale(LC_ALL, saved.c_str());
    EXPECT_FLOAT_EQ((*normals)[0].x, 1.0f);
}

TEST(Normals, UnreadableFile) {
    EXPECT_FALSE(ReadNormalsFile("/nonexistent/x.normal"));
    // A directory, a FIFO without a writer and an endless device are refused at once.
    TempDir dir;
    const std::string fifo = dir.File("p.normal");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& path : {dir.Path().string(), fifo, std::string("/dev/zero")}) {
        std::string error;
        EXPECT_FALSE(ReadNormalsFile(path, &error)) << path;
        EXPECT_EQ(error, "not a regular file");
    }
}

// The bytes of a string literal, zero bytes included, without its terminator.
template <std::size_t N> std::string Bytes(const char (&literal)[N]) {
    return std::string(literal, N - 1);
}

// After every load the user hears what was read, and what was wrong in one message.
TEST_F(DocTest, LoadReportsWhatWasReadAndWhatWasWrong) {
    CKvtDoc doc = Loaded({2, 3});
    EXPECT_EQ(services.statusMessages.back(), "2 faces, 2 segments");
    EXPECT_TRUE(services.messages.empty());
    struct Case {
        const char* name;
        std::string bytes;
        const char* says;
    };
    const Case cases[] = {
        {"binary", Bytes("AnyCAD Binary DXF\r\n\x1a\0") + std::string(64, '\x01'), "binary DXF"},
        {"utf16",
         Bytes("\xFF\xFE"
               "0\0\n\0S\0E\0C\0"),
         "UTF-16"},
        {"random", Bytes("\x13\x00\x9c\x02\x11\x05\xf0\x01"), "not a text drawing"},
        {"empty", Dxf(Groups{{"0", "SECTION"}, {"0", "EOF"}}), "holds no faces"},
        {"nan", Dxf(Face(2, {"0", "0", "nan", "1", "0", "0", "1", "1", "0", "0", "1", "0"})) + "0\nEOF\n",
         "1 entities were left out"},
        // Finite as read, but past a float once in metres: left out the same way.
        {"huge",
         Dxf(Face(2, {"0", "0", "0", "1", "0", "0", "1", "1", "0", "0", "1", "0"}) +
             Face(3, {"3.3e38", "0", "0", "1", "0", "0", "1", "1", "0", "0", "1", "0"})) +
             "0\nEOF\n",
         "1 entities were left out"},
        {"cut",
         Dxf(Face(2, {"0", "0", "0", "1", "0", "0", "1", "1", "0", "0", "1", "0"})) + "0\n3DFACE\n10\n",
         "reading stopped at line 33"},
    };
    for (const Case& c : cases) {
        services.messages.clear();
        const test::NoFpTraps overflowing; // the huge drawing overflows on purpose
        doc.Load(dir.Write(std::string(c.name) + ".dxf", c.bytes));
        ASSERT_EQ(services.messages.size(), 1u) << c.name;
        for (const CUnderlayPolyLine* line : *doc.Model())
            for (const Vec3f& p : line->Points())
                ASSERT_TRUE(std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z)) << c.name;
        EXPECT_NE(services.messages[0].find(c.says), std::string::npos)
            << c.name << ": " << services.messages[0];
    }
    services.messages.clear();
    doc.Load(dir.Path().string());
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_NE(services.messages[0].find("not a regular file"), std::string::npos);
}

} // namespace
