// The camera dialog on real widgets (under xvfb-run): its fields edit the scene's own view and
// mount records, and what they set survives saving and loading the scene.
#include "ui/CameraDialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>

#include "script/SceneWriter.h"
#include "tests/script/SceneFixture.h"

namespace korvan::testing {
namespace {

QApplication& App() {
    static int argc = 1;
    static char name[] = "ui_tests";
    static char* argv[] = {name, nullptr};
    static QApplication app(argc, argv);
    return app;
}

constexpr const char* kMountedCamera = R"(
Set V = Application.AddObj( "VIEW" , "carcam" )
Set Ground = Application.AddObj( "GROUND" , "ground" )
Set Car = Application.AddObj( "BOX" , "car" )
Car.AddView V, 0, -10, 0, 0, 0, 0, 0, 0, 1
)";

class CameraDialogTest : public SceneFixture {
  protected:
    void SetUp() override {
        SceneFixture::SetUp();
        App();
    }

    void Type(QLineEdit* field, const QString& text) {
        field->setText(text);
        emit field->editingFinished();
    }
};

TEST_F(CameraDialogTest, FieldsEditTheViewAndTheMountAndSurviveASavedScene) {
    ASSERT_TRUE(Load(kMountedCamera));
    CameraDialog dialog(document, *application);
    dialog.SelectBody(Body("car"));
    ASSERT_EQ(dialog.viewBox->count(), 1);
    EXPECT_EQ(dialog.viewBox->itemText(0), "carcam");
    EXPECT_EQ(dialog.cameraFields[1]->text(), "-10");
    CWndView& view = *document.views[0];

    dialog.projectionSlider->setValue(250);
    EXPECT_DOUBLE_EQ(view.projection, 0.25);
    EXPECT_EQ(dialog.projectionField->text(), "0.25");
    Type(dialog.projectionField, "0.5");
    EXPECT_DOUBLE_EQ(view.projection, 0.5);
    EXPECT_EQ(dialog.projectionSlider->value(), 500);

    dialog.fixHBox->setChecked(true);
    dialog.fixZBox->setChecked(false);
    EXPECT_EQ(view.fixH, 1);
    EXPECT_EQ(view.fixZ, 0);

    // The camera numbers can be typed only while the mouse may not move the camera.
    EXPECT_TRUE(dialog.cameraFields[0]->isReadOnly());
    dialog.mouseLockBox->setChecked(true);
    EXPECT_FALSE(dialog.cameraFields[0]->isReadOnly());
    Type(dialog.cameraFields[0], "3");
    Type(dialog.cameraFields[5], "1.5");
    const double* mount = Body("car")->viewpoints[0].values;
    EXPECT_EQ(mount[0], 3);
    EXPECT_EQ(mount[5], 1.5);

    SceneWriteOptions options;
    options.saveFolder = dir.string() + "/";
    const std::string saved = SceneFileBytes(document, options);
    ASSERT_TRUE(Load(saved, "saved.txt")) << saved;
    ASSERT_EQ(document.views.size(), 1u);
    const CWndView& again = *document.views[0];
    EXPECT_DOUBLE_EQ(again.projection, 0.5);
    EXPECT_EQ(again.fixH, 1);
    EXPECT_EQ(again.fixZ, 0);
    const double* reloaded = Body("car")->viewpoints.at(0).values;
    EXPECT_EQ(reloaded[0], 3);
    EXPECT_EQ(reloaded[1], -10);
    EXPECT_EQ(reloaded[5], 1.5);
}

TEST_F(CameraDialogTest, AddMountsANewViewOnTheBodyAndDeleteTakesItAway) {
    ASSERT_TRUE(Load(kMountedCamera));
    CameraDialog dialog(document, *application);
    dialog.windowState = [](int& w, int& h, int& active) { w = 640, h = 480, active = 0; };
    dialog.SelectBody(Body("car"));
    dialog.addButton->click();
    ASSERT_EQ(document.views.size(), 2u);
    const CWndView& added = *document.views[1];
    EXPECT_EQ(added.displayName, "新規ビュー(1)");
    // The only view covers the window: the new one takes the right half of it.
    EXPECT_EQ(document.views[0]->right, 0.5);
    EXPECT_EQ(added.left, 0.5);
    ASSERT_EQ(Body("car")->mountedViews, (std::vector<int>{0, 1}));
    EXPECT_EQ(Body("car")->viewpoints[1].values[0], 1);
    EXPECT_EQ(dialog.viewBox->currentText(), "新規ビュー(1)");
    EXPECT_EQ(application->views.size(), 2u);

    dialog.viewBox->setCurrentIndex(0);
    dialog.deleteButton->click();
    ASSERT_EQ(document.views.size(), 1u);
    EXPECT_EQ(document.views[0]->displayName, "新規ビュー(1)");
    EXPECT_EQ(Body("car")->mountedViews, (std::vector<int>{0}));
    EXPECT_EQ(application->views.size(), 1u);
    EXPECT_EQ(dialog.viewBox->count(), 1);
}

}  // namespace
}  // namespace korvan::testing
