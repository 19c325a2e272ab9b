// Imported characters posed as they were rigged, through the real window: clicks on the skinned
// surface, pose keys, undo, and the View menu's looks.
#include "BoneList.h"
#include "ControlRaster.h"
#include "GuiFixture.h"
#include "GuiMain.h"
#include "LimbSolver.h"
#include "RiggedFigureFile.h"
#include "TempDir.h"

#include <QBuffer>
#include <QProcess>
#include <QScrollBar>
#include <QStatusBar>
#include <algorithm>
#include <nlohmann/json.hpp>

using namespace figurant;
using namespace figurant::test;

namespace {

constexpr int kLeftUpperArm = 5, kLeftForearm = 7, kLeftHand = 9;

// Imports the generated figure (its limbs as separate pieces or sharing rings) and builds it.
void ImportFigure(RunningApp& app, TempDir& dir, bool pieces) {
    app.dialogs.answers = {dir.Write("figure.gltf", RiggedFigureGltf(kMixamoNames, 8, 3, pieces))};
    app.Frame().Router().Execute(cmd::ImportModel);
    QVERIFY2(app.dialogs.messages.empty(),
             app.dialogs.messages.empty() ? "" : app.dialogs.messages[0].c_str());
    EnterModifyMode(app);
    QVERIFY(app.View().CharacterShown());
    // The bone list's dock takes its room beside the view.
    QTest::qWait(50);
}

bool Same(const Vec3f& a, const Vec3f& b) {
    return a.x == b.x && a.y == b.y && a.z == b.z;
}

// Where a point in view coordinates shows in the window.
QPoint PixelAt(CKvtView& v, const Point3d& p) {
    const auto at = ProjectToPicture(v.CurrentViewMatrices(v.width(), v.height()), p);
    return at ? QPoint(static_cast<int>(at->x), static_cast<int>(at->y)) : QPoint();
}

// Where the mean of the surface points bound to `bone` (in the generator's order) shows in the view.
QPoint PixelOf(RunningApp& app, std::size_t bone, bool pieces) {
    CKvtView& v = app.View();
    const TubeMesh mesh = FigureTubes(8, 3, pieces);
    const std::vector<Vec3f>& at = v.SkinnedPositions();
    Point3d sum{};
    int n = 0;
    for (std::size_t i = 0; i < mesh.bones.size() && i < at.size(); ++i)
        if (mesh.bones[i] == bone) sum = sum + Point3d{at[i].x, at[i].y, at[i].z}, ++n;
    return PixelAt(v, (1.0 / std::max(n, 1)) * sum);
}

// A left-button drag from a handle as the window system sends it: the cursor comes to the handle
// first, which brings it into sight.
void PullWithMouse(CKvtView& v, QPoint from, QPoint to) {
    MoveWith(&v, from, Qt::NoButton);
    QTest::mousePress(&v, Qt::LeftButton, Qt::NoModifier, from);
    MoveWith(&v, to, Qt::LeftButton);
    QTest::mouseRelease(&v, Qt::LeftButton, Qt::NoModifier, to);
}

// How many of the skinned vertices moved from `rest` on the generator's bone `bone`, and elsewhere.
std::pair<int, int> MovedOnBoneAndElsewhere(CKvtView& v, const std::vector<Vec3f>& rest, std::size_t bone) {
    const TubeMesh mesh = FigureTubes(8, 3, false);
    std::pair<int, int> moved{0, 0};
    for (std::size_t i = 0; i < mesh.bones.size(); ++i)
        if (!Same(v.SkinnedPositions()[i], rest[i])) ++(mesh.bones[i] == bone ? moved.first : moved.second);
    return moved;
}

bool Same(const std::vector<Vec3f>& a, const std::vector<Vec3f>& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](const Vec3f& p, const Vec3f& q) { return Same(p, q); });
}

int BoneNamed(CKvtView& v, const std::string& name) {
    const auto& bones = v.FigureModel().Bones();
    for (std::size_t b = 0; b < bones.size(); ++b)
        if (bones[b].name == name) return static_cast<int>(b);
    return -1;
}

// The figure with a material whose base-colour picture is plain green, every vertex at its middle.
QByteArray Png(int side, const QColor& colour) {
    QImage picture(side, side, QImage::Format_RGB32);
    picture.fill(colour);
    QByteArray png;
    QBuffer out(&png);
    out.open(QIODevice::WriteOnly);
    picture.save(&out, "PNG");
    return png;
}

