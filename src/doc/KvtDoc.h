#pragma once
// The single document: owns the body model read from a DXF file, the per-vertex normals read
// from a text file and, once built, the per-segment tables the view draws the jointed figure from.
#include "Character.h"
#include "CommandIds.h"
#include "CommandTarget.h"
#include "DxfEntityFilter.h"
#include "DxfReader.h"
#include "FigureReadApart.h"
#include "NormalTable.h"
#include "SegmentTables.h"
#include "UnderlayList.h"
#include "WindowServices.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace figurant {

enum DocumentHint { HINT_HIERARCHY_BUILT = 1000, HINT_DXF_IMPORTED = 1001, HINT_NEW_DOCUMENT = 1002 };

class CKvtDoc : public ICommandTarget {
  public:
    static constexpr const char* kDefaultModel = "guy01.dxf";
    static constexpr const char* kDefaultNormals = "guy01k10.normal";

    explicit CKvtDoc(IWindowServices* services = nullptr) : m_services(services) {}

    bool HasCommand(int id) const override {
        return id == cmd::ImportDxf || id == cmd::ImportModel || id == cmd::BuildHierarchy;
    }
    void OnCommand(int id) override;
    void SetServices(IWindowServices* services) { m_services = services; }

    bool OnNewDocument();
    void OnImportDxf();
    void OnImportModel();
    void OnBuildHierarchy();
    void BuildHierarchy();
    // The one way in: reads the normals file when one is named (otherwise the normals stay), then
    // the DXF model, which replaces the current one and its segment tables.
    void Load(const std::string& dxfPath, const std::string& normalsPath = {});
    // A drawing with normals of its own: those in the file of the same name ending ".normal" beside
    // it when they cover the model, otherwise computed from the faces (the status bar says so).
    void LoadDrawing(const std::string& dxfPath);
    // A rigged figure from another tool, converted into the program's own model with its normals.
    // When it cannot be read or converted the user is told why and the current model stays.
    // `why`, when given, receives the reason a figure was not imported.
    bool ImportFigure(const std::string& path, std::string* why = nullptr);
    // Starts a reader ahead of an import (while the user chooses the file).
    void PrepareImport() { m_spareReader.Prepare(); }
    static int SegmentFromCode(int colour);

    // The model as read: segment numbers assigned, axes swapped, metres, centred. Null when the
    // last read failed.
    const CUnderlayList* Model() const { return m_pModel.get(); }
    // One unit normal per global vertex, in the view's axes, each turned to the side its face is
    // wound towards when the model and the normals were loaded.
    const NormalTable& Normals() const { return *m_pNormals; }
    // Normals were read and cover every vertex of the current model.
    bool NormalsReady() const { return m_bNormalsReady; }
    // Segment count: distinct segment numbers plus one (16 for the default model).
    int SegmentCount() const { return m_nSegments; }
    // Distinct segment numbers of the current model, in the order first met.
    const std::vector<int>& SegmentNumbers() const { return m_segmentNumbers; }
    // The model by segment, made when asked for (a figure built from it keeps what it needs);
    // empty until BuildHierarchy.
    SegmentTables Tables() const;
    bool HasSegmentTables() const { return m_bTablesBuilt; }
    // Total number of points over all polylines of the model.
    long ModelVertexCount() const;
    // The centre of the model's bounding box (the origin once centred); zero without a model.
    Vec3f ModelCentre() const;
    const std::string& DxfFile() const { return m_strDxfFile; }
    // Radians about the vertical axis the imported figure faced in its file (0 for a drawing).
    double FacingYaw() const { return m_facingYaw; }
    // A model is being read: the view must not draw from the document meanwhile.
    bool Loading() const { return m_bLoading; }
    const std::string& NormalsFile() const { return m_strNormalsFile; }
    // The imported character as rigged (its skeleton, skin and looks), shared with the view; null
    // for a drawing and for a figure without a skin.
    std::shared_ptr<const Character> GetCharacter() const { return m_character; }
    // From the character's frame (its file's scene, metres) to model coordinates, and on to a
    // figure's coordinates (model points times scale, less centre, as Figure::Build places them).
    const Affine& CharacterToModel() const { return m_characterToModel; }
    Affine CharacterToFigure(float scale, const Vec3f& centre) const;

    // The framework document's title and file path (the path stays empty for a new document).
    const std::string& Title() const { return m_strTitle; }
    const std::string& PathName() const { return m_strPathName; }
    void SetTitle(const std::string& title) { m_strTitle = title; }
    void SetPathName(const std::string& path) { m_strPathName = path; }

  private:
    class ReadProgress;
    void Update(int hint) {
        if (m_services) m_services->UpdateAllViews(hint);
    }
    void LoadModel(bool ownNormals = false);
    void TakeCharacter(std::optional<Character> character, const ConvertedFigure& figure);
    std::vector<std::string> MissingSkeletonJoints() const;
    // Normals for the model just read: the file beside it, or computed from the faces.
    bool TakeDrawingNormals();
    // Reads a normals file; they are settled with the model read next.
    void LoadNormals(const std::string& path);
    // A model just read: segment numbers, axes, metres, centred.
    // Segment numbers, axes, metres and the centre; returns how many polylines were left out for
    // points that became too large to hold.
    long PlaceModel();
    long DropNonFiniteLines();
    // Normals just read or computed: whether they cover the model, then turned by the faces.
    void SettleNormals();
    void AssignSegmentNumbers(CUnderlayList& model);
    void CentreModel();
    void CheckNormalsCoverModel(std::size_t normals);
    void OrientNormals(std::vector<Vec3f>& normals) const;
    void ReportLoad(const DxfReadReport& report, bool normalsComputed);
    // "4,674 faces, 16 segments" in the status bar; the number of faces.
    long ShowLoadStatus(bool normalsComputed, const std::string& leftOut = {});

    IWindowServices* m_services;
    SpareFigureReader m_spareReader;
    std::vector<int> m_segmentNumbers;
    int m_nSegments = 0;
    bool m_bTablesBuilt = false;
    // Shared with the segment tables and the figure built from them, which keep the normals they
    // were made with; settled normals always come in a new table.
    std::shared_ptr<const NormalTable> m_pNormals = std::make_shared<NormalTable>();
    // Normals just read or computed, one per corner, until SettleNormals turns them and keeps them
    // in the table.
    std::optional<std::vector<Vec3f>> m_newNormals;
    void SetNormals(std::vector<Vec3f> normals) { m_newNormals = std::move(normals); }
    bool m_bNormalsReady = false;
    bool m_bNormalsRead = false;
    // Shared with the segment tables and the figure built from them; a new model comes in a new list.
    std::shared_ptr<CUnderlayList> m_pModel;
    DxfEntityFilter m_entityFlags;
    std::string m_strDxfFile;
    double m_facingYaw = 0;
    std::string m_strNormalsFile;
    std::shared_ptr<const Character> m_character;
    Affine m_characterToModel;
    // What the centring took off the model's points.
    Vec3f m_modelShift;
    std::string m_strTitle;
    std::string m_strPathName;
    // The default files are read by the first new document only: File > New keeps the model.
    bool m_bDefaultsLoaded = false;
    bool m_bLoading = false;
    static constexpr int kProgressSteps = 1000;
};

} // namespace figurant
