#pragma once
// The single view of the document window: a widget holding the native OpenGL window it draws into
// (ViewWindow), owner of the model's vertex arrays, the figure model it draws and poses, the
// camera and the mouse and keyboard state. Handlers translate window input into the calls below,
// which tests can make without events.
#include "AnimationScene.h"
#include "CameraFraming.h"
#include "CharacterList.h"
#include "CharacterReach.h"
#include "CommandTarget.h"
#include "ControlPictures.h"
#include "Figure.h"
#include "KeyFrameSet.h"
#include "KvtDoc.h"
#include "Lens.h"
#include "PoseFrames.h"
#include "SegmentList.h"
#include "Skinning.h"
#include "Trackball.h"

#include <QColor>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <QSurfaceFormat>
#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace figurant {

enum DisplayMode { DISPLAY_HIERARCHY = 1000, DISPLAY_FLAT = 1001 };

// Playback rates the View menu offers, in frames per second, and the one at start.
// Where the lens is remembered among the user's settings.
constexpr const char* kLensSetting = "View/Lens";

struct PlaybackRate {
    int commandId;
    int framesPerSecond;
};
extern const PlaybackRate kPlaybackRates[5];
constexpr int kDefaultPlaybackRate = 30;
// Below this many faces drawing the whole figure at each drag step costs less than copying a kept
// picture of the resting part, with its depth, to the window.
constexpr int kFacesWorthKeeping = 20000;
// Handles' side in pixels, at start and at most.
constexpr int kDefaultHandleSize = 10;
constexpr int kLargestHandleSize = 40;
constexpr const char* kHandleSizeSetting = "View/HandleSize";
constexpr const char* kBackgroundSetting = "View/Background";
constexpr const char* kUnitsSetting = "View/Units";
enum RenderMode { RENDER_NORMAL = 0x1C00 /* GL_RENDER */, RENDER_MODIFY = 0x1C02 /* GL_SELECT */ };

// The camera: placement, view volume and the scene's turns. Matrices are column-major floats.
struct ViewCamera {
    float zoomFactor = 1.6f;
    float modelScale = 1.0f;
    Lens lens = StandardLens();
    double fovy = kStandardFieldOfView; // the lens's
    double aspect = 1.0;
    // The model's box, the eye's distance and the depth range; the extents are -1 until a model has
    // given the view a size.
    ViewVolume volume;
    // Viewing transform with every zoom and scene turn applied on the model side.
    Matrix4 sceneMatrix;
    std::array<float, 3> rotAxis{1, 0, 0};
    float rotAngle = 10.0f;
    float rotStep = 10.0f;
    Vec3f modelCentre;
    std::array<double, 3> eye{}, centre{}, up{};
    int viewportW = 0, viewportH = 0;
    // The trackball's rotation, and the left-drag scene turns in whole degrees.
    Quat curQuat{0, 0, 0, 1};
    Quat lastQuat{0, 0, 0, 1};
    int quatAdditions = 0; // additions to curQuat since it was last renormalised
    int sceneRotX = 0, sceneRotZ = 0;
};

class ViewWindow;
class KeyFrameStrip;
class BoneList;

class CKvtView : public QWidget, public ICommandTarget {
  public:
    // Where the toolbar state is refreshed from; they differ only in the Animate button (a table
    // in KvtView.cpp).
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
    void OnLeftButtonDown(int x, int y, bool shift, bool ctrl = false);
    void OnLeftButtonUp();
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
    // The camera presets: front, sides, back, top, bottom and the start view (Home); each also
    // undoes the trackball and the left-drag scene turns.
    void OnViewPreset(int commandId);
    // The zoom of the start view on top of the look-at, which frames the model (see ViewCamera.cpp).
    float StartZoom() const;
    // Mouse-wheel zoom by `notches` (120ths of a turn / 120), about the view centre.
    void OnWheel(double notches);
    // Turntable orbit by a drag of (dx, dy) pixels: about the figure's vertical axis, and tilted
    // about the screen's horizontal axis; never rolls.
    void OrbitScene(int dx, int dy);
    // Pans by a drag of (dx, dy) pixels: the model follows the mouse.
    void PanScene(int dx, int dy);
    // The camera's lens (View > Camera); the eye and the zoom stay, so the figure grows with the
    // focal length until Home frames it again.
    void SetLens(const Lens& lens);
    const Lens& CurrentLens() const { return m_camera.lens; }