// The generated figure in green, from a picture. With `materials`, that many materials more share
// the picture, and `large` pictures of the given side, each its own colour, come with one
// material each.
std::string GreenFigureGltf(int materials = 0, int large = 0, int side = 0) {
    auto gltf = nlohmann::json::parse(RiggedFigureGltf(kMixamoNames, 8, 3));
    const QByteArray png = Png(4, QColor(0, 255, 0));
    const std::size_t vertices = gltf["accessors"][0]["count"];
    QByteArray uvs;
    for (std::size_t v = 0; v < 2 * vertices; ++v) {
        const float half = 0.5f;
        uvs.append(reinterpret_cast<const char*>(&half), sizeof half);
    }
    gltf["buffers"].push_back(
        {{"byteLength", uvs.size()},
         {"uri", "data:application/octet-stream;base64," + uvs.toBase64().toStdString()}});
    gltf["bufferViews"].push_back({{"buffer", 1}, {"byteLength", uvs.size()}});
    gltf["accessors"].push_back({{"bufferView", gltf["bufferViews"].size() - 1},
                                 {"componentType", 5126},
                                 {"count", vertices},
                                 {"type", "VEC2"}});
    auto& primitive = gltf["meshes"][0]["primitives"][0];
    primitive["attributes"]["TEXCOORD_0"] = gltf["accessors"].size() - 1;
    primitive["material"] = 0;
    gltf["images"] = {{{"uri", "data:image/png;base64," + png.toBase64().toStdString()}}};
    gltf["textures"] = {{{"source", 0}}};
    gltf["materials"] = {
        {{"name", "Green"}, {"pbrMetallicRoughness", {{"baseColorTexture", {{"index", 0}}}}}}};
    for (int m = 0; m < materials; ++m)
        gltf["materials"].push_back({{"name", "Shared " + std::to_string(m)},
                                     {"pbrMetallicRoughness", {{"baseColorTexture", {{"index", 0}}}}}});
    for (int p = 0; p < large; ++p) {
        gltf["images"].push_back(
            {{"uri", "data:image/png;base64," + Png(side, QColor(p * 60, 0, 255)).toBase64().toStdString()}});
        gltf["textures"].push_back({{"source", gltf["images"].size() - 1}});
        gltf["materials"].push_back(
            {{"name", "Large " + std::to_string(p)},
             {"pbrMetallicRoughness", {{"baseColorTexture", {{"index", gltf["textures"].size() - 1}}}}}});
    }
    // Each further material on a copy of the body's primitive, so that every one is in use.
    auto& primitives = gltf["meshes"][0]["primitives"];
    for (std::size_t m = 1; m < gltf["materials"].size(); ++m) {
        auto copy = primitives[0];
        copy["material"] = m;
        primitives.push_back(copy);
    }
    return gltf.dump();
}

int GreenPixels(const QImage& image) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            n += c.green() > 2 * c.red() + 20 && c.green() > 2 * c.blue() + 20 ? 1 : 0;
        }
    return n;
}

int YellowPixels(const QImage& image) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            n += c.red() > 120 && c.green() > 100 && c.blue() < c.green() / 2 ? 1 : 0;
        }
    return n;
}

double Distance(const Vec3f& a, const Vec3f& b) {
    return std::sqrt((a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y) + (a.z - b.z) * (a.z - b.z));
}

} // namespace

