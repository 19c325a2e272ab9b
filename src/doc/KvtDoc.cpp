#include "KvtDoc.h"

#include "DxfReader.h"
#include "FigureFileReader.h"
#include "FigureReadApart.h"
#include "FigureTree.h"
#include "NormalsReader.h"
#include "SegmentNames.h"
#include "SurfaceNormals.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstring>

namespace figurant {

namespace {

// 4674 as "4,674": counts in the status bar read the same whatever the locale.
std::string Grouped(long n) {
    std::string digits = std::to_string(n), out;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
        out += digits[i];
    }
    return out;
}

} // namespace

void CKvtDoc::OnCommand(int id) {
    if (id == cmd::ImportDxf) OnImportDxf();
    if (id == cmd::ImportModel) OnImportModel();
    if (id == cmd::BuildHierarchy) OnBuildHierarchy();
}

bool CKvtDoc::OnNewDocument() {
    if (!m_bDefaultsLoaded) {
        Load(kDefaultModel, kDefaultNormals);
        m_bDefaultsLoaded = true;
    }
    Update(HINT_NEW_DOCUMENT);
    return true;
}

void CKvtDoc::OnImportDxf() {
    FileDialogRequest request;
    request.open = true;
    request.defaultExtension = "dxf";
    request.initialName = m_strDxfFile;
    request.filter = "Dxf Files (*.dxf)|*.dxf| All Files (*.*)|*.*||";
    const auto path = m_services ? m_services->FileDialog(request) : std::nullopt;
    if (!path) return;
    LoadDrawing(*path);
    Update(HINT_DXF_IMPORTED);
}

void CKvtDoc::OnImportModel() {
    FileDialogRequest request;
    request.open = true;
    request.defaultExtension = "glb";
    request.filter = kFigureFileFilter;
    PrepareImport();
    const auto path = m_services ? m_services->FileDialog(request) : std::nullopt;
    if (path && ImportFigure(*path)) Update(HINT_DXF_IMPORTED);
}

bool CKvtDoc::ImportFigure(const std::string& path, std::string* why) {
    std::string error;
    // The import library reads in a child process: whatever a file does to it, the program and
    // the model shown stay. Its progress, with Cancel, appears once reading takes a while.
    const std::string reading = "Reading the figure \"" + path + "\"...";
    auto scene =
        m_spareReader.Read(path, &error, [&] { return !m_services || m_services->Progress(reading, 0, 1); });
    if (m_services) m_services->Progress(reading, 1, 1);
    ConvertedFigure figure;
    std::optional<Character> character;
    if (scene) {
        figure = ConvertFigure(*scene);
        error = figure.error;
        if (error.empty()) character = CharacterFromScene(*scene);
    }
    if (!error.empty()) {
        // The import library's own reasons may end in a full stop or a line end already.
        while (!error.empty() &&
               (error.back() == '.' || std::isspace(static_cast<unsigned char>(error.back()))))
            error.pop_back();
        if (m_services)
            m_services->MessageBox("The figure \"" + path + "\" cannot be imported: " + error + ".");
        if (why) *why = error;
        return false;
    }
    m_strDxfFile = path;
    m_facingYaw = figure.facingYaw;
    m_bTablesBuilt = false;
    m_pModel = std::move(figure.model);
    SetNormals(std::move(figure.normals));
    m_strNormalsFile.clear();
    m_bNormalsRead = true;
    PlaceModel();
    SettleNormals();
    TakeCharacter(std::move(character), figure);
    std::string leftOut;
    if (figure.leftOut.Total() > 0)
        leftOut = Grouped(figure.leftOut.Total()) + " triangles of the file left out (" +
                  Grouped(figure.leftOut.placeless) + " with a corner that is not a usable number, " +
                  Grouped(figure.leftOut.folded) + " with two corners at one point)";
    ShowLoadStatus(!figure.normalsFromFile, leftOut);
    const std::vector<std::string> missing = m_character ? MissingSkeletonJoints() : figure.missingJoints;
    if (!missing.empty() && m_services) {
        std::string joints;
        for (const std::string& j : missing)
            joints += (joints.empty() ? "" : ", ") + j;
        m_services->MessageBox(
            "The figure \"" + path + "\": no joint was found between " + joints +
            ". Those parts are not linked, so they stay where they are when the figure is posed.");
    }
    return true;
}