    // Vertex arrays and drawing.
    void BuildFlatLists();
    void BuildSegmentLists();
    // What a paint draws of the figure: all of it, or the part a drag leaves at rest or moves.
    enum class Layer { All, Resting, Moving };
    void DrawScene(int mode, Layer layer = Layer::All);

    // Pulling (ViewPull.cpp): handles at the ends of the limbs, the head and the pelvis, shown
    // in Modify mode; a drag from one pulls it.
    // A handle's id is its segment's number, or kMaxSegments plus a finger chain's.
    struct PullHandle {
        int segment;
        Point3d at; // view coordinates
    };
    bool HandlesShown() const;
    // The rotation gizmo's rings around the selected joint (figure coordinates as shown).
    struct GizmoRing {
        int axisIndex;
        Point3d centre, axis;
        double radius;
    };
    bool GizmoShown() const;
    std::vector<GizmoRing> GizmoRings() const;
    static std::vector<Point3d> RingPoints(const GizmoRing& ring);
    std::optional<GizmoRing> GizmoRingAt(int x, int y) const;
    double GizmoDegrees() const { return m_gizmoDegrees; }
    // With the pelvis selected, the move gizmo too: an arrow along each of the world's axes and a
    // square at the joint that moves the figure in the plane facing the camera.
    struct MoveHandle {
        int axis; // 0 x, 1 y, 2 z, 3 the square
        Point3d from, to;
    };
    std::vector<MoveHandle> MoveHandles() const;
    void OnRotationGizmo();
    void OnGizmoWorldAxes();
    std::vector<PullHandle> PullHandles();
    // The handle under a window pixel: one in sight, within its square.
    std::optional<PullHandle> HandleAt(int x, int y);
    bool HandleVisible(int segment) const;
    // The cursor moved with no button held: a handle near it comes into sight.
    void HoverAt(int x, int y);
    // The point under a window pixel on the plane through `through` that faces the camera.
    Point3d UnderCursor(int x, int y, const Point3d& through) const;
    // Pins or unpins the hand or foot the context menu was opened on, or the selected one.
    void OnTogglePin();
    std::optional<int> PinTarget() const;
    // Where the context menu opens: a handle there is what its Pin item pins.
    void NoteMenuAt(int x, int y);
    // Exact values (the Rotate and Translate dialogs): one step from Begin to End, each value
    // shown at once; End without `keep` puts the pose back as it was.
    bool CanSetAngles() const;
    bool CanSetMove() const;
    void BeginExactValues(const std::string& verb);
    void SetExactAngles(const std::array<float, 3>& degrees);
    void SetExactMove(const Point3d& move);
    void EndExactValues(bool keep);
    // The unit moves are shown in: "mm", "cm", "m" or "in" (Options); see LengthUnits.h.
    const std::string& Units() const { return m_units; }
    void SetUnits(const std::string& units);
    int HandleSize() const { return m_nHandleSize; }
    void SetHandleSize(int pixels);
    // The picture's background (Options).
    QColor Background() const { return m_background; }
    void SetBackground(const QColor& colour);

