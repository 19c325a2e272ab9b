#pragma once
// The windowing services the document and the view call, over the main frame and the dialogs.
#include "WindowServices.h"

namespace figurant {

class CMainFrame;

class FrameServices : public IWindowServices {
  public:
    FrameServices(CMainFrame& frame, IDialogs& dialogs) : m_frame(frame), m_dialogs(dialogs) {}
    void MessageBox(const std::string& text) override { m_dialogs.MessageBox(text); }
    SaveAnswer AskToSave(const std::string& text) override { return m_dialogs.AskToSave(text); }
    std::optional<std::string> FileDialog(const FileDialogRequest& request) override {
        return m_dialogs.FileDialog(request);
    }
    std::optional<ExportOptions> ExportOptionsDialog(const ExportOptions& proposed) override {
        return m_dialogs.ExportOptionsDialog(proposed);
    }
    bool Progress(const std::string& text, int done, int total) override {
        return m_dialogs.Progress(text, done, total);
    }
    void Busy(const std::string& text, int done, int total) override { m_dialogs.Busy(text, done, total); }
    std::optional<int> AskPercent(const std::string& text, int value) override {
        return m_dialogs.AskPercent(text, value);
    }
    void UpdateAllViews(int hint) override;
    void CheckToolButton(int commandId, bool pressed) override;
    void EnableToolButton(int commandId, bool enabled) override;
    void SetWaitCursor(bool on) override;
    void SetStatusText(StatusPane pane, const std::string& text) override;
    void ShowStatusMessage(const std::string& text) override;
    std::string Setting(const std::string& key) override;
    void SaveSetting(const std::string& key, const std::string& value) override;

  private:
    CMainFrame& m_frame;
    IDialogs& m_dialogs;
};

} // namespace figurant