// The character's frame to model coordinates: the drawing's axes, then the document's own swap
// and centring (the drawing's unit and the metres cancel).
void CKvtDoc::TakeCharacter(std::optional<Character> character, const ConvertedFigure& figure) {
    m_character.reset();
    if (!character) return;
    Affine swap;
    swap.r = {{{0, 0, -1}, {-1, 0, 0}, {0, 1, 0}}};
    m_characterToModel =
        Affine::Translation({-m_modelShift.x, -m_modelShift.y, -m_modelShift.z}) * swap * figure.axes;
    m_character = std::make_shared<const Character>(std::move(*character));
}

Affine CKvtDoc::CharacterToFigure(float scale, const Vec3f& centre) const {
    Affine scaled;
    scaled.r = {{{scale, 0, 0}, {0, scale, 0}, {0, 0, scale}}};
    return Affine::Translation({-centre.x, -centre.y, -centre.z}) * scaled * m_characterToModel;
}

// "Chest - Head", ... for the figure's joints the character's skeleton does not cross.
std::vector<std::string> CKvtDoc::MissingSkeletonJoints() const {
    std::vector<std::string> missing;
    for (const TreeNode& node : FigureTreeTable())
        if (node.parent >= 0 && m_character->JointBetween(node.parent, node.segment) < 0)
            missing.push_back(SegmentName(node.parent) + " - " + SegmentName(node.segment));
    return missing;
}

void CKvtDoc::OnBuildHierarchy() {
    BuildHierarchy();
    Update(HINT_HIERARCHY_BUILT);
}

void CKvtDoc::BuildHierarchy() {
    if (!m_pModel) return;
    m_nSegments = m_pModel->m_nSegments;
    if (m_nSegments <= 0) return;
    // A model that skips segment numbers below its largest one (colours 1 and 4 only, say) would
    // index past a table sized by the count: size the tables to hold every number in use.
    int largest = 0;
    for (const auto& line : *m_pModel)
        largest = std::max<int>(largest, line->m_nSegment);
    m_nSegments = std::max(m_nSegments, largest + 1);
    m_bTablesBuilt = true;
}

SegmentTables CKvtDoc::Tables() const {
    SegmentTables tables;
    if (!m_bTablesBuilt || !m_pModel) return tables;
    tables.nSegments = m_nSegments;
    tables.normals = m_bNormalsReady ? m_pNormals : nullptr;
    tables.model = m_pModel;
    tables.lines.assign(static_cast<std::size_t>(m_nSegments), {});
    tables.firstIds.assign(static_cast<std::size_t>(m_nSegments), {});
    // Made at their size: on a large model, growing by doubling would leave a third unused.
    std::vector<std::size_t> counts(static_cast<std::size_t>(m_nSegments));
    for (const auto& line : *m_pModel)
        ++counts[static_cast<std::size_t>(line->m_nSegment)];
    for (std::size_t s = 0; s < counts.size(); ++s) {
        tables.lines[s].reserve(counts[s]);
        tables.firstIds[s].reserve(counts[s]);
    }
    std::int32_t g = 0;
    for (const auto& line : *m_pModel) {
        const auto s = static_cast<std::size_t>(line->m_nSegment);
        tables.lines[s].push_back(line);
        tables.firstIds[s].push_back(g);
        g += line->GetSize();
    }
    if (m_character) {
        tables.jointCentres.assign(static_cast<std::size_t>(m_nSegments), std::nullopt);
        for (const TreeNode& node : FigureTreeTable()) {
            const int j = node.parent >= 0 && node.segment < m_nSegments
                              ? m_character->JointBetween(node.parent, node.segment)
                              : -1;
            if (j >= 0)
                tables.jointCentres[static_cast<std::size_t>(node.segment)] =
                    m_characterToModel(m_character->joints[static_cast<std::size_t>(j)].restWorld.t);
        }
    }
    return tables;
}