    // Posing: the figure model holds the pose; these translate commands into calls on it.
    void TwistSegment(int b);
    void OnHierarchy();
    // Whether the figure is built for the current model with its arrays loaded: the flat picture
    // then shows it as posed (at rest it is the same picture as the model as read).
    // An imported character is drawn as rigged (ViewCharacter.cpp): skinned by its weights, in
    // its own look or the segment colours.
    bool CharacterShown() const;
    void OnSegmentColours();
    // The bone list (its dock is the frame's); View > Bones shows or hides it.
    void SetBoneList(BoneList* list);
    void OnViewBones();
    bool BonesShown() const { return m_bShowBones; }
    void OnDualQuaternionSkinning();
    // Motion captures play with their planted feet kept still and every ankle above the ground,
    // or, switched off, as their joint turns alone put the feet.
    void OnPlantFeet() { m_bPlantFeet = !m_bPlantFeet; }
    bool FeetPlanted() const { return m_bPlantFeet; }
    // The camera keeps its angle and distance to a motion capture's figure that travels further
    // than it is tall, instead of watching it walk out of the picture.
    void OnFollowFigure() { m_bFollow = !m_bFollow; }
    bool SegmentColoursShown() const { return !CharacterShown() || m_bSegmentColours; }
    bool FigureShown() const {
        return m_figure.IsBuilt() && m_nSegLists > 0 && m_nSegLists == m_doc.SegmentCount();
    }
    void OnModeNormal();
    void OnModeModify();
    void OnUndo();
    // Puts the current picture on the clipboard.
    void OnEditCopy();
    int PlaybackFramesPerSecond() const { return m_nPlaybackRate; }
    // The size of figure from which a drag keeps a picture of what does not move.
    void SetFacesWorthKeeping(int faces) { m_nFacesWorthKeeping = faces; }
    void SetPlaybackRate(int framesPerSecond) { m_nPlaybackRate = framesPerSecond; }
    // Exports (ViewExport.cpp): the picture, the animation's frames (and video), BVH or glTF.
    void OnExportPicture();
    void OnExportFrames();
    void OnExportMotion(bool gltf);
    // Control pictures and the reference picture (ViewControl.cpp).
    void OnExportControl();
    void OnReferencePicture();
    void OnReferencePictureOff();
    ViewMatrices CurrentViewMatrices(int width, int height) const;
    bool HasReference() const { return !m_reference.isNull(); }
    // The key-frame strip (ViewKeyFrames.cpp); the frame gives the view its strip.
    void SetKeyFrameStrip(KeyFrameStrip* strip);
    KeyFrameStrip* Strip() const { return m_strip; }
    void RefreshKeyFrames(int select = -1);
    void ShowKeyFrame(int key);
    void ScrubTo(double position);
    void EndScrub();
    void PlayFromPlayhead();
    std::size_t PlayheadFrame() const;
    void MovePlayhead(std::size_t frame);
    void OnInsertKeyFrame();
    void OnReplaceKeyFrame();
    void OnDeleteKeyFrame();
    void OnViewKeyFrames();
    bool KeyFramesShown() const { return m_bShowKeyFrames; }
    void OnRedo();
    void OnMirrorPose();
    void OnFlipPose();
    void OnResetPose();

    // Animation.
    // Whether the pose was changed since it was last saved as a key frame, played or built (a
    // figure at rest has nothing to lose).
    bool PoseUnsaved() const;
    // Before the pose is let go (New, Exit): asks whether to save it as a key frame when it is
    // unsaved. False when the user cancels, or the save did not happen.
    bool ConfirmPoseLetGo();
    void OnFileSave();
    void OnFileOpen();
    void OnAnimate();
    AnimationScene Scene();
    // The animation file that Save appends to and Animate plays; `available` once it holds a key
    // frame.
    void SetAnimationFile(const std::string& path, bool available);

    // Repaints at once: the picture is on the screen when this returns.
    void InvalidateAndUpdateNow();
    // The current picture, rendered now; without the selection's outline for pictures that leave
    // the program (clipboard, printer) unless `outline` asks for it.
    QImage RenderImage(bool outline = true);
    // The scene drawn off-screen at any size up to the largest the driver allows (the camera's
    // view widened or narrowed to the picture's shape), without the selection outline.
    QImage RenderOffscreen(int width, int height, const QColor& background);
    // Opens the view's context menu at a screen point; set by the frame.
    std::function<void(const QPoint&)> onContextMenu;

    // What the frame and tests read.
    Figure& FigureModel() { return m_figure; }
    SegmentPose& Pose(int segment) { return m_figure.Pose(segment); }
    const ViewCamera& Camera() const { return m_camera; }
    int DisplayMode() const { return m_nDisplayMode; }
    int RenderMode() const { return m_nRenderMode; }
    bool AnimAvailable() const { return m_bAnimAvailable; }
    bool Playing() const { return m_bPlaying; }
    const std::string& AnimFile() const { return m_strAnimFile; }
    // Pictures painted so far (for checking when the view repaints).
    int Paints() const { return m_nPaints; }
    // Frames playback has shown (each painted before the next); other paints do not count.
    int FramesShown() const { return m_nFramesShown; }
    float TwistAngle() const { return m_twistAngle; }
    const std::array<int, 3>& DragRot() const { return m_dragRot; }
    int LastX() const { return m_lastX; }
    bool TrackballDragging() const { return m_bTrackballDrag; }
    // The status-bar text of the selection: its name and joint angles, or a count.
    std::string SelectionText() const;
    // The imported character's surface as last drawn, in view coordinates (empty without one).
    std::vector<Vec3f> SkinnedPositions() const;
    // How many of the character's vertices the last pose change wrote to graphics memory.
    std::size_t CharacterVerticesUploaded() const { return m_characterList.LastUpdated(); }
    const CharacterList& CharacterArrays() const { return m_characterList; }

