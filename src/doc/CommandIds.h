#pragma once
// Command ids shared by menus, toolbar, accelerators and the handlers.

namespace figurant::cmd {

enum : int {
    FileNew = 57600,
    FileOpen = 57601,
    FileSave = 57603,
    FileSaveAs = 57604,
    FilePrintSetup = 57606,
    FilePrint = 57607,
    FilePrintPreview = 57609,
    FileMru = 57616,
    AppExit = 57665,
    AppAbout = 57664,
    EditUndo = 57643,
    EditCut = 57635,
    EditCopy = 57634,
    EditPaste = 57637,
    NextPane = 57680,
    PrevPane = 57681,
    ViewToolbar = 59392,
    ViewStatusBar = 59393,
    ImportDxf = 32807,
    ImportSolarLoad = 32808,
    Animate = 32796,
    RotateArbitrary = 32797,
    Reset = 32799,
    PrintAlias = 32800,
    Hierarchy = 32819,
    ModeNormal = 32821,
    ModeModify = 32822,
    RotateLeft = 32791,
    RotateRight = 32793,
    RotateUp = 32794,
    RotateDown = 32795,
    ZoomIn = 32803,
    ZoomOut = 32805,
    ContextRotate = 32811,
    ContextTranslate = 32809,
    ContextScale = 32810,
    ContextWizard = 32812,
    ContextOptions = 32789,
    BuildHierarchy = 32817,
};

} // namespace figurant::cmd