void CKvtDoc::Load(const std::string& dxfPath, const std::string& normalsPath) {
    if (!normalsPath.empty()) LoadNormals(normalsPath);
    m_facingYaw = 0;
    m_strDxfFile = dxfPath;
    LoadModel();
}

void CKvtDoc::LoadDrawing(const std::string& dxfPath) {
    m_facingYaw = 0;
    m_strDxfFile = dxfPath;
    LoadModel(true);
}

bool CKvtDoc::TakeDrawingNormals() {
    const std::string beside = NormalsPathBeside(m_strDxfFile);
    if (auto own = ReadNormalsFile(beside); own && static_cast<long>(own->size()) >= ModelVertexCount()) {
        SetNormals(std::move(*own));
        m_strNormalsFile = beside;
        m_bNormalsRead = true;
        return false;
    }
    SetNormals(CornerNormals(*m_pModel));
    m_strNormalsFile.clear();
    m_bNormalsRead = true;
    return true;
}

// A read of one of the document's files: its progress shown as "Reading NAME..." in thousandths
// and closed at the end, and the document marked as loading meanwhile (the view keeps its picture).
class CKvtDoc::ReadProgress {
  public:
    ReadProgress(CKvtDoc& doc, const std::string& path)
        : m_doc(doc), m_text("Reading " + path.substr(path.find_last_of('/') + 1) + "...") {
        m_doc.m_bLoading = true;
    }
    ~ReadProgress() {
        m_doc.m_bLoading = false;
        Report(1.0);
    }
    void Report(double fraction) const {
        if (m_doc.m_services)
            m_doc.m_services->Busy(m_text, static_cast<int>(fraction * kProgressSteps), kProgressSteps);
    }

  private:
    CKvtDoc& m_doc;
    std::string m_text;
};

void CKvtDoc::LoadModel(bool ownNormals) {
    m_pModel.reset();
    m_character.reset();
    m_bTablesBuilt = false;
    DxfReadOptions options;
    options.filter = m_entityFlags;
    DxfReadReport report;
    {
        const ReadProgress progress(*this, m_strDxfFile);
        options.progress = [&](std::uint64_t read, std::uint64_t total) {
            progress.Report(static_cast<double>(read) /
                            static_cast<double>(std::max<std::uint64_t>(total, 1)));
        };
        m_pModel = ReadDxfFile(m_strDxfFile, nullptr, options, &report);
    }
    if (!m_pModel) {
        m_nSegments = 0;
        m_segmentNumbers.clear();
        SettleNormals();
        ReportLoad(report, false);
        return;
    }
    report.droppedEntities += PlaceModel();
    const bool computed = ownNormals && TakeDrawingNormals();
    SettleNormals();
    ReportLoad(report, computed);
}

namespace {

// The (unnormalised) normal of a polygon by its winding: the sum of the cross products of its
// edges about the first corner (Newell's method gives the same direction for flat polygons).
Vec3f FaceNormal(const PointSpan& p) {
    Vec3f n{};
    for (std::size_t i = 1; i + 1 < p.size(); ++i)
        n = n + CrossF(p[i] - p[0], p[i + 1] - p[0]);
    return n;
}

} // namespace