    // The OpenGL window's context, as the window's own calls would give it.
    void makeCurrent();
    void doneCurrent();
    bool isValid() const;
    QOpenGLContext* context() const;
    QSurfaceFormat format() const;
    // Picking (ViewPick.cpp): the segment drawn nearest at a window pixel, if any.
    std::optional<int> SegmentAt(int x, int y);
    // Selects what is under the cursor: a segment, or a bone of an imported skeleton (its pick
    // names follow the segments').
    void PickAt(int x, int y, bool add);
    // Selects a bone of the character's (the bone list does), or lets the selection go.
    void SelectBone(int bone);
    // The native window the view draws into, which the window system gives mouse input to.
    QWindow* GLWindow() const;
    // The picture as the window shows it, drawn now.
    QImage grabFramebuffer();
    // True while the last picture must stay on the screen: the document is reading a model, or
    // the figure is being built.
    bool KeepsPicture() const { return m_doc.Loading() || m_bBuilding; }

  protected:
    friend class ViewWindow;
    void initializeGL();
    void resizeGL(int width, int height);
    void paintGL();
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

  private:
    void SetPickName(int segment);
    // False when the list's bounding sphere lies wholly outside the pick's view volume.
    bool MayBeUnderCursor(const SegmentList& e) const;
    std::unique_ptr<QOpenGLFramebufferObject> m_pickTarget;
    // The cursor (x, y from the bottom) and the window's viewport while a pick draws.
    std::array<int, 6> m_pickBox{};
    int m_pickName = -1;
    void DrawPicture(float red, float green, float blue, float alpha, Layer layer = Layer::All);
    void DrawFilled(int mode, Layer layer);
    // `failed` is set when a frame could not be saved (rather than the user cancelling).
    std::size_t ExportFramePictures(const std::vector<PoseFrame>& frames, const ExportOptions& options,
                                    const std::string& stem, bool& failed);
    bool MakeVideo(const QString& ffmpeg, const std::string& stem, int framesPerSecond);
    // Building the figure on a large model: its progress shown as "Building the figure..." in
    // steps (the document's tables, the figure, then each segment's arrays), and the picture
    // kept meanwhile.
    class BuildingFigure {
      public:
        explicit BuildingFigure(CKvtView& view);
        ~BuildingFigure();
        void Report(int step) const;

