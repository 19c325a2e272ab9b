#include "MainFrame.h"

#include "PoseDialogs.h"

#include "BoneList.h"
#include "Icons.h"
#include "KeyFrameStrip.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDockWidget>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QScreen>
#include <QSettings>
#include <QShortcut>
#include <QStatusBar>
#include <QToolBar>

namespace figurant {

namespace {

// A prompt is the status-bar text, then after a line break the tooltip.
QString StatusTip(int id) {
    return QString(res::PromptOf(id)).section('\n', 0, 0);
}
QString ToolTip(int id) {
    return QString(res::PromptOf(id)).section('\n', 1, 1);
}

} // namespace

CMainFrame::CMainFrame(CKvtDoc& doc, IDialogs& dialogs) : m_doc(doc), m_services(*this, dialogs) {
    setWindowIcon(ApplicationIcon());
    m_view = new CKvtView(doc, m_services, this);
    setCentralWidget(m_view);
    m_view->onContextMenu = [this](const QPoint& at) { ShowContextMenu(at); };
    for (const res::MenuItem& item : res::MainMenu())
        menuBar()->addMenu(BuildMenu(item, this, true));
    BuildToolBar();
    BuildStatusBar();
    BuildBoneList();
    BuildAccelerators();
    SetApplication(nullptr);
    m_doc.SetServices(&m_services);
    UpdateCaption();
}

CMainFrame::~CMainFrame() {
    m_doc.SetServices(nullptr);
}

void CMainFrame::SetApplication(ICommandTarget* app) {
    m_router.SetTargets({m_view, &m_doc, this, app});
    // Once the route is whole, a button whose command nothing handles is greyed, as its menu item is.
    if (!app) return;
    for (const auto& [id, action] : m_toolbarActions)
        if (!m_router.Handles(id)) action->setEnabled(false);
}

QMenu* CMainFrame::BuildMenu(const res::MenuItem& item, QWidget* parent, bool routed) {
    auto* menu = new QMenu(QString::fromStdString(item.text), parent);
    for (const res::MenuItem& child : item.items) {
        if (!child.items.empty()) {
            menu->addMenu(BuildMenu(child, menu, routed));
        } else if (child.id == 0) {
            menu->addSeparator();
        } else {
            QAction* action = menu->addAction(QString::fromStdString(child.text));
            action->setData(child.id);
            action->setStatusTip(StatusTip(child.id));
            action->setCheckable(child.initiallyChecked);
            action->setChecked(child.initiallyChecked);
            action->setEnabled(!child.initiallyGreyed);
            const int id = child.id;
            connect(action, &QAction::triggered, this, [this, id] { m_router.Execute(id); });
            if (routed) m_menuActions.emplace(id, action);
        }
    }
    // Items of the main menu are refreshed each time their menu opens; the context menu's are not.
    if (routed) connect(menu, &QMenu::aboutToShow, this, [this, menu] { RefreshMenu(menu); });
    return menu;
}

void CMainFrame::RefreshMenu(QMenu* menu) {
    RefreshRecentFiles(menu);
    for (QAction* action : menu->actions()) {
        if (action->isSeparator() || action->menu() || !action->data().isValid()) continue;
        const int id = action->data().toInt();
        if (action->property("recentFile").isValid()) continue;
        if (id == cmd::FileMru) {
            action->setEnabled(false); // the placeholder of an empty list
            continue;
        }
        const CommandState state = m_router.Update(id);
        action->setEnabled(state.enabled);
        if (!state.text.empty()) action->setText(QString::fromStdString(state.text));
        action->setCheckable(state.checked || action->isCheckable());
        action->setChecked(state.checked);
    }
}

// The recent-file list stands in the File menu in place of the greyed "Recent File" item.
void CMainFrame::RefreshRecentFiles(QMenu* menu) {
    QAction* placeholder = nullptr;
    for (QAction* action : menu->actions()) {
        if (action->property("recentFile").isValid()) {
            menu->removeAction(action);
            action->deleteLater();
        } else if (action->data().toInt() == cmd::FileMru) {
            placeholder = action;
        }
    }
    if (!placeholder) return;
    placeholder->setVisible(m_recentFiles.isEmpty());
    for (int i = 0; i < m_recentFiles.size() && i < res::kRecentFiles; ++i) {
        auto* action = new QAction(QString("&%1 %2").arg(i + 1).arg(m_recentFiles[i]), menu);
        action->setProperty("recentFile", i);
        action->setData(cmd::FileMru + i);
        action->setStatusTip(StatusTip(cmd::FileMru));
        const int id = cmd::FileMru + i;
        connect(action, &QAction::triggered, this, [this, id] { m_router.Execute(id); });
        menu->insertAction(placeholder, action);
    }
}

void CMainFrame::BuildToolBar() {
    m_toolBar = new QToolBar(res::kToolbarTitle, this);
    m_toolBar->setObjectName("Standard");
    m_toolBar->setIconSize(QSize(16, 15));
    m_toolBar->setMovable(true);
    m_toolBar->setFloatable(true);
    m_toolBar->setAllowedAreas(Qt::AllToolBarAreas);
    for (int id : res::ToolbarButtons()) {
        if (id == 0) {
            m_toolBar->addSeparator();
            continue;
        }
        QAction* action = m_toolBar->addAction(ToolbarIcon(id), ToolTip(id));
        action->setData(id);
        action->setStatusTip(StatusTip(id));
        action->setToolTip(ToolTip(id));
        // A click must not press or release the button by itself: only the view's calls do.
        connect(action, &QAction::triggered, this, [this, action, id] {
            if (action->isCheckable()) action->setChecked(!action->isChecked());
            m_router.Execute(id);
        });
        m_toolbarActions[id] = action;
    }
    addToolBar(Qt::TopToolBarArea, m_toolBar);
}

void CMainFrame::BuildStatusBar() {
    // Standing texts on the right, so passing messages on the left never cover them.
    for (QLabel*& pane : m_statusPanes) {
        pane = new QLabel(this);
        statusBar()->addPermanentWidget(pane);
    }
    const char* texts[3] = {"CAP", "NUM", "SCRL"};
    for (int i = 0; i < 3; ++i) {
        m_indicators[static_cast<std::size_t>(i)] = new QLabel(texts[i], this);
        m_indicators[static_cast<std::size_t>(i)]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        statusBar()->addPermanentWidget(m_indicators[static_cast<std::size_t>(i)]);
    }
    // The key-frame strip sits among the standing texts, so showing it leaves the view its size;
    // right of the texts, whose lengths change, and left of the lock indicators, whose do not, so
    // it stays in its place.
    auto* strip = new KeyFrameStrip(this);
    strip->setFixedHeight(m_statusPanes[0]->sizeHint().height());
    statusBar()->insertPermanentWidget(static_cast<int>(m_statusPanes.size()), strip);
    m_view->SetKeyFrameStrip(strip);
    strip->contextMenu = [this](const QPoint& at) {
        QMenu menu(this);
        for (const int id : {cmd::KeyFrameInsert, cmd::KeyFrameReplace, cmd::KeyFrameDelete})
            menu.addAction(QString(res::PromptOf(id)).section('\n', 1, 1), this,
                           [this, id] { m_router.Execute(id); });
        menu.exec(at);
    };
    // The lock indicators show only while their lock is on; a lock key changes them.
    RefreshLockIndicators();
    qApp->installEventFilter(this);
}

// The bone list docks at the right while an imported character is shown.
void CMainFrame::BuildBoneList() {
    auto* dock = new QDockWidget("Bones", this);
    dock->setObjectName("Bones");
    dock->setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable);
    auto* list = new BoneList(dock);
    dock->setWidget(list);
    addDockWidget(Qt::RightDockWidgetArea, dock);
    dock->hide();
    list->wanted = [dock](bool shown) { dock->setVisible(shown); };
    m_view->SetBoneList(list);
}