class CharacterTest : public QObject {
    Q_OBJECT
  private slots:
    // A figure whose limbs share no vertex has every joint where its bones meet, and a click
    // and a turn key carry the hand's piece with the forearm, rigidly.
    void separatePiecesPoseAtTheirBones() {
        RunningApp app;
        TempDir dir;
        ImportFigure(app, dir, true);
        CKvtView& v = app.View();
        const double upperArm = 0.25, forearm = 0.25;
        const Point3d shoulder = *v.Pose(kLeftUpperArm).m_pJointCentre,
                      elbow = *v.Pose(kLeftForearm).m_pJointCentre, wrist = *v.Pose(kLeftHand).m_pJointCentre;
        QVERIFY(std::fabs(std::sqrt(Dot(elbow - shoulder, elbow - shoulder)) - upperArm) < 1e-4);
        QVERIFY(std::fabs(std::sqrt(Dot(wrist - elbow, wrist - elbow)) - forearm) < 1e-4);
        const std::vector<Vec3f> rest = v.SkinnedPositions();
        QTest::mouseClick(&v, Qt::LeftButton, Qt::NoModifier, PixelOf(app, 8, true));
        QCOMPARE(v.FigureModel().Selection(), std::vector<int>{kLeftForearm});
        QTest::keyClick(&v, Qt::Key_Left);
        v.RenderImage();
        const std::vector<Vec3f>& posed = v.SkinnedPositions();
        const TubeMesh mesh = FigureTubes(8, 3, true);
        std::vector<std::size_t> hand;
        for (std::size_t i = 0; i < mesh.bones.size(); ++i)
            if (mesh.bones[i] == 9) hand.push_back(i);
        QVERIFY(Distance(posed[hand[0]], rest[hand[0]]) > 0.01);
        for (std::size_t i : hand)
            QVERIFY(std::fabs(Distance(posed[i], posed[hand[0]]) - Distance(rest[i], rest[hand[0]])) < 1e-5);
        for (std::size_t i = 0; i < mesh.bones.size(); ++i)
            if (mesh.bones[i] == 7) QVERIFY(Same(posed[i], rest[i])); // the upper arm stays
    }

    // A finger is a bone of its own: a click selects it by name, a key turns only what it holds,
    // and undo puts every vertex back to the bit.
    void aFingerTurnsOnItsOwnAndUndoes() {
        RunningApp app;
        TempDir dir;
        ImportFigure(app, dir, false);
        CKvtView& v = app.View();
        const std::vector<Vec3f> rest = v.SkinnedPositions();
        QTest::mouseClick(&v, Qt::LeftButton, Qt::NoModifier, PixelOf(app, 10, false));
        QCOMPARE(v.FigureModel().SelectedBone(), BoneNamed(v, "mixamorig:LeftHandIndex1"));
        QVERIFY(v.SelectionText().rfind("mixamorig:LeftHandIndex1", 0) == 0);
        QTest::keyClick(&v, Qt::Key_Up);
        v.RenderImage();
        const auto [moved, elsewhere] = MovedOnBoneAndElsewhere(v, rest, 10);
        QCOMPARE(elsewhere, 0);
        QVERIFY(moved > 0);
        // Nothing but the selection takes another colour: the outline's yellow drawn in the last
        // paint stays out of the next one.
        QCOMPARE(YellowPixels(v.RenderImage(false)), 0);
        // Only the finger's vertices went to graphics memory.
        QVERIFY(v.CharacterVerticesUploaded() > 0 && v.CharacterVerticesUploaded() < rest.size() / 10);
        QCOMPARE(QString::fromStdString(v.FigureModel().UndoName()),
                 QString("Turn mixamorig:LeftHandIndex1"));
        QTest::keyClick(&v, Qt::Key_Z, Qt::ControlModifier);
        v.RenderImage();
        QVERIFY(Same(v.SkinnedPositions(), rest));
        // P with the finger selected pins its hand.
        QTest::keyClick(&v, Qt::Key_P);
        QVERIFY(v.FigureModel().IsPinned(kLeftHand));
        QCOMPARE(app.Frame().statusBar()->currentMessage(), QString("Left Hand pinned"));
    }

