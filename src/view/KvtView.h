#pragma once
// The single view of the document window: owns the OpenGL context of its window, every display
// list of the model, the 40 pose records of the jointed figure, the selection, the camera and the
// mouse and keyboard state. Handlers translate window input into the calls below, which tests
// can make without events.
#include "AnimationScene.h"
#include "CommandTarget.h"
#include "FigureTree.h"
#include "KvtDoc.h"
#include "Trackball.h"

#include <QOpenGLWidget>
#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace figurant {

enum DisplayMode { DISPLAY_HIERARCHY = 1000, DISPLAY_FLAT = 1001 };
enum RenderMode { RENDER_NORMAL = 0x1C00 /* GL_RENDER */, RENDER_MODIFY = 0x1C02 /* GL_SELECT */ };

struct SegmentList {
    int segment = 0;
    unsigned list = 0; // display-list name
    int built = 0;
};

class CKvtView : public QOpenGLWidget, public ICommandTarget {
  public:
    // Where the toolbar state is refreshed from; they differ only in the Animate button.
    enum class Refresh { DocumentUpdate, HierarchyCommand, FirstPaint, InitialUpdate };

    CKvtView(CKvtDoc& doc, IWindowServices& services, QWidget* parent = nullptr);
    ~CKvtView() override;

    // ICommandTarget
    bool HasCommand(int id) const override;
    void OnCommand(int id) override;
    bool OnUpdateCommand(int id, CommandState& state) override;

    // Document update hints (1000, 1001, 1002; 0 from the initial update).
    void OnUpdate(int hint);
    void RefreshToolbar(Refresh where);

    // Window messages as the logic sees them (client pixels, y downwards).
    void OnSize(int width, int height);
    void OnLeftButtonDown(int x, int y, bool shift);
    void OnMiddleButtonDown(int x, int y);
    void OnMiddleButtonUp();
    void OnMouseMove(int x, int y, bool leftButton);
    // False when the key is not one of the pose keys (it then goes on to the default handling).
    bool OnKeyDown(int qtKey);

    // Camera (placement, view volume, commands).
    void ComputeViewVolume();
    void SetupCamera();
    void RotateScene(float angle, float x, float y, float z);
    void ZoomScene(float factor);
    void OnReset();

    // Display lists and drawing.
    void BuildFlatLists();
    void BuildSegmentLists();
    void BuildFigureTree();
    void DrawScene(int mode);

    // Posing.
    void RotateSelection();
    void TwistSegment(int b);
    void OnHierarchy();
    void OnModeNormal();
    void OnModeModify();

    // Animation.
    void OnFileSave();
    void OnFileOpen();
    void OnAnimate();
    AnimationScene Scene();

    // Repaints at once: the picture is on the screen when this returns.
    void InvalidateAndUpdateNow();
    // The current picture, rendered now.
    QImage RenderImage();
    // Opens the view's context menu at a screen point; set by the frame.
    std::function<void(const QPoint&)> onContextMenu;
    // The view's pose record of a segment.
    SegmentPose& Pose(int segment) { return (*m_pose)[static_cast<std::size_t>(segment)]; }

    // --- state (named as the program's documentation names it) ---
    int m_bFirstDraw = 1;
    int m_nFlatLists = 0;
    std::vector<unsigned> m_flatLists;   // grows as needed
    std::vector<int> m_flatListSegments; // in step with m_flatLists
    int m_nSegLists = 0;
    std::array<SegmentList, kMaxSegments> m_segLists{};
    std::array<int, kMaxSegments> m_selected{};
    int m_nSelected = 0;
    int m_nDisplayMode = DISPLAY_FLAT;
    int m_nRenderMode = RENDER_NORMAL;
    std::array<double, 3> m_selectColour{1.0, 0.0, 0.0};
    std::array<double, 3> m_flatColour{0.0, 0.75, 0.0};
    std::unique_ptr<PoseArray> m_pose;
    Quat m_curQuat{0, 0, 0, 1};
    Quat m_lastQuat{0, 0, 0, 1};
    int m_bTrackballDrag = 0;
    float m_twistAngle = 0.0f;
    int m_lastX = 0, m_lastY = 0;
    int m_sceneRotX = 0, m_sceneRotZ = 0;
    std::array<int, 3> m_dragRot{};
    std::string m_strAnimFile;
    int m_bAnimAvailable = 0;
    int m_bPlaying = 0;
    float m_zoomFactor = 1.6f;
    float m_modelScale = 1.0f;
    double m_fovy = 45.0;
    double m_aspect = 1.0;
    double m_zNear = -1.0, m_zFar = -1.0;
    float m_extentZ = -1.0f, m_extentY = -1.0f, m_extentX = -1.0f;
    float m_camDist = 0.0f;
    float m_modelSize = 0.0f;
    Matrix4 m_sceneMatrix;
    std::array<float, 3> m_rotAxis{1, 0, 0};
    float m_rotAngle = 10.0f;
    float m_rotStep = 10.0f;
    Vec3f m_modelCentre;
    std::array<double, 3> m_eye{}, m_centre{}, m_up{};
    int m_viewportW = 0, m_viewportH = 0;
    // The figure tree has been built at least once (pose keys do nothing before).
    bool m_bTreeBuilt = false;
    // Pictures painted so far (for checking when the view repaints).
    int m_nPaints = 0;

  protected:
    void initializeGL() override;
    void resizeGL(int width, int height) override;
    void paintGL() override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

  private:
    void OnInitialUpdate();
    void SetupLights();
    void ReleaseDisplayLists();
    void DrawFlatLists(int mode);
    void DrawTree(const SegmentPose& r, int mode, std::array<double, 3>& colour);
    void DrawSegmentLists(int first, int count, int mode);
    void DrawJointBand(const SegmentPose& r);
    bool IsSelected(int segment) const;
    void PlayAnimationFile();
    void ModelBox(float box[6]) const;

    CKvtDoc& m_doc;
    IWindowServices& m_services;
};

} // namespace figurant
