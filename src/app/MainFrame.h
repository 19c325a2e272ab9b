#pragma once
// The main window: menu bar, the "Standard" toolbar, the status bar, accelerators and the view.
// Menu items are refreshed through the command route each time their menu opens; toolbar buttons
// change only when the view asks (CheckToolButton, EnableToolButton).
#include "CommandRouter.h"
#include "CommandTable.h"
#include "FrameServices.h"
#include "KvtView.h"
#include "LockIndicators.h"

#include <QMainWindow>
#include <functional>
#include <map>

class QLabel;
class QPrinter;
class QMenu;
class QToolBar;

namespace figurant {

class CMainFrame : public QMainWindow, public ICommandTarget {
  public:
    CMainFrame(CKvtDoc& doc, IDialogs& dialogs);
    ~CMainFrame() override;

    // Commands go to the view, the document, this frame, then `app`.
    void SetApplication(ICommandTarget* app);
    CKvtView* View() const { return m_view; }
    IWindowServices& Services() { return m_services; }
    CommandRouter& Router() { return m_router; }
    QToolBar* ToolBar() const { return m_toolBar; }
    QAction* ToolbarAction(int id) const;
    // The first menu item of that command in the main menu.
    QAction* MenuAction(int id) const;
    QLabel* IndicatorPane(int index) const { return m_indicators[static_cast<std::size_t>(index)]; }
    // The standing status texts: the mode, the selection and its joint angles, the animation file.
    QLabel* StatusPaneLabel(IWindowServices::StatusPane pane) const {
        return m_statusPanes[static_cast<std::size_t>(pane)];
    }
    QLabel* SelectionPane() const { return StatusPaneLabel(IWindowServices::StatusPane::Selection); }
    // Shows CAP, NUM and SCRL while their locks are on (hidden where they cannot be read).
    void RefreshLockIndicators();

    void CheckToolButton(int id, bool pressed);
    void EnableToolButton(int id, bool enabled);
    // "<document title> - TK330".
    void UpdateCaption();
    void SetRecentFiles(const QStringList& files) { m_recentFiles = files; }
    // Opens the view's context menu at a screen point and tracks it until it closes.
    void ShowContextMenu(const QPoint& at);
    // Maximised and as large as the screen, so it covers the screen even without a window manager.
    void ShowMaximised();
    // Lets the user choose a printer for Print; false on Cancel. The system's print dialog unless
    // replaced (tests print to a PDF file).
    std::function<bool(QPrinter&)> choosePrinter;

    bool HasCommand(int id) const override;
    void OnCommand(int id) override;
    bool OnUpdateCommand(int id, CommandState& state) override;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    // The window closes (Exit, the title bar) once an unsaved pose was saved or let go.
    void closeEvent(QCloseEvent* event) override;

  private:
    void OnPrint();
    void OnPrintPreview();
    QMenu* BuildMenu(const res::MenuItem& item, QWidget* parent, bool routed);
    void RefreshMenu(QMenu* menu);
    void RefreshRecentFiles(QMenu* menu);
    void BuildToolBar();
    void BuildStatusBar();
    void BuildBoneList();
    void BuildAccelerators();

    CKvtDoc& m_doc;
    FrameServices m_services;
    CommandRouter m_router;
    CKvtView* m_view = nullptr;
    QToolBar* m_toolBar = nullptr;
    std::map<int, QAction*> m_toolbarActions;
    std::multimap<int, QAction*> m_menuActions;
    std::array<QLabel*, 3> m_indicators{};
    std::array<QLabel*, 3> m_statusPanes{};
    QStringList m_recentFiles;
};

} // namespace figurant