void CMainFrame::BuildAccelerators() {
    for (const res::Accelerator& a : res::Accelerators()) {
        auto* shortcut = new QShortcut(QKeySequence(a.keys), this);
        const int id = a.id;
        connect(shortcut, &QShortcut::activated, this, [this, id] { m_router.Execute(id); });
    }
}

QAction* CMainFrame::ToolbarAction(int id) const {
    const auto it = m_toolbarActions.find(id);
    return it == m_toolbarActions.end() ? nullptr : it->second;
}

QAction* CMainFrame::MenuAction(int id) const {
    const auto it = m_menuActions.find(id);
    return it == m_menuActions.end() ? nullptr : it->second;
}

void CMainFrame::CheckToolButton(int id, bool pressed) {
    if (QAction* action = ToolbarAction(id)) {
        action->setCheckable(true);
        action->setChecked(pressed);
    }
}

void CMainFrame::EnableToolButton(int id, bool enabled) {
    if (QAction* action = ToolbarAction(id)) action->setEnabled(enabled);
}

void CMainFrame::RefreshLockIndicators() {
    const auto locks = ReadLockIndicators();
    for (std::size_t i = 0; i < m_indicators.size(); ++i)
        m_indicators[i]->setVisible(locks && (*locks)[i]);
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyRelease || event->type() == QEvent::WindowActivate)
        RefreshLockIndicators();
    return QMainWindow::eventFilter(watched, event);
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (m_view->ConfirmPoseLetGo())
        event->accept();
    else
        event->ignore();
}

// The document's title, then the model's file name once another model than the default one was
// read, then the program's.
void CMainFrame::UpdateCaption() {
    const std::string title = m_doc.Title().empty() ? res::kDocumentName : m_doc.Title();
    QString caption = QString::fromStdString(title) + " - ";
    const QString model = QFileInfo(QString::fromStdString(m_doc.DxfFile())).fileName();
    if (!model.isEmpty() && m_doc.DxfFile() != CKvtDoc::kDefaultModel) caption += model + " - ";
    setWindowTitle(caption + res::kWindowTitle);
}

