#pragma once
// The program's command vocabulary as data: command prompts, the main menu, the view's context
// menu, the toolbar and the accelerators. Menus, toolbar and status-bar prompts are built from it.
#include <string>
#include <vector>

namespace figurant::res {

struct CommandInfo {
    int id;
    const char* prompt; // status-bar text, a line break, then the tooltip; empty for none
};

// A menu entry: a command (id > 0), a separator (id 0, no text) or a pop-up (id 0, text, items).
struct MenuItem {
    int id;
    std::string text;
    std::vector<MenuItem> items;
    bool initiallyChecked = false;
    bool initiallyGreyed = false;
};

struct Accelerator {
    const char* keys; // as Qt's portable key-sequence text
    int id;
};

const std::vector<CommandInfo>& Commands();
const char* PromptOf(int id);
const std::vector<MenuItem>& MainMenu();
// The context menu's first pop-up.
const MenuItem& ContextMenu();
// Toolbar buttons in order; 0 stands for a gap.
const std::vector<int>& ToolbarButtons();
const std::vector<Accelerator>& Accelerators();

constexpr const char* kAppTitle = "Kvt";
constexpr const char* kWindowTitle = "TK330";
constexpr const char* kDocumentName = "Tervo Figurant";
constexpr const char* kSettingsKey = "Tervo Vessa-Orlend Version";
constexpr const char* kToolbarTitle = "Standard";
constexpr const char* kAboutCaption = "About Tervo Figurant 1.00";
constexpr const char* kAboutText = "Tervo Figurant 1.00";
constexpr int kRecentFiles = 4;

} // namespace figurant::res
