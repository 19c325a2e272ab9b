#include "KvtApp.h"

#include "AboutDlg.h"
#include "DurableFile.h"
#include "FigureFileReader.h"

#include <QFile>
#include <QFileInfo>
#include <QTimer>

namespace figurant {

namespace {
const char* const kRecentGroup = "Recent File List";
}

CKvtApp::CKvtApp(IDialogs& dialogs) : m_dialogs(dialogs), m_settings(res::kSettingsKey, res::kAppTitle) {}

CKvtApp::~CKvtApp() = default;

bool CKvtApp::InitInstance(const QStringList& arguments) {
    m_settings.beginGroup(kRecentGroup);
    for (int i = 1; i <= res::kRecentFiles; ++i) {
        const QString file = m_settings.value(QString("File%1").arg(i)).toString();
        if (!file.isEmpty()) m_recentFiles << file;
    }
    m_settings.endGroup();
    m_doc = std::make_unique<CKvtDoc>();
    m_frame = std::make_unique<CMainFrame>(*m_doc, m_dialogs);
    m_frame->SetApplication(this);
    m_frame->SetRecentFiles(m_recentFiles);
    if (!arguments.isEmpty()) {
        if (!OpenDocumentFile(arguments.front())) return false;
        OpenByKind(arguments.front());
    } else {
        OnFileNew();
    }
    m_frame->ShowMaximised();
    m_frame->View()->setFocus();
    m_frame->View()->InvalidateAndUpdateNow();
    return true;
}

bool CKvtApp::HasCommand(int id) const {
    return id == cmd::FileNew || id == cmd::FileSaveAs || id == cmd::FilePrintSetup || id == cmd::AppAbout ||
           id == cmd::AppExit || (id >= cmd::FileMru && id < cmd::FileMru + res::kRecentFiles);
}

void CKvtApp::OnCommand(int id) {
    switch (id) {
    case cmd::FileNew:
        if (m_frame->View()->ConfirmPoseLetGo()) OnFileNew();
        break;
    case cmd::FileSaveAs:
        OnFileSaveAs();
        break;
    case cmd::FilePrintSetup:
        m_dialogs.PrinterSetup();
        break;
    case cmd::AppAbout:
        CAboutDlg(m_frame.get()).exec();
        break;
    case cmd::AppExit:
        m_frame->close();
        break;
    default:
        if (id >= cmd::FileMru && id - cmd::FileMru < m_recentFiles.size()) {
            const QString path = m_recentFiles[id - cmd::FileMru];
            if (OpenDocumentFile(path)) OpenByKind(path);
        }
        break;
    }
}

// The framework's new document: a fresh title and no path, then the document's own step.
void CKvtApp::OnFileNew() {
    m_doc->SetTitle(res::kDocumentName);
    m_doc->SetPathName({});
    m_doc->OnNewDocument();
    m_frame->UpdateCaption();
}

// The document stores nothing: Save As writes an empty file and takes its name.
void CKvtApp::OnFileSaveAs() {
    const std::string initial = m_doc->PathName().empty() ? m_doc->Title() : m_doc->PathName();
    const auto path = m_dialogs.FileDialog({false, "", initial, "All Files (*.*)|*.*||"});
    if (!path) return;
    const std::string error = WriteFileDurably(*path, "");
    if (!error.empty()) {
        m_dialogs.MessageBox("The document could not be saved as \"" + *path + "\": " + error + ".");
        return;
    }
    m_doc->SetPathName(*path);
    m_doc->SetTitle(QFileInfo(QString::fromStdString(*path)).fileName().toStdString());
    AddToRecentFiles(QString::fromStdString(*path));
    m_frame->UpdateCaption();
}

// Opening a document file reads nothing from it: the document takes its name and path, and the
// model in memory stays as it is.
bool CKvtApp::OpenDocumentFile(const QString& path) {
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly)) {
        const QString reason =
            QFileInfo::exists(path) ? file.errorString() : QString("the file does not exist");
        m_dialogs.MessageBox(QString("Cannot open the document \"%1\": %2.").arg(path, reason).toStdString());
        m_recentFiles.removeAll(path);
        SaveRecentFiles();
        return false;
    }
    const QString full = QFileInfo(path).absoluteFilePath();
    m_doc->SetPathName(full.toStdString());
    m_doc->SetTitle(QFileInfo(path).fileName().toStdString());
    AddToRecentFiles(full);
    m_frame->UpdateCaption();
    return true;
}

void CKvtApp::OpenByKind(const QString& path) {
    const QString kind = QFileInfo(path).suffix().toLower();
    // A model is no document: the title stays the document's, and the caption names the model
    // once, as it does when the model comes through the menu.
    if (kind == "dxf" || IsFigureFileName(path.toStdString())) {
        m_doc->SetTitle(res::kDocumentName);
        m_frame->UpdateCaption();
    }
    if (kind == "dxf") {
        m_doc->LoadDrawing(path.toStdString());
        m_frame->Services().UpdateAllViews(HINT_DXF_IMPORTED);
        return;
    }
    m_doc->OnNewDocument();
    // A rigged figure replaces the default model; one that cannot be imported says why (the
    // default model stays).
    if (IsFigureFileName(path.toStdString())) {
        if (m_doc->ImportFigure(path.toStdString())) m_frame->Services().UpdateAllViews(HINT_DXF_IMPORTED);
        return;
    }
    if (kind == "amt" || kind == "bvh") {
        // Played once the window is up, as File > Open plays it.
        QTimer::singleShot(0, m_frame.get(), [this, file = path.toStdString()] {
            CKvtView& view = *m_frame->View();
            if (view.DisplayMode() != DISPLAY_HIERARCHY) view.OnHierarchy();
            view.SetAnimationFile(file, true);
            view.OnAnimate();
        });
        return;
    }
    m_dialogs.MessageBox("\"" + path.toStdString() +
                         "\" is neither a drawing (.dxf), a figure (.glb, .gltf, .vrm, .fbx, .dae, .obj) nor "
                         "an animation (.amt); "
                         "the default model is shown.");
}

void CKvtApp::AddToRecentFiles(const QString& path) {
    m_recentFiles.removeAll(path);
    m_recentFiles.prepend(path);
    while (m_recentFiles.size() > res::kRecentFiles)
        m_recentFiles.removeLast();
    SaveRecentFiles();
}

void CKvtApp::SaveRecentFiles() {
    m_settings.beginGroup(kRecentGroup);
    m_settings.remove("");
    for (int i = 0; i < m_recentFiles.size(); ++i)
        m_settings.setValue(QString("File%1").arg(i + 1), m_recentFiles[i]);
    m_settings.endGroup();
    m_settings.sync();
    if (m_frame) m_frame->SetRecentFiles(m_recentFiles);
}

} // namespace figurant
