#pragma once
// Dialogs and windowing services for tests: they hand out prepared file names and record what
// the logic asked for.
#include "WindowServices.h"

#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace figurant::test {

class ScriptedDialogs : public IDialogs {
  public:
    void MessageBox(const std::string& text) override { messages.push_back(text); }
    std::optional<std::string> FileDialog(const FileDialogRequest& request) override {
        requests.push_back(request);
        if (answers.empty()) return std::nullopt;
        auto answer = answers.front();
        answers.pop_front();
        return answer;
    }
    void PrinterSetup() override { ++printerSetups; }

    // Answers of the coming file dialogs, in order; nothing means Cancel.
    std::deque<std::optional<std::string>> answers;
    std::vector<std::string> messages;
    std::vector<FileDialogRequest> requests;
    int printerSetups = 0;
};

class ScriptedServices : public IWindowServices, public ScriptedDialogs {
  public:
    void MessageBox(const std::string& text) override { ScriptedDialogs::MessageBox(text); }
    std::optional<std::string> FileDialog(const FileDialogRequest& request) override {
        return ScriptedDialogs::FileDialog(request);
    }
    void UpdateAllViews(int hint) override { hints.push_back(hint); }
    void CheckToolButton(int id, bool pressed) override { checked[id] = pressed; }
    void EnableToolButton(int id, bool enabled) override { enabled_[id] = enabled; }
    void SetWaitCursor(bool on) override { waitCursor.push_back(on); }
    void SetStatusText(StatusPane pane, const std::string& text) override { statusTexts[pane] = text; }
    void ShowStatusMessage(const std::string& text) override { statusMessages.push_back(text); }

    std::vector<int> hints;
    std::map<int, bool> checked, enabled_;
    std::vector<bool> waitCursor;
    std::map<StatusPane, std::string> statusTexts;
    std::vector<std::string> statusMessages;
};

} // namespace figurant::test
