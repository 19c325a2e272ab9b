#pragma once
// The single document: owns the body model read from a DXF file, the per-vertex normals read
// from a text file and, once built, the per-segment tables the view draws the jointed figure from.
#include "CommandIds.h"
#include "CommandTarget.h"
#include "DxfEntityFilter.h"
#include "UnderlayList.h"
#include "WindowServices.h"

#include <memory>
#include <string>
#include <vector>

namespace figurant {

enum DocumentHint { HINT_HIERARCHY_BUILT = 1000, HINT_DXF_IMPORTED = 1001, HINT_NEW_DOCUMENT = 1002 };

class CKvtDoc : public ICommandTarget {
  public:
    static constexpr const char* kDefaultModel = "guy01.dxf";
    static constexpr const char* kDefaultNormals = "guy01k10.normal";

    explicit CKvtDoc(IWindowServices* services = nullptr) : m_services(services) {}

    bool HasCommand(int id) const override { return id == cmd::ImportDxf || id == cmd::BuildHierarchy; }
    void OnCommand(int id) override;
    void SetServices(IWindowServices* services) { m_services = services; }

    bool OnNewDocument();
    void OnImportDxf();
    void OnBuildHierarchy();
    void BuildHierarchy();
    void LoadModel();
    void LoadNormals(const std::string& path);
    void AssignSegmentNumbers(CUnderlayList& model);
    static int SegmentFromCode(int colour);
    void CentreModel();

    bool HasSegmentTables() const { return !m_pSegmentLists.empty(); }
    // Total number of points over all polylines of the model.
    long ModelVertexCount() const;
    // The defaults are read once per process; tests start a fresh "process" with this.
    static void ResetDefaultsLoaded() { s_bDefaultsLoaded = false; }

    // Distinct segment numbers of the current model, in the order first met.
    std::vector<int> m_segmentNumbers;
    // Segment count: distinct segment numbers plus one (16 for the default model).
    int m_nSegments = 0;
    // Per segment number: the model's polylines of that segment, in model order (not owned).
    // Empty until BuildHierarchy.
    std::vector<std::vector<CUnderlayPolyLine*>> m_pSegmentLists;
    // Per segment number: the global vertex numbers of those polylines' points, in step.
    std::vector<std::vector<int>> m_pSegmentVertexIds;
    // One unit normal per global vertex, in the view's axes; the view flips single normals in place.
    std::vector<Vec3f> m_pNormals;
    // Normals were read and cover every vertex of the current model.
    bool m_bNormalsReady = false;
    std::unique_ptr<CUnderlayList> m_pModel;
    DxfEntityFilter m_entityFlags;
    std::string m_strDxfFile;
    std::string m_strNormalsFile;
    // The framework document's title and file path (the path stays empty for a new document).
    std::string m_strTitle;
    std::string m_strPathName;

  private:
    void Update(int hint) {
        if (m_services) m_services->UpdateAllViews(hint);
    }
    void CheckNormalsCoverModel();

    IWindowServices* m_services;
    bool m_bNormalsRead = false;
    static bool s_bDefaultsLoaded;
};

} // namespace figurant
