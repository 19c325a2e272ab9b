// The main window, its menus, toolbar, status bar, accelerators, context menu and About box.
#include "AboutDlg.h"
#include "GuiFixture.h"
#include "GuiMain.h"

#include <QLabel>
#include <QMap>
#include <QMenuBar>
#include <QRegularExpression>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <fstream>
#include <functional>

using namespace figurant;
using namespace figurant::test;

namespace {

QMenu* TopMenu(CMainFrame& frame, const QString& title) {
    for (QAction* a : frame.menuBar()->actions())
        if (a->text() == title) return a->menu();
    return nullptr;
}

QStringList Texts(QMenu* menu) {
    QStringList texts;
    for (QAction* a : menu->actions())
        texts << (a->isSeparator() ? "-" : a->text());
    return texts;
}

// Opens a menu the way a user does, so its items are refreshed, and closes it again.
void OpenAndClose(CMainFrame& frame, QMenu* menu) {
    QTimer::singleShot(0, menu, [menu] { menu->close(); });
    menu->exec(frame.mapToGlobal(QPoint(10, 10)));
}

} // namespace

class ShellTest : public QObject {
    Q_OBJECT
  private slots:
    void captionAndMaximised() {
        RunningApp app;
        QVERIFY(app.started);
        QVERIFY(app.exposed);
        QCOMPARE(app.Frame().windowTitle(), QString("Tervo Figurant - TK330"));
        QVERIFY(app.Frame().windowState() & Qt::WindowMaximized);
        QVERIFY(app.Doc().Model());
        app.View().RenderImage().save(QString::fromStdString(PicturesDir()) + "/screenshot-start.png");
        app.Frame().grab().save(QString::fromStdString(PicturesDir()) + "/screenshot-window.png");
    }

    void menusInOrder() {
        RunningApp app;
        QStringList titles;
        for (QAction* a : app.Frame().menuBar()->actions())
            titles << a->text();
        QCOMPARE(titles, QStringList({"&File", "&Edit", "&View", "&Modify", "&Help"}));
        QCOMPARE(Texts(TopMenu(app.Frame(), "&File")),
                 QStringList({"&New\tCtrl+N", "&Open...\tCtrl+O", "&Import", "Import &Model...\tCtrl+M",
                              "&Export", "&Save\tCtrl+S", "Save &As...", "-", "&Print...\tCtrl+P",
                              "Print Pre&view", "P&rint Setup...", "-", "Recent File", "-", "E&xit"}));
        QCOMPARE(Texts(TopMenu(app.Frame(), "&View")), QStringList({"&Animate",
                                                                    "&Roate ...",
                                                                    "R&eset",
                                                                    "Pla&yback Speed",
                                                                    "&Camera",
                                                                    "Reference &Picture...",
                                                                    "&No Reference Picture",
                                                                    "&Key Frames",
                                                                    "Se&gment Colours",
                                                                    "&Dual Quaternion Skinning",
                                                                    "Feet on the Gro&und",
                                                                    "Follo&w",
                                                                    "Rotation Gi&zmo",
                                                                    "Gizmo in World A&xes",
                                                                    "Bone &List",
                                                                    "-",
                                                                    "&Front\tNum+1",
                                                                    "S&ide\tNum+3",
                                                                    "&Back\tCtrl+Num+1",
                                                                    "T&op\tNum+7",
                                                                    "Ho&me\tHome",
                                                                    "-",
                                                                    "&Toolbar",
                                                                    "&Status Bar",
                                                                    "-",
                                                                    "&Hierarchy"}));
    }

    // Alt and a letter reach one item in every menu: no two items of a menu share their letter.
    void everyMenuHasUniqueMnemonics() {
        RunningApp app;
        std::function<void(QMenu*)> check = [&](QMenu* menu) {
            QMap<QChar, QString> taken;
            for (QAction* a : menu->actions()) {
                const QString text = a->text().section('\t', 0, 0);
                const int at = text.indexOf(QRegularExpression("&[^&]"));
                if (at >= 0) {
                    const QChar letter = text.at(at + 1).toLower();
                    QVERIFY2(!taken.contains(letter), qPrintable(text + " and " + taken.value(letter)));
                    taken[letter] = text;
                }
                if (a->menu()) check(a->menu());
            }
        };
        for (QAction* a : app.Frame().menuBar()->actions())
            check(a->menu());
    }

