#pragma once
// Dialogs and windowing services for tests: they hand out prepared file names and record what
// the logic asked for.
#include "WindowServices.h"

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace figurant::test {

class ScriptedDialogs : public IDialogs {
  public:
    void MessageBox(const std::string& text) override { messages.push_back(text); }
    // Questions whether to save: the prepared answers in turn, then Cancel.
    SaveAnswer AskToSave(const std::string& text) override {
        questions.push_back(text);
        if (saveAnswers.empty()) return SaveAnswer::Cancel;
        const SaveAnswer answer = saveAnswers.front();
        saveAnswers.pop_front();
        return answer;
    }
    std::vector<std::string> questions;
    std::deque<SaveAnswer> saveAnswers;
    std::optional<std::string> FileDialog(const FileDialogRequest& request) override {
        requests.push_back(request);
        if (answers.empty()) return std::nullopt;
        auto answer = answers.front();
        answers.pop_front();
        return answer;
    }
    void PrinterSetup() override { ++printerSetups; }
    // Export options: the prepared answers in turn, then the proposal as it stands; nothing means Cancel.
    std::optional<ExportOptions> ExportOptionsDialog(const ExportOptions& proposed) override {
        proposals.push_back(proposed);
        if (exportAnswers.empty()) return proposed;
        auto answer = exportAnswers.front();
        exportAnswers.pop_front();
        return answer;
    }
    // Progress: Cancel is pressed once `cancelAt` steps are done (never when negative).
    bool Progress(const std::string& text, int done, int total) override {
        progress.push_back({text, done, total});
        return cancelAt < 0 || done < cancelAt;
    }
    void Busy(const std::string& text, int done, int total) override {
        busy.push_back({text, done, total});
        if (whileBusy) whileBusy();
    }
    // Called at each report of work that cannot stop, to look at the program meanwhile.
    std::function<void()> whileBusy;

    // Answers of the coming file dialogs, in order; nothing means Cancel.
    std::deque<std::optional<std::string>> answers;
    std::vector<std::string> messages;
    std::vector<FileDialogRequest> requests;
    int printerSetups = 0;
    std::deque<std::optional<ExportOptions>> exportAnswers;
    std::vector<ExportOptions> proposals;
    struct ProgressStep {
        std::string text;
        int done, total;
    };
    std::vector<ProgressStep> progress, busy;
    int cancelAt = -1;
};

class ScriptedServices : public IWindowServices, public ScriptedDialogs {
  public:
    void MessageBox(const std::string& text) override { ScriptedDialogs::MessageBox(text); }
    SaveAnswer AskToSave(const std::string& text) override { return ScriptedDialogs::AskToSave(text); }
    std::optional<std::string> FileDialog(const FileDialogRequest& request) override {
        return ScriptedDialogs::FileDialog(request);
    }
    std::optional<ExportOptions> ExportOptionsDialog(const ExportOptions& proposed) override {
        return ScriptedDialogs::ExportOptionsDialog(proposed);
    }
    bool Progress(const std::string& text, int done, int total) override {
        return ScriptedDialogs::Progress(text, done, total);
    }
    void Busy(const std::string& text, int done, int total) override {
        ScriptedDialogs::Busy(text, done, total);
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