      private:
        CKvtView& m_view;
        bool m_outer;
    };
    void OnInitialUpdate();
    void SetupLights();
    // Arrays and off-screen targets: they belong to the context.
    void ReleaseGraphics();
    // Every segment's arrays let go, none counted.
    void ReleaseSegmentLists();
    // Loads a segment's arrays into e, with edge flags for an outline or without.
    void LoadSegmentList(SegmentList& e, int segment, bool edges);
    const SegmentList& ShownList(int segment) const;
    void SyncSegmentLists();
    void DrawFlatLists(int mode);
    void DrawTree(const SegmentPose& r, int mode, std::array<double, 3>& colour, Layer layer);
    // A drag step's picture (ViewDragPicture.cpp): the figure at rest from a picture kept since
    // the drag's first step, the dragged segments drawn over it.
    void DrawDragPicture();
    // Whether drag steps draw over a kept picture: for a figure large enough to gain by it.
    bool DragKeepsRestingPicture() const;
    int m_nFacesWorthKeeping = kFacesWorthKeeping;
    void MarkMoving(const SegmentPose& r);
    std::unique_ptr<QOpenGLFramebufferObject> m_restPicture;
    bool m_bRestPictureValid = false;
    // Set while the drag branch of a mouse move paints.
    bool m_bDragPaint = false;
    // Segments a drag moves: the selected ones and everything below them.
    std::array<bool, kMaxSegments> m_moving{};
    void DrawSegmentLists(int first, int count, int mode);
    bool BeginPullAt(int x, int y, bool ctrl);
    // An elbow's or knee's handle swings its limb about the line from the shoulder to the wrist
    // (the hip to the ankle), the hand or foot staying where it is.
    struct Swing {
        int upper;
        Point3d shoulder, axis, elbow; // where they were when the swing began
        Affine startShown;             // the upper segment's shown transform then
    };
    std::optional<Swing> m_swing;
    bool CanSwing(int middle) const;
    bool BeginSwing(int middle);
    void SwingTo(int x, int y);
    Point3d DepthPullTarget(int y);
    bool m_bShiftHeld = false; // as the last mouse move said
    // The rotation gizmo (ViewGizmo.cpp).
    struct GizmoDrag {
        int axis;          // 0 x, 1 y, 2 z, 3 the ring facing the camera
        Point3d axisAt;    // the axis, in the figure's shown coordinates
        Affine startShown; // the segment's shown transform when the drag began
        double centreX, centreY, startAngle;
        double sense; // -1 when the axis points away from the eye
    };
    bool BeginGizmoAt(int x, int y);
    void GizmoDragTo(int x, int y);
    void EndGizmo();
    void DrawGizmo();
    void DrawMoveHandles();
    std::optional<GizmoDrag> m_gizmoDrag;
    struct MoveDrag {
        int axis;
        Point3d start, along; // the joint, and the axis moved along (the square: none)
        double startX, startY, dirX, dirY, pixelsPerUnit;
    };
    std::optional<MoveDrag> m_moveDrag;
    bool BeginMoveAt(int x, int y);
    void MoveDragTo(int x, int y);
    double m_gizmoDegrees = 0;
    bool m_bGizmo = false;
    bool m_bGizmoWorld = false;
    std::optional<PullHandle> HandleAt(int x, int y, double reach, bool visibleOnly);
    std::optional<int> m_hoverHandle;
    bool m_bCtrlHeld = false; // as the view's own key presses and releases tell it
    void ShowCtrlHeld(bool held);
    void PullAt(int x, int y);
    bool Pulling() const;
    void EndPull();
    void MarkPullMoving();
    void DrawHandles();
    Point3d HeadHandle();
    std::optional<Point3d> PelvisHandle() const;
    Point3d m_pullPlane;
    std::optional<int> m_menuHandle;
    int m_nHandleSize = kDefaultHandleSize;
    // The head's handle: the middle of its surface, for the surface revision it was worked out for.
    std::pair<std::uint64_t, Point3d> m_headCentre{~std::uint64_t{0}, {}};
    QColor m_background{0, 0, 0, 0};
    bool m_bSelectionShown = true; // false while a picture is exported
    std::string m_units = "mm";
    void LoadCharacter();
    void SkinCharacter();
    void DrawCharacter(int mode, Layer layer);
    void BeginCharacterRun(const CharacterList::Run& run, int mode);
    bool RunSelected(const CharacterList::Run& run) const;
    std::vector<Quaternion> BoneTurnsShown() const;
    // The segments' moves down the figure tree, in the character's frame.
    std::vector<Affine> SegmentMovesOfCharacter() const;
    Affine ShownFrameOf(int segment) const;
    // The character's finger chains (their tips have handles), and the one being pulled, or -1.
    std::vector<FingerChain> m_fingerChains;
    int m_fingerPull = -1;
    Affine CharacterFrame() const;
    CharacterList m_characterList;
    // Position and normal of each vertex as last skinned, side by side.
    std::vector<float> m_skinned;
    // The pose and the way the character was last skinned in (empty: not skinned yet).
    std::vector<float> m_skinnedPose;
    // The joints' moves the character was last skinned with.
    std::vector<Affine> m_skinnedMoves;
    static std::pair<std::size_t, std::size_t> MovedVertices(const Character& character,
                                                             const std::vector<Affine>& before,
                                                             const std::vector<Affine>& after);
    void SettleCharacterBones();
    void RefreshBoneList();
    void ShowSelectedBone();
    BoneList* m_boneList = nullptr;
    bool m_bShowBones = true;
    bool m_bSegmentColours = false;
    bool m_bDualQuaternion = false;
    bool m_bPlantFeet = true;
    bool m_bFollow = true;
    void DrawJointBand(const SegmentPose& r);
    // The silhouette of what `draw` draws.
    void DrawOutline(const std::function<void()>& draw);
    void PlayAnimationFile();
    void PlayMotionCapture();
    void SettleShownPose();
    std::function<void()> FrameClock(double framesPerSecond);
    // The pose that a key frame, a playback or a build holds: nothing is lost by letting it go.
    void KeepPose() { m_keptPose = m_figure.PoseValues(); }
    std::vector<float> m_keptPose;
    // Says in the status bar which key frame went to which file.
    void NoteSaved();
    void PoseChanged();
    void ShowStatus();
    void RefreshUndoButtons();
    Box ModelBox() const;
    Matrix4 StartMatrix();
    Matrix4 HomeMatrix();
    float FramingZoom(const Vec3f& extent) const;
    Matrix4 LookAtMatrix() const;
    double HalfHeightAt(double depth) const;
    struct KeyEdit {
        std::string name, file, before, after; // the file, and its bytes either side of the edit
        long poseChanges;                      // the pose changes made before it
    };
    void EditKeyFrames(const std::string& name, const std::function<void(KeyFrameSet&)>& edit, int select);
    int SelectedKey() const;
    bool KeyEditIsLatest(const std::vector<KeyEdit>& stack) const;
    bool UndoKeyFrameEdit(bool redo);
    bool LoadReference(const std::string& path, int opacity);
    void RestoreReference();
    void DrawReference();
    void MultProjection() const;