    void itemsWithoutHandlerAreGreyedWhenTheMenuOpens() {
        RunningApp app;
        QMenu* edit = TopMenu(app.Frame(), "&Edit");
        OpenAndClose(app.Frame(), edit);
        // Copy puts the picture on the clipboard; the others have nothing to do yet.
        for (QAction* a : edit->actions())
            if (!a->isSeparator())
                QVERIFY2(a->isEnabled() == a->text().startsWith("&Copy"), qPrintable(a->text()));
        QMenu* view = TopMenu(app.Frame(), "&View");
        OpenAndClose(app.Frame(), view);
        QVERIFY(!app.Frame().MenuAction(cmd::RotateArbitrary)->isEnabled());
        QVERIFY(app.Frame().MenuAction(cmd::Reset)->isEnabled());
        QVERIFY(app.Frame().MenuAction(cmd::ViewToolbar)->isChecked());
        QVERIFY(!app.Frame().MenuAction(cmd::Hierarchy)->isChecked());
        QMenu* mode = app.Frame().MenuAction(cmd::ModeNormal)->associatedObjects().isEmpty()
                          ? nullptr
                          : qobject_cast<QMenu*>(app.Frame().MenuAction(cmd::ModeNormal)->parent());
        QVERIFY(mode);
        OpenAndClose(app.Frame(), mode);
        QVERIFY(app.Frame().MenuAction(cmd::ModeNormal)->isChecked());
        QVERIFY(app.Frame().MenuAction(cmd::ModeModify)->isEnabled());
        QVERIFY(!app.Frame().MenuAction(cmd::ModeModify)->isChecked());
    }

    void toolbarOrderAndStates() {
        RunningApp app;
        QToolBar* bar = app.Frame().ToolBar();
        QCOMPARE(bar->windowTitle(), QString("Standard"));
        std::vector<int> ids;
        for (QAction* a : bar->actions())
            ids.push_back(a->isSeparator() ? 0 : a->data().toInt());
        QCOMPARE(ids, res::ToolbarButtons());
        QVERIFY(!app.Frame().ToolbarAction(cmd::ModeModify)->isEnabled());
        QVERIFY(!app.Frame().ToolbarAction(cmd::Animate)->isEnabled());
        QVERIFY(!app.Frame().ToolbarAction(cmd::Hierarchy)->isChecked());
        QCOMPARE(app.Frame().ToolbarAction(cmd::ZoomIn)->toolTip(), QString("Zoom in"));
        QCOMPARE(app.Frame().ToolbarAction(cmd::FileNew)->statusTip(), QString("Create a new document"));
        QCOMPARE(app.Frame().IndicatorPane(0)->text(), QString("CAP"));
        QCOMPARE(app.Frame().IndicatorPane(2)->text(), QString("SCRL"));
        // Buttons follow their menu items: Cut and Paste have no handler and are greyed in both,
        // Copy works in both; a click on a greyed button does nothing.
        for (int id : {cmd::EditCut, cmd::EditCopy, cmd::EditPaste}) {
            QCOMPARE(app.Frame().ToolbarAction(id)->isEnabled(), app.Frame().Router().Update(id).enabled);
            QCOMPARE(app.Frame().ToolbarAction(id)->isEnabled(), id == cmd::EditCopy);
        }
        QWidget* cut = bar->widgetForAction(app.Frame().ToolbarAction(cmd::EditCut));
        QTest::mouseClick(cut, Qt::LeftButton);
        QVERIFY(!app.Frame().ToolbarAction(cmd::EditCut)->isEnabled());
        QVERIFY(app.dialogs.messages.empty());
    }