    // Mirror Pose copies a finger's turn onto the other hand's finger, mirrored about the figure's
    // left-right plane (the generated figure is symmetric about it).
    void mirrorCopiesAFingersTurnToTheOtherHand() {
        RunningApp app;
        TempDir dir;
        ImportFigure(app, dir, false);
        CKvtView& v = app.View();
        QTest::mouseClick(&v, Qt::LeftButton, Qt::NoModifier, PixelOf(app, 10, false));
        QCOMPARE(v.FigureModel().SelectedBone(), BoneNamed(v, "mixamorig:LeftHandIndex1"));
        QTest::keyClick(&v, Qt::Key_Up);
        QTest::keyClick(&v, Qt::Key_Left);
        app.Frame().Router().Execute(cmd::MirrorPose);
        v.RenderImage();
        const TubeMesh mesh = FigureTubes(8, 3, false);
        const std::vector<Vec3f> at = v.SkinnedPositions();
        auto centre = [&](std::size_t bone) {
            Point3d sum{};
            int n = 0;
            for (std::size_t i = 0; i < mesh.bones.size(); ++i)
                if (mesh.bones[i] == bone) sum = sum + Point3d{at[i].x, at[i].y, at[i].z}, ++n;
            return (1.0 / n) * sum;
        };
        const Point3d left = centre(10), right = centre(15);
        QVERIFY2(std::fabs(left.x + right.x) < 1e-4 && std::fabs(left.y - right.y) < 1e-4 &&
                     std::fabs(left.z - right.z) < 1e-4,
                 qPrintable(QString("%1 %2 %3 / %4 %5 %6")
                                .arg(left.x)
                                .arg(left.y)
                                .arg(left.z)
                                .arg(right.x)
                                .arg(right.y)
                                .arg(right.z)));
        QCOMPARE(QString::fromStdString(v.FigureModel().UndoName()), QString("Mirror Pose"));
    }

    // File > Export glTF writes the character as the window shows it: the exported file's own
    // skinning of its nodes as stored gives the same shape as the window's.
    void theWindowsGltfIsTheCharacterAsShown() {
        RunningApp app;
        TempDir dir;
        ImportFigure(app, dir, false);
        CKvtView& v = app.View();
        QTest::mouseClick(&v, Qt::LeftButton, Qt::NoModifier, PixelOf(app, 8, false));
        for (int i = 0; i < 5; ++i)
            QTest::keyClick(&v, Qt::Key_Up);
        v.RenderImage();
        const std::vector<Vec3f> shown = v.SkinnedPositions();
        app.dialogs.answers = {dir.File("pose.glb")};
        app.Frame().Router().Execute(cmd::ExportGltf);
        QVERIFY(app.dialogs.messages.empty());
        // The bones keep their own names and there is no animation: nothing is asked.
        QVERIFY(app.dialogs.proposals.empty());
        const std::string pose = dir.Write("none.json", R"({"rotations": {}})");
        QProcess inspect;
        inspect.setProgram(FIGURANT_INSPECT);
        inspect.setArguments(
            {"figure", QString::fromStdString(dir.File("pose.glb")), "--pose", QString::fromStdString(pose)});
        inspect.start();
        QVERIFY(inspect.waitForFinished(30000));
        const auto out = nlohmann::json::parse(inspect.readAllStandardOutput().toStdString());
        const auto& vertices = out["vertices"];
        QCOMPARE(vertices.size(), shown.size());
        auto at = [&](std::size_t i) {
            return Vec3f{vertices[i]["rest"][0].get<float>(), vertices[i]["rest"][1].get<float>(),
                         vertices[i]["rest"][2].get<float>()};
        };
        // Distances are the same whatever the frame: a hand to each foot, and across the body.
        const TubeMesh mesh = FigureTubes(8, 3, false);
        std::vector<std::size_t> some;
        for (std::size_t bone : {9u, 18u, 21u, 5u, 14u})
            for (std::size_t i = 0; i < mesh.bones.size(); ++i)
                if (mesh.bones[i] == bone) {
                    some.push_back(i);
                    break;
                }
        for (std::size_t a : some)
            for (std::size_t b : some)
                QVERIFY(std::fabs(Distance(shown[a], shown[b]) - Distance(at(a), at(b))) < 1e-4);
    }

