#include <gtest/gtest.h>

#include <QAction>
#include <QButtonGroup>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenu>
#include <QRadioButton>
#include <QTemporaryDir>

#include "TestSupport.h"
#include "WindowTest.h"
#include "acquire/CameraCapture.h"
#include "acquire/TwainSourcesDlg.h"
#include "acquire/WebCameraDlg.h"
#include "app/MainForm.h"
#include "core/Icon.h"
#include "dialogs/FileAssDlg.h"
#include "dialogs/IconForm.h"
#include "dialogs/PreviewOpenDialog.h"
#include "editor/ChildForm.h"
#include "editor/WindowBox.h"

namespace tarvo {
namespace {

using test::MainWindow;

TEST_F(MainWindow, StartsEmptyAndNumbersNewDocuments) {
    EXPECT_TRUE(form->recentFileItems().isEmpty());
    EXPECT_FALSE(form->separatorItem()->isVisible());
    EXPECT_FALSE(form->menu("Edit")->menuAction()->isVisible());
    EXPECT_TRUE(form->action("ToolsPencil")->isChecked());
    EXPECT_EQ(form->ToolCode(), 0);
    EXPECT_EQ(form->BrushColor(), 0xFFFFFFu);
    EXPECT_EQ(form->BlurSize, 3);

    TChildForm* first = newDocument("48", "40", 2);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->caption(), "Icon1");
    EXPECT_EQ(first->Document().GetSize(), QSize(48, 40));
    EXPECT_EQ(first->Document().BitCount(), 8);
    EXPECT_FALSE(first->Modified());
    EXPECT_TRUE(first->FileName.isEmpty());
    EXPECT_EQ(newDocument()->caption(), "Icon2");
    form->updateActions();
    EXPECT_TRUE(form->menu("Edit")->menuAction()->isVisible());
    EXPECT_TRUE(form->menu("Tools")->menuAction()->isVisible());
    EXPECT_FALSE(form->action("EditUndo")->isEnabled());
    EXPECT_FALSE(form->action("ToolsDeleteIcon")->isEnabled());
}

TEST_F(MainWindow, TheNewImageDialogRefusesSizesThatMakeNoImage) {
    for (const char* bad : {"0", "-3", "abc", "", "40000"}) {
        EXPECT_EQ(newDocument(bad, "16"), nullptr) << bad;
        EXPECT_FALSE(form->iconForm().ErrorLbl->isHidden()) << bad;
    }
    EXPECT_EQ(form->NewDocCount, 0);
    // Too large to allocate: a message, no window, no crash.
    EXPECT_EQ(newDocument("30000", "30000"), nullptr);
    EXPECT_EQ(messages.size(), 1);
    // Larger than 256 is fine.
    ASSERT_TRUE(newDocument("300", "20", 3));
    EXPECT_EQ(form->activeChild()->caption(), "Icon1");
}

TEST_F(MainWindow, RecentFilesAreKeptByTheRules) {
    form->AddToRecent(QString());  // a never-saved document
    EXPECT_TRUE(form->RecentFiles().files().isEmpty());
    for (int i = 1; i <= 10; ++i) form->AddToRecent(QStringLiteral("/icons/f%1.ico").arg(i));
    ASSERT_EQ(form->recentFileItems().size(), 9);
    EXPECT_EQ(form->recentFileItems()[0]->text(), "&1 /icons/f10.ico");
    EXPECT_EQ(form->recentFileItems()[8]->text(), "&9 /icons/f2.ico");
    EXPECT_TRUE(form->separatorItem()->isVisible());
    // Another letter case moves the listed entry up, spelled as now given.
    form->AddToRecent("/ICONS/F5.ICO");
    EXPECT_EQ(form->RecentFiles().files().size(), 9);
    EXPECT_EQ(form->recentFileItems()[0]->text(), "&1 /ICONS/F5.ICO");
    EXPECT_EQ(form->recentFileItems()[1]->text(), "&2 /icons/f10.ico");

    // A vanished file: message, gone from the menu, but the settings file still lists it.
    form->RecentFileClick(form->recentFileItems()[0]);
    EXPECT_EQ(messages, QStringList{"File /ICONS/F5.ICO not found"});
    EXPECT_EQ(lastIcon, QMessageBox::Critical);
    EXPECT_EQ(form->recentFileItems().size(), 8);
    EXPECT_EQ(form->recentFileItems()[0]->text(), "&1 /icons/f10.ico");
    EXPECT_EQ(makeForm()->RecentFiles().files().value(0), "/ICONS/F5.ICO");
}

TEST_F(MainWindow, OpensFilesAndRefusesUnreadableOnes) {
    TIcon icon;
    icon.AddImage(16, 16, 4);
    icon.AddImage(32, 32, 32);
    icon.SaveToFile(file("two.ico"));
    icon.SaveToFile(file("one.ico"));
    test::writeFile(file("bad.ico"), {0, 0, 1, 0, 9, 9});

    EXPECT_EQ(form->OpenDocument(file("bad.ico")), nullptr);
    EXPECT_EQ(messages, QStringList{"No icons in this file"});
    EXPECT_EQ(lastTitle, "Tarvo Iconworks");
    EXPECT_TRUE(form->children().isEmpty());
    EXPECT_TRUE(form->RecentFiles().files().isEmpty());

    // Several at once: a bad one stops none of the others.
    form->askOpenFiles = [this] {
        return QStringList{file("one.ico"), file("bad.ico"), file("two.ico")};
    };
    form->action("FileOpen")->trigger();
    EXPECT_EQ(messages.size(), 2);
    ASSERT_EQ(form->children().size(), 2);
    EXPECT_EQ(form->children()[0]->caption(), "one.ico");
    TChildForm* child = form->children()[1];
    EXPECT_EQ(child->caption(), "two.ico");
    EXPECT_EQ(child->FileName, file("two.ico"));
    EXPECT_FALSE(child->Modified());
    EXPECT_EQ(child->session().history().size(), 2u);
    EXPECT_EQ(rows(*child), QStringList({"16 x 16, 16 colors", "32 x 32, 32 bits"}));
    form->updateActions();
    EXPECT_TRUE(form->action("ToolsDeleteIcon")->isEnabled());
    // Closing it lists it.
    child->close();
    EXPECT_EQ(form->RecentFiles().files(), QStringList{file("two.ico")});
}

TEST_F(MainWindow, AddingAndDeletingImagesKeepTheirHistories) {
    TChildForm* c = newDocument("16", "16", 1);
    ASSERT_TRUE(c);
    stroke(*c, 0);  // image 0 has one step
    width = height = "48";
    colorItem = 2;
    form->action("ToolsAddIcon")->trigger();
    ASSERT_EQ(c->Document().ImageCount(), 2);
    EXPECT_EQ(c->Document().CurrentIndex(), 1);
    EXPECT_EQ(rows(*c).value(1), "48 x 48, 256 colors");
    EXPECT_EQ(currentRow(*c), 1);
    EXPECT_TRUE(c->Modified());
    stroke(*c, 1);
    stroke(*c, 2);  // image 1 has two, above the step that takes it out again
    ASSERT_EQ(c->session().history().size(), 2u);
    EXPECT_EQ(c->session().history()[0].undo.size(), 1u);
    EXPECT_EQ(c->session().history()[1].undo.size(), 3u);

    // Undo on image 1 leaves image 0 alone; switching back finds its step.
    const auto image0 = c->Document().imageToArgb(0);
    c->session().undo();
    EXPECT_EQ(c->Document().imageToArgb(0), image0);
    c->session().selectImage(0);
    form->updateActions();
    EXPECT_TRUE(form->action("EditUndo")->isEnabled());
    EXPECT_FALSE(form->action("EditRedo")->isEnabled());

    // Deleting image 0 takes its history with it, into a step of the image left; undoing that
    // puts image 0 back in its place with its own history.
    const auto before = c->Document().imageToArgb(0);
    form->action("ToolsDeleteIcon")->trigger();
    ASSERT_EQ(c->Document().ImageCount(), 1);
    ASSERT_EQ(c->session().history().size(), 1u);
    EXPECT_EQ(c->session().history()[0].undo.size(), 3u);
    form->updateActions();
    EXPECT_FALSE(form->action("ToolsDeleteIcon")->isEnabled());
    form->action("EditUndo")->trigger();
    ASSERT_EQ(c->Document().ImageCount(), 2);
    EXPECT_EQ(c->Document().CurrentIndex(), 0);
    EXPECT_EQ(c->Document().imageToArgb(0), before);
    EXPECT_EQ(rows(*c).value(1), "48 x 48, 256 colors");
    EXPECT_EQ(c->session().history()[0].undo.size(), 1u);
    form->updateActions();
    form->action("EditRedo")->trigger();
    EXPECT_EQ(c->Document().ImageCount(), 1);
}

TEST_F(MainWindow, ClosePromptKeepsTheWindowWhenNothingWasSaved) {
    TChildForm* c = newDocument();
    ASSERT_TRUE(c);
    stroke(*c, 1);
    ASSERT_TRUE(c->Modified());
    auto answer = QMessageBox::Yes;
    QString asked;
    c->askToSave = [&](const QString& text, const QString&) {
        asked = text;
        return answer;
    };
    // Yes, then the save dialog cancelled: the window and its changes stay.
    EXPECT_FALSE(c->close());
    EXPECT_EQ(asked, "Save changes to Icon1?");
    EXPECT_EQ(form->children().size(), 1);
    EXPECT_TRUE(c->Modified());
    // Closing the program stops at a Cancel and keeps running.
    answer = QMessageBox::Cancel;
    EXPECT_FALSE(form->close());
    EXPECT_EQ(form->children().size(), 1);
    // Yes with a name saves, closes and lists the file.
    answer = QMessageBox::Yes;
    saveName = file("saved.ico");
    EXPECT_TRUE(form->close());
    TIcon back;
    back.LoadFromFile(saveName);
    EXPECT_EQ(back.GetSize(), QSize(32, 32));
    EXPECT_EQ(form->RecentFiles().files(), QStringList{saveName});
}

TEST_F(MainWindow, ToolsSetTheCodeAndTheStatusShowsCells) {
    TChildForm* c = newDocument("16", "16");
    ASSERT_TRUE(c);
    form->action("ToolsFilledEllipse")->trigger();
    EXPECT_EQ(form->ToolCode(), 5);
    form->action("ToolsHueSelection")->trigger();
    EXPECT_EQ(form->ToolCode(), 19);
    EXPECT_TRUE(form->action("ToolsHueSelection")->isChecked());
    EXPECT_EQ(c->editingView()->viewport()->cursor().shape(), Qt::ArrowCursor);
    form->action("ToolsLine")->trigger();
    EXPECT_EQ(c->editingView()->viewport()->cursor().shape(), Qt::CrossCursor);
}

TEST_F(MainWindow, OpenAndSaveAsStartInTheFolderLastUsed) {
    ASSERT_TRUE(QDir(dir.path()).mkpath("a") && QDir(dir.path()).mkpath("b"));
    TIcon icon;
    icon.AddImage(16, 16, 8);
    icon.SaveToFile(file("a/chosen.ico"));
    // The real dialogs, answered with a file once their folder is noted.
    QStringList startedIn;
    QString answer;
    const auto withDialogs = [&] {
        auto f = std::make_unique<TMainForm>(TSettings(file("folders.ini")));
        f->message = [this](QMessageBox::Icon, const QString&, const QString& text,
                            const QString&) { messages.append(text); };
        f->execDialog = [&](QDialog& d) {
            auto& files = dynamic_cast<TFileDialog&>(d);
            startedIn.append(files.directory().absolutePath());
            files.selectFile(answer);
            return int(QDialog::Accepted);
        };
        return f;
    };
    auto first = withDialogs();
    answer = file("a/chosen.ico");
    first->action("FileOpen")->trigger();
    ASSERT_EQ(first->children().size(), 1);
    EXPECT_EQ(first->children()[0]->caption(), "chosen.ico");
    answer = file("b/copy.ico");
    ASSERT_TRUE(first->SaveDocumentAs(*first->children()[0], "chosen.ico"));
    EXPECT_TRUE(QFileInfo::exists(answer));
    // The next run starts where the copy went, until that folder is gone.
    withDialogs()->action("FileOpen")->trigger();
    ASSERT_TRUE(QDir(file("b")).removeRecursively());
    answer = file("a/chosen.ico");
    withDialogs()->action("FileOpen")->trigger();
    EXPECT_EQ(startedIn, QStringList({QDir::homePath(), file("a"), file("b"), QDir::homePath()}));
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
}

TEST_F(MainWindow, ScansBecomeNewDocumentsAndTheCameraNeedsASource) {
    form->action("ScanNow")->trigger();  // no source chosen: the first scanner
    ASSERT_EQ(form->children().size(), 1) << messages.join('\n').toStdString();
    TChildForm* scan = form->activeChild();
    EXPECT_EQ(scan->caption(), "Icon1");
    EXPECT_TRUE(scan->Modified());
    EXPECT_TRUE(scan->FileName.isEmpty());
    EXPECT_EQ(scan->Document().GetSize(), QSize(157, 196));
    EXPECT_EQ(scan->session().history().size(), 1u);
    form->action("WebCamera")->trigger();
    EXPECT_EQ(messages, QStringList{"No camera is selected."});
    EXPECT_EQ(lastIcon, QMessageBox::Critical);
}

TEST_F(MainWindow, AFrozenCameraFrameBecomesANewDocument) {
    form->sourcesDialog().setCameras({"Test Camera"});
    form->sourcesDialog().CameraComboBox->setCurrentIndex(0);
    form->openCamera = [](int index) {
        EXPECT_EQ(index, 0);
        return std::make_unique<CameraStream>(
            "videotestsrc pattern=solid-color foreground-color=0xFF3366CC is-live=true");
    };
    form->execDialog = [](QDialog& d) {
        auto& camera = dynamic_cast<TWebCameraDlg&>(d);
        camera.show();
        EXPECT_TRUE(camera.stream() && camera.stream()->waitForFrame(3000));
        EXPECT_EQ(camera.size(), QSize(441, 256));
        camera.FreezeBtnClick();
        camera.OKBtnClick();
        return camera.result();
    };
    form->action("WebCamera")->trigger();
    ASSERT_EQ(form->children().size(), 1);
    TChildForm* shot = form->activeChild();
    EXPECT_EQ(shot->caption(), "Icon1");
    EXPECT_TRUE(shot->Modified());
    EXPECT_EQ(shot->Document().GetSize(), QSize(320, 240));
    EXPECT_EQ(shot->Document().BitCount(), 24);
    EXPECT_EQ(shot->Document().GetPixelValue(160, 120), 0xCC6633u);
}

TEST_F(MainWindow, FileAssociationFailuresAreReported) {
    QStringList registered;
    form->fileAssDialog().registerTypes = [&](const QStringList& types, const QString&) {
        registered = types;
        return QStringLiteral("Cannot write /x/tarvo-iconworks.desktop: denied");
    };
    form->action("FileAssociates")->trigger();
    EXPECT_EQ(registered, QStringList({".ico", ".cur", ".ani"}));  // the ticked ones
    EXPECT_EQ(messages, QStringList{"The file types could not all be associated."});
}

}  // namespace
}  // namespace tarvo