    void acceleratorsReachTheirCommands() {
        RunningApp app;
        QTest::keyClick(&app.Frame(), Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(app.dialogs.messages,
                 std::vector<std::string>{"Please enter hierarchical model mode first!"});
        QTest::keyClick(&app.Frame(), Qt::Key_O, Qt::ControlModifier);
        QCOMPARE(app.dialogs.messages.size(), 2u);
        QTest::keyClick(&app.Frame(), Qt::Key_N, Qt::ControlModifier);
        QCOMPARE(app.View().AnimAvailable(), false);
        QTest::keyClick(&app.Frame(), Qt::Key_F6);
        QTest::keyClick(&app.Frame(), Qt::Key_Insert, Qt::ControlModifier);
        QCOMPARE(app.dialogs.messages.size(), 2u);
    }

    // The context menu's items do what the Edit menu's do; those that would do nothing are greyed
    // (Pin has no hand or foot to pin here).
    void contextMenuItemsAreEnabledAndInert() {
        RunningApp app;
        bool checked = false;
        QTimer::singleShot(50, [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            QVERIFY(menu);
            QStringList texts;
            for (QAction* a : menu->actions()) {
                if (a->isSeparator()) continue;
                texts << a->text();
                QVERIFY2(a->isEnabled() ==
                             (a->text() == "&Copy" || a->text() == "&Options ..." || a->menu() != nullptr),
                         qPrintable(a->text()));
            }
            QCOMPARE(texts, QStringList({"&Undo", "Cu&t", "&Copy", "&Paste", "Modify", "&Pin\tP",
                                         "&OrlendWizard ...", "&Options ..."}));
            checked = true;
            menu->actions().front()->trigger();
            menu->close();
        });
        QContextMenuEvent event(QContextMenuEvent::Keyboard, QPoint(5, 5),
                                app.View().mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(&app.View(), &event);
        QVERIFY(checked);
        QVERIFY(app.dialogs.messages.empty());
    }

    void aboutBoxClosesWithEscape() {
        RunningApp app;
        QString caption, text;
        QTimer::singleShot(50, [&] {
            QWidget* dialog = QApplication::activeModalWidget();
            QVERIFY(dialog);
            caption = dialog->windowTitle();
            text = dialog->findChild<QLabel*>("aboutText")->text();
            QTest::keyClick(dialog, Qt::Key_Escape);
        });
        app.Frame().Router().Execute(cmd::AppAbout);
        QCOMPARE(caption, QString("About Tervo Figurant 1.00"));
        QCOMPARE(text, QString("Tervo Figurant 1.00"));
    }

    void saveAsWritesAnEmptyFileAndRenamesTheDocument() {
        RunningApp app;
        QTemporaryDir dir;
        const QString path = dir.filePath("pose.doc");
        std::ofstream(path.toStdString()) << "old contents";
        app.dialogs.answers = {path.toStdString()};
        app.Frame().Router().Execute(cmd::FileSaveAs);
        QCOMPARE(QFileInfo(path).size(), 0);
        QCOMPARE(app.Frame().windowTitle(), QString("pose.doc - TK330"));
        QCOMPARE(app.app->RecentFiles().front(), path);
        QVERIFY(app.Doc().Model());

        // The File menu lists it; choosing it takes its name and keeps the model in memory.
        app.Frame().Router().Execute(cmd::FileNew);
        QCOMPARE(app.Frame().windowTitle(), QString("Tervo Figurant - TK330"));
        QMenu* file = TopMenu(app.Frame(), "&File");
        OpenAndClose(app.Frame(), file);
        QVERIFY(Texts(file).contains("&1 " + path));
        const auto* model = app.Doc().Model();
        app.Frame().Router().Execute(cmd::FileMru);
        QCOMPARE(app.Frame().windowTitle(), QString("pose.doc - TK330"));
        QCOMPARE(app.Doc().Model(), model);
    }

    void commandLineFileTakesTitleOnlyAndUnreadableOneEndsStartUp() {
        QTemporaryDir dir;
        const QString path = dir.filePath("named.amt");
        std::ofstream(path.toStdString()) << "x";
        {
            RunningApp app({path});
            QVERIFY(app.started);
            QCOMPARE(app.Frame().windowTitle(), QString("named.amt - TK330"));
            // An animation is played on the default figure (it once left an empty, black view).
            QVERIFY(app.Doc().Model());
            QCOMPARE(app.app->RecentFiles().front(), path);
        }
        RunningApp failed({dir.filePath("missing.amt")});
        QVERIFY(!failed.started);
        QCOMPARE(failed.dialogs.messages.size(), 1u);
        QVERIFY(failed.dialogs.messages[0].find("missing.amt") != std::string::npos);
    }
};

FIGURANT_GUI_TEST_MAIN(ShellTest)
#include "ShellTest.moc"