// Tells the user what the load gave ("4,674 faces, 16 segments") and, in one message, whatever
// was wrong with the drawing. A file that does not exist at all is passed over in silence: the
// view shows the empty model.
void CKvtDoc::ReportLoad(const DxfReadReport& report, bool normalsComputed) {
    if (!m_services) return;
    std::vector<std::string> problems;
    using Content = DxfReadReport::Content;
    if (!m_pModel) {
        if (!report.openError.empty() && report.openError != std::strerror(ENOENT))
            problems.push_back("it cannot be read: " + report.openError);
    } else {
        const long faces = ShowLoadStatus(normalsComputed);
        if (report.content == Content::BinaryDxf)
            problems.push_back("it is a binary DXF file; only ASCII DXF files can be read");
        else if (report.content == Content::Utf16)
            problems.push_back("it looks like UTF-16 text; save it as ASCII DXF");
        else if (report.content == Content::NotText)
            problems.push_back("it is not a text drawing");
        else if (faces == 0)
            problems.push_back("it holds no faces");
        if (report.droppedEntities > 0)
            problems.push_back(Grouped(report.droppedEntities) +
                               " entities were left out because a coordinate is not a finite number");
        if (report.endedInsideEntity)
            problems.push_back("reading stopped at line " + std::to_string(report.stopLine) +
                               ", where the file ends inside an entity");
    }
    if (problems.empty()) return;
    std::string text = "The drawing \"" + m_strDxfFile + "\": ";
    for (std::size_t i = 0; i < problems.size(); ++i)
        text += (i ? "; " : "") + problems[i];
    m_services->MessageBox(text + ".");
}

long CKvtDoc::ShowLoadStatus(bool normalsComputed, const std::string& leftOut) {
    long faces = 0;
    for (const auto& line : *m_pModel)
        faces += line->m_bFace ? 1 : 0;
    if (m_services)
        m_services->ShowStatusMessage(Grouped(faces) + " faces, " + std::to_string(m_nSegments) +
                                      " segments" +
                                      (normalsComputed ? "; Normals computed from the faces" : "") +
                                      (leftOut.empty() ? "" : "; " + leftOut));
    return faces;
}

void CKvtDoc::LoadNormals(const std::string& path) {
    std::optional<std::vector<Vec3f>> normals;
    {
        const ReadProgress progress(*this, path);
        normals = ReadNormalsFile(path, nullptr, [&](double fraction) { progress.Report(fraction); });
    }
    if (!normals) return;
    SetNormals(std::move(*normals));
    m_strNormalsFile = path;
    m_bNormalsRead = true;
}

Vec3f CKvtDoc::ModelCentre() const {
    return m_pModel ? m_pModel->Bounds().Centre() : Vec3f{};
}

// Turns each corner's normal to the side its face is wound towards, once, so that every reader of
// the normals (drawing, joint bands, tools) sees the same ones. Faces must be wound outwards to be
// seen at all (back faces are culled), so their winding is the surest guide; a normal is never
// turned merely for pointing towards the model's centre, which every concave place does. Corners
// of open lines and of faces without area keep their normals. Turning is idempotent.
void CKvtDoc::OrientNormals(std::vector<Vec3f>& normals) const {
    if (!m_pModel || !m_bNormalsReady) return;
    std::size_t g = 0;
    for (const auto& line : *m_pModel) {
        const auto& points = line->Points();
        const Vec3f face = line->m_bFace && points.size() >= 3 ? FaceNormal(points) : Vec3f{};
        for (std::size_t k = 0; k < points.size(); ++k) {
            Vec3f& n = normals[g++];
            if (DotF(face, n) < 0) n = -n;
        }
    }
}

long CKvtDoc::ModelVertexCount() const {
    long n = 0;
    if (m_pModel)
        for (const auto& line : *m_pModel)
            n += line->GetSize();
    return n;
}

// Normals that stop short of the model's vertices would be read past their end: such a model
// counts as having no normals, and the user is told why.
void CKvtDoc::CheckNormalsCoverModel(std::size_t normals) {
    const long vertices = ModelVertexCount();
    const bool covers = static_cast<long>(normals) >= vertices;
    m_bNormalsReady = m_bNormalsRead && covers;
    if (m_bNormalsRead && !covers && m_pModel && m_services) {
        m_services->MessageBox("The normals file \"" + m_strNormalsFile + "\" holds " +
                               std::to_string(normals) + " normals, but the model \"" + m_strDxfFile +
                               "\" has " + std::to_string(vertices) +
                               " vertices. The model cannot be shaded until matching normals are loaded.");
    }
}

