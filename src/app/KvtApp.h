#pragma once
// The application: start-up, the recent-file list in the per-user settings, and the commands the
// framework handles (New, Save As, Print Setup, About, Exit, the recent files).
#include "MainFrame.h"

#include <QSettings>
#include <QStringList>
#include <memory>

namespace figurant {

class CKvtApp : public ICommandTarget {
  public:
    explicit CKvtApp(IDialogs& dialogs);
    ~CKvtApp() override;

    // Starts the program with its command-line arguments (without the program name); false ends
    // the process at once.
    bool InitInstance(const QStringList& arguments);
    CMainFrame* Frame() const { return m_frame.get(); }
    CKvtDoc& Doc() { return *m_doc; }
    QStringList RecentFiles() const { return m_recentFiles; }

    bool HasCommand(int id) const override;
    void OnCommand(int id) override;

  private:
    void OnFileNew();
    void OnFileSaveAs();
    bool OpenDocumentFile(const QString& path);
    // A file named on the command line or in the recent list, opened as what it is: a drawing as
    // the model, an animation played on the figure, anything else the default model and a word.
    void OpenByKind(const QString& path);
    void AddToRecentFiles(const QString& path);
    void SaveRecentFiles();

    IDialogs& m_dialogs;
    QSettings m_settings;
    QStringList m_recentFiles;
    std::unique_ptr<CKvtDoc> m_doc;
    std::unique_ptr<CMainFrame> m_frame;
};

} // namespace figurant