    CKvtDoc& m_doc;
    IWindowServices& m_services;
    ViewWindow* m_window = nullptr; // owned by m_container
    QWidget* m_container = nullptr; // a child widget
    QMetaObject::Connection m_contextGone;
    Figure m_figure;
    ViewCamera m_camera;
    // The reference picture as read, and as last drawn (fitted, darkened, rows from the bottom).
    QImage m_reference, m_referenceShown;
    std::string m_referencePath;
    int m_referenceOpacity = 50;
    bool m_bBackdrop = true;          // off while pictures for export are drawn
    KeyFrameStrip* m_strip = nullptr; // owned by the frame's status bar
    bool m_bShowKeyFrames = true;
    std::optional<KeyFrameSet> m_keys;
    std::vector<PoseFrame> m_keyFrames; // what playback shows of them on this figure
    std::vector<KeyEdit> m_keyUndo, m_keyRedo;
    long m_nPoseChanges = 0;
    bool m_bScrubbing = false;
    bool m_bPlayheadMoved = false; // by a click or a drag on the strip: Animate plays from there

    bool m_bFirstDraw = true;
    bool m_bBuilding = false;
    // The flat picture: one set of arrays per run of consecutive faces of the same segment, drawn
    // in the model's order.
    std::vector<SegmentList> m_flatRuns;
    // The joint band being drawn, as triangles (position and normal per corner); kept to reuse
    // its memory from band to band.
    std::vector<float> m_bandVertices;
    int m_nSegLists = 0;
    std::array<SegmentList, kMaxSegments> m_segLists{};
    // The selected segments' surfaces with their polygons' edges flagged, for their outline: the
    // lists of the others share more corners without the flags.
    std::array<SegmentList, kMaxSegments> m_outlineLists{};
    FlushPacer m_flushPacer;
    int m_nDisplayMode = DISPLAY_FLAT;
    int m_nRenderMode = RENDER_NORMAL;
    std::array<double, 3> m_selectColour{1.0, 0.0, 0.0};
    // Selected segments are also outlined in this colour, unless a picture is made without.
    std::array<double, 3> m_outlineColour{1.0, 0.9, 0.0};
    bool m_bOutline = true;
    std::array<double, 3> m_flatColour{0.0, 0.75, 0.0};
    bool m_bTrackballDrag = false;
    bool m_bPanDrag = false;
    // A right-button press: dragged, it orbits; released where it was, it opens the context menu.
    bool m_bRightDown = false;
    bool m_bOrbited = false;
    bool m_bDragging = false;
    // Degrees of the last twist key (T or W).
    float m_twistAngle = 0.0f;
    int m_lastX = 0, m_lastY = 0;
    std::array<int, 3> m_dragRot{};
    std::string m_strAnimFile;
    bool m_bAnimAvailable = false;
    // Key frames in the animation file, as saved or last played.
    int m_nKeyFrames = 0;
    // Frames per second of playback (View > Playback Speed).
    int m_nPlaybackRate = kDefaultPlaybackRate;
    bool m_bPlaying = false;
    int m_nPaints = 0;
    int m_nFramesShown = 0;
};

} // namespace figurant