    // The bone list shows the skeleton by the file's names; a click in it selects the bone in
    // the view, and a click in the view shows the bone in the list.
    void theBoneListFollowsTheSelection() {
        RunningApp app;
        TempDir dir;
        ImportFigure(app, dir, false);
        CKvtView& v = app.View();
        auto* list = app.Frame().findChild<BoneList*>();
        QVERIFY(list && list->isVisible());
        // Wide enough for every name as it stands in the tree: nothing to scroll sideways.
        QApplication::processEvents();
        QCOMPARE(list->horizontalScrollBar()->maximum(), 0);
        const auto found = list->findItems("mixamorig:LeftHandIndex1", Qt::MatchExactly | Qt::MatchRecursive);
        QCOMPARE(found.size(), 1);
        QCOMPARE(found[0]->parent()->text(0), QString("mixamorig:LeftHand"));
        list->scrollToItem(found[0]);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                          list->visualItemRect(found[0]).center());
        QCOMPARE(v.FigureModel().SelectedBone(), BoneNamed(v, "mixamorig:LeftHandIndex1"));
        QTest::mouseClick(&v, Qt::LeftButton, Qt::NoModifier, PixelOf(app, 8, false));
        QCOMPARE(v.FigureModel().Selection(), std::vector<int>{kLeftForearm});
        QCOMPARE(list->currentItem()->text(0), QString("mixamorig:LeftForeArm"));
        app.Frame().Router().Execute(cmd::ViewBones);
        QVERIFY(!list->isVisible());
    }

    // Ctrl+drag on a character's hand pulls the hand, as on the built-in figure, instead of turning
    // the bone under the cursor.
    void ctrlDragOnACharactersHandPullsIt() {
        RunningApp app;
        TempDir dir;
        ImportFigure(app, dir, false);
        CKvtView& v = app.View();
        const QPoint from = PixelOf(app, kLeftHand, false);
        MoveWith(&v, from, Qt::NoButton, Qt::ControlModifier);
        QTest::mousePress(&v, Qt::LeftButton, Qt::ControlModifier, from);
        MoveWith(&v, from + QPoint(0, -30), Qt::LeftButton, Qt::ControlModifier);
        QTest::mouseRelease(&v, Qt::LeftButton, Qt::ControlModifier, from + QPoint(0, -30));
        QCOMPARE(QString::fromStdString(v.FigureModel().UndoName()), QString("Pull Left Hand"));
    }

    // A material's base-colour picture paints the character, lit; the segment colours replace it.
    void aCharacterWearsItsOwnPicture() {
        RunningApp app;
        TempDir dir;
        app.dialogs.answers = {dir.Write("green.gltf", GreenFigureGltf())};
        app.Frame().Router().Execute(cmd::ImportModel);
        QVERIFY(app.dialogs.messages.empty());
        EnterModifyMode(app);
        CKvtView& v = app.View();
        QVERIFY(GreenPixels(v.RenderImage(false)) > 1000);
        app.Frame().Router().Execute(cmd::SegmentColours);
        QCOMPARE(GreenPixels(v.RenderImage(false)), 0);
    }

    // Materials that share a picture share one texture; pictures larger together than the texture
    // memory allows are scaled down to fit, and the status bar says so.
    void picturesAreLoadedOnceAndWithinTheirMemory() {
        RunningApp app;
        TempDir dir;
        app.dialogs.answers = {dir.Write("shared.gltf", GreenFigureGltf(40))};
        app.Frame().Router().Execute(cmd::ImportModel);
        QVERIFY(app.dialogs.messages.empty());
        EnterModifyMode(app);
        CKvtView& v = app.View();
        QVERIFY(GreenPixels(v.RenderImage(false)) > 1000);
        QCOMPARE(v.CharacterArrays().TextureCount(), std::size_t{1});

        // Four pictures each within what Qt decodes, larger than the cap together.
        app.dialogs.answers = {dir.Write("large.gltf", GreenFigureGltf(0, 4, 5500))};
        app.Frame().Router().Execute(cmd::ImportModel);
        QVERIFY(app.dialogs.messages.empty());
        EnterModifyMode(app);
        v.RenderImage(false);
        QCOMPARE(v.CharacterArrays().TextureCount(), std::size_t{5});
        QVERIFY(v.CharacterArrays().TextureBytes() <= CharacterList::kMostTextureBytes);
        QVERIFY(v.CharacterArrays().TextureBytes() > CharacterList::kMostTextureBytes / 4);
        QVERIFY(v.CharacterArrays().Note().find("scaled to 1/2") != std::string::npos);
    }

    // The character shows in its own look until View > Segment Colours paints it by segment; at
    // rest the two ways of skinning agree.
    void segmentColoursAndSkinningChoices() {
        RunningApp app;
        TempDir dir;
        ImportFigure(app, dir, false);
        CKvtView& v = app.View();
        const QImage own = v.RenderImage(false);
        app.Frame().Router().Execute(cmd::SegmentColours);
        QVERIFY(v.RenderImage(false) != own);
        app.Frame().Router().Execute(cmd::SegmentColours);
        QCOMPARE(v.RenderImage(false), own);
        app.Frame().Router().Execute(cmd::DualQuaternionSkinning);
        QCOMPARE(v.RenderImage(false), own);
    }

    // A character's hand pulled by its wrist handle, after a bone above the arm that heads no
    // segment was turned on its own: the handle is at the wrist as shown, the wrist lands under
    // the cursor and the skinned hand goes with it, unturned.
    void aCharactersHandIsPulledByItsWrist() {
        RunningApp app;
        TempDir dir;
        ImportFigure(app, dir, true);
        CKvtView& v = app.View();
        const Figure& f = v.FigureModel();
        int between = -1;
        for (const char* name : {"mixamorig:LeftShoulder", "mixamorig:Spine1", "mixamorig:Spine2"})
            if (const int b = BoneNamed(v, name); between < 0 && b >= 0 && f.Bones()[b].segment < 0)
                between = b;
        QVERIFY(between >= 0);
        v.SelectBone(between);
        QTest::keyClick(&v, Qt::Key_Left);
        QTest::keyClick(&v, Qt::Key_Left);
        QVERIFY(Length(*f.ShownJoint(kLeftHand) - *f.JointWorld(kLeftHand)) > 0.01);
        const auto wrist = [&] { return *f.ShownJoint(kLeftHand); };
        const Point3d from3 = wrist();
        const ViewMatrices view = v.CurrentViewMatrices(v.width(), v.height());
        const QPoint from = PixelAt(v, from3), to = from + QPoint(-30, -60);
        const std::vector<Vec3f> rest = v.SkinnedPositions();
        PullWithMouse(v, from, to);
        QCOMPARE(f.UndoName(), std::string("Pull Left Hand"));
        const auto landed = ProjectToPicture(view, wrist());
        QVERIFY(std::hypot(landed->x - (to.x() + 0.5), landed->y - (to.y() + 0.5)) <= 2.0);
        v.RenderImage();
        const std::vector<Vec3f>& posed = v.SkinnedPositions();
        const TubeMesh mesh = FigureTubes(8, 3, true);
        const Point3d moved = wrist() - from3;
        for (std::size_t i = 0; i < mesh.bones.size(); ++i)
            if (mesh.bones[i] == 9)
                QVERIFY(std::fabs(posed[i].x - rest[i].x - moved.x) +
                            std::fabs(posed[i].y - rest[i].y - moved.y) +
                            std::fabs(posed[i].z - rest[i].z - moved.z) <
                        1e-4);
    }

    // A finger's tip has a handle: pulled, the finger turns to point at the cursor, nothing else
    // moves, and undo puts it back.
    void aFingerTipIsPulled() {
        RunningApp app;
        TempDir dir;
        ImportFigure(app, dir, false);
        CKvtView& v = app.View();
        const std::vector<Vec3f> rest = v.SkinnedPositions();
        std::optional<CKvtView::PullHandle> tip;
        for (const auto& h : v.PullHandles())
            if (h.segment >= kMaxSegments && h.at.x > 0) tip = h; // the left hand's finger
        QVERIFY(tip);
        const QPoint from = PixelAt(v, tip->at), to = from + QPoint(0, -30);
        PullWithMouse(v, from, to);
        QCOMPARE(QString::fromStdString(v.FigureModel().UndoName()),
                 QString("Pull mixamorig:LeftHandIndex1"));
        v.RenderImage();
        const auto [moved, elsewhere] = MovedOnBoneAndElsewhere(v, rest, 10);
        QCOMPARE(elsewhere, 0);
        QVERIFY(moved > 0);
        // The finger points from its base at the target.
        const Point3d base = *v.FigureModel().JointWorld(kLeftHand) + Point3d{0.12, 0, 0};
        const Point3d target = v.UnderCursor(to.x(), to.y(), tip->at);
        Point3d now{};
        for (const auto& h : v.PullHandles())
            if (h.segment == tip->segment) now = h.at;
        QVERIFY(Length(Cross(Normalize(now - base), Normalize(target - base))) < 0.02);
        QTest::keyClick(&v, Qt::Key_Z, Qt::ControlModifier);
        v.RenderImage();
        QVERIFY(Same(v.SkinnedPositions(), rest));
    }
};

FIGURANT_GUI_TEST_MAIN(CharacterTest)
#include "CharacterTest.moc"