void CKvtDoc::AssignSegmentNumbers(CUnderlayList& model) {
    m_nSegments = 0;
    m_segmentNumbers.clear();
    for (CUnderlayPolyLine* line : model) {
        const int s = SegmentFromCode(line->m_nSegment);
        if (std::find(m_segmentNumbers.begin(), m_segmentNumbers.end(), s) == m_segmentNumbers.end()) {
            m_segmentNumbers.push_back(s);
            ++m_nSegments;
        }
        line->m_nSegment = static_cast<std::int16_t>(s);
    }
    ++m_nSegments;
    model.m_nSegments = m_nSegments;
    model.SwapAxes();
    constexpr int kMetres = 3; // units code of the model in memory (the drawing's code may differ)
    model.ConvertUnits(kMetres);
}

int CKvtDoc::SegmentFromCode(int colour) {
    // Index = DXF colour number 0 to 19; any other colour is segment 0 (head and neck).
    static const int kSegments[20] = {0, 3, 1, 1, 10, 12, 14, 0, 0, 1, 4, 6, 8, 11, 13, 15, 1, 5, 7, 9};
    return colour >= 0 && colour < 20 ? kSegments[colour] : 0;
}

// Points that a drawing's unit conversion or the centring took past what a float holds are left
// out with their polylines, as the reader leaves out those it reads so.
long CKvtDoc::PlaceModel() {
    AssignSegmentNumbers(*m_pModel);
    long dropped = DropNonFiniteLines();
    CentreModel();
    dropped += DropNonFiniteLines();
    return dropped;
}

long CKvtDoc::DropNonFiniteLines() {
    auto finite = [](const CUnderlayPolyLine& line) {
        for (const Vec3f& p : line.Points())
            if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z)) return false;
        return true;
    };
    long dropped = 0;
    for (const CUnderlayPolyLine* line : *m_pModel)
        dropped += finite(*line) ? 0 : 1;
    if (dropped == 0) return 0;
    auto kept = std::make_shared<CUnderlayList>();
    kept->m_nUnits = m_pModel->m_nUnits;
    kept->m_nSegments = m_pModel->m_nSegments;
    for (CUnderlayPolyLine* line : *m_pModel) {
        if (!finite(*line)) continue;
        for (const Vec3f& p : line->Points())
            kept->ExtendBounds(p.x, p.y, p.z);
        kept->Append(std::move(*line));
    }
    m_pModel = std::move(kept);
    return dropped;
}

void CKvtDoc::SettleNormals() {
    // Normals settled for another model are turned again for this one, in a table of their own.
    std::vector<Vec3f> normals = m_newNormals ? std::move(*m_newNormals) : m_pNormals->ToVector();
    m_newNormals.reset();
    CheckNormalsCoverModel(normals.size());
    OrientNormals(normals);
    m_pNormals = std::make_shared<const NormalTable>(normals);
}

void CKvtDoc::CentreModel() {
    if (!m_pModel) return;
    float* b = m_pModel->m_bounds;
    const Vec3f centre = m_pModel->Bounds().Centre();
    m_modelShift = centre;
    const float c[3] = {centre.x, centre.y, centre.z};
    for (CUnderlayPolyLine* line : *m_pModel) {
        for (std::int32_t i = 0; i < line->GetSize(); ++i) {
            const Vec3f p = (*line)[i];
            line->SetAt(i, p - centre);
        }
    }
    for (int a = 0; a < 3; ++a) {
        b[2 * a] -= c[a];
        b[2 * a + 1] -= c[a];
    }
}

} // namespace figurant