void CMainFrame::ShowContextMenu(const QPoint& at) {
    QMenu* menu = BuildMenu(res::ContextMenu(), this, false);
    menu->setObjectName("contextMenu");
    // Items do what the main menu's do; those without a handler are greyed, and a pinned hand's
    // Pin is checked.
    for (QAction* action : menu->findChildren<QAction*>()) {
        if (!action->data().isValid()) continue;
        const CommandState state = m_router.Update(action->data().toInt());
        action->setEnabled(state.enabled);
        action->setCheckable(state.checked);
        action->setChecked(state.checked);
    }
    menu->exec(at);
    menu->deleteLater();
}

void CMainFrame::ShowMaximised() {
    if (const QScreen* screen = QApplication::primaryScreen()) resize(screen->size());
    setWindowState(windowState() | Qt::WindowMaximized);
    show();
}

bool CMainFrame::HasCommand(int id) const {
    return id == cmd::ViewToolbar || id == cmd::ViewStatusBar || id == cmd::FilePrint ||
           id == cmd::PrintAlias || id == cmd::FilePrintPreview || id == cmd::ContextRotate ||
           id == cmd::ContextTranslate || id == cmd::ContextOptions;
}

void CMainFrame::OnCommand(int id) {
    if (id == cmd::ViewToolbar) m_toolBar->setVisible(m_toolBar->isHidden());
    if (id == cmd::ViewStatusBar) statusBar()->setVisible(statusBar()->isHidden());
    if (id == cmd::FilePrint || id == cmd::PrintAlias) OnPrint();
    if (id == cmd::FilePrintPreview) OnPrintPreview();
    if (id == cmd::ContextRotate) RunRotateDialog(this, *m_view);
    if (id == cmd::ContextTranslate) RunTranslateDialog(this, *m_view);
    if (id == cmd::ContextOptions) RunOptionsDialog(this, *m_view);
}

namespace {

// The picture as large as the page allows, its shape kept, centred.
void PrintPicture(QPrinter& printer, const QImage& picture) {
    QPainter painter(&printer);
    const QRect page = painter.viewport();
    QSize size = picture.size();
    size.scale(page.size(), Qt::KeepAspectRatio);
    const QRect target(page.x() + (page.width() - size.width()) / 2,
                       page.y() + (page.height() - size.height()) / 2, size.width(), size.height());
    painter.drawImage(target, picture);
}

} // namespace

void CMainFrame::OnPrint() {
    QPrinter printer(QPrinter::HighResolution);
    const bool chosen =
        choosePrinter ? choosePrinter(printer) : QPrintDialog(&printer, this).exec() == QDialog::Accepted;
    if (chosen) PrintPicture(printer, m_view->RenderImage(false));
}

void CMainFrame::OnPrintPreview() {
    const QImage picture = m_view->RenderImage(false);
    QPrinter printer(QPrinter::HighResolution);
    QPrintPreviewDialog preview(&printer, this);
    connect(&preview, &QPrintPreviewDialog::paintRequested, this,
            [&picture](QPrinter* p) { PrintPicture(*p, picture); });
    preview.exec();
}

bool CMainFrame::OnUpdateCommand(int id, CommandState& state) {
    if (id == cmd::ViewToolbar)
        state.checked = !m_toolBar->isHidden();
    else if (id == cmd::ViewStatusBar)
        state.checked = !statusBar()->isHidden();
    else if (id == cmd::ContextRotate)
        state.enabled = m_view->CanSetAngles() && !m_view->Playing();
    else if (id == cmd::ContextTranslate)
        state.enabled = m_view->CanSetMove() && !m_view->Playing();
    else if (id == cmd::ContextOptions)
        state.enabled = !m_view->Playing();
    else
        return false;
    return true;
}

void FrameServices::UpdateAllViews(int hint) {
    if (m_frame.View()) m_frame.View()->OnUpdate(hint);
    if (hint == HINT_DXF_IMPORTED) m_frame.UpdateCaption();
}
void FrameServices::CheckToolButton(int id, bool pressed) {
    m_frame.CheckToolButton(id, pressed);
}
void FrameServices::EnableToolButton(int id, bool enabled) {
    m_frame.EnableToolButton(id, enabled);
}
void FrameServices::SetStatusText(StatusPane pane, const std::string& text) {
    m_frame.StatusPaneLabel(pane)->setText(QString::fromStdString(text));
}
void FrameServices::ShowStatusMessage(const std::string& text) {
    constexpr int kShownMs = 15000; // long enough to read, short enough not to hide the selection
    m_frame.statusBar()->showMessage(QString::fromStdString(text), kShownMs);
}
std::string FrameServices::Setting(const std::string& key) {
    return QSettings(res::kSettingsKey, res::kAppTitle)
        .value(QString::fromStdString(key))
        .toString()
        .toStdString();
}
void FrameServices::SaveSetting(const std::string& key, const std::string& value) {
    QSettings settings(res::kSettingsKey, res::kAppTitle);
    settings.setValue(QString::fromStdString(key), QString::fromStdString(value));
    settings.sync();
}
void FrameServices::SetWaitCursor(bool on) {
    if (on)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

} // namespace figurant
