// Real GStreamer pipelines with videotestsrc in place of a camera.
#include <gtest/gtest.h>

#include <QDoubleSpinBox>
#include <QPushButton>
#include <QTest>

#include "acquire/CameraCapture.h"
#include "acquire/WebCameraDlg.h"

using namespace tarvo;

namespace {

// A solid colour whose channels all differ, so a swapped byte order shows.
constexpr quint32 kArgb = 0xff204080, kOtherArgb = 0xff80ff10;

QString solidSource(quint32 argb = kArgb) {
    return QStringLiteral("videotestsrc pattern=solid-color is-live=true foreground-color=%1")
        .arg(argb);
}

std::unique_ptr<CameraStream> openSolid(QSize size = {320, 240}) {
    auto stream = std::make_unique<CameraStream>(solidSource());
    stream->setSize(size);
    return stream;
}

void expectColour(const QImage& image, quint32 argb) {
    ASSERT_FALSE(image.isNull());
    for (QPoint p : {QPoint(0, 0), QPoint(image.width() - 1, image.height() - 1)}) {
        const QColor got = image.pixelColor(p), want = QColor::fromRgb(argb);
        EXPECT_NEAR(got.red(), want.red(), 2) << p.x() << "," << p.y();
        EXPECT_NEAR(got.green(), want.green(), 2);
        EXPECT_NEAR(got.blue(), want.blue(), 2);
    }
}

}  // namespace

TEST(CameraStream, FramesFreezeAndRenegotiate) {
    auto stream = openSolid();
    EXPECT_TRUE(stream->currentFrame().isNull());
    stream->start();
    ASSERT_TRUE(stream->waitForFrame(3000));
    EXPECT_EQ(stream->frameSize(), QSize(320, 240));
    EXPECT_EQ(stream->currentFrame().size(), QSize(320, 240));
    expectColour(stream->currentFrame(), kArgb);

    // The adjustable properties read and write the source element itself.
    const auto props = stream->properties();
    auto find = [&](const QString& name) {
        auto it = std::find_if(props.begin(), props.end(),
                               [&](const auto& p) { return p.first == name; });
        return it == props.end() ? QVariant() : it->second;
    };
    EXPECT_EQ(find("foreground-color").toUInt(), kArgb);
    EXPECT_EQ(find("is-live"), QVariant(true));
    EXPECT_FALSE(find("pattern").isValid());  // an enum, not offered
    const auto [low, high] = stream->propertyRange("horizontal-speed");
    EXPECT_LT(low.toInt(), 0);
    EXPECT_GT(high.toInt(), 0);

    // Frozen: a colour change upstream does not reach the frame until UnFreeze.
    stream->pause();
    EXPECT_FALSE(stream->isPlaying());
    stream->setProperty("foreground-color", kOtherArgb);
    EXPECT_FALSE(stream->waitForFrame(300));
    expectColour(stream->currentFrame(), kArgb);
    stream->resume();
    EXPECT_TRUE(stream->isPlaying());
    // A buffer already in flight at the freeze may still come first.
    for (int i = 0; i < 5 && stream->currentFrame().pixel(0, 0) != kOtherArgb; ++i)
        ASSERT_TRUE(stream->waitForFrame(3000));
    expectColour(stream->currentFrame(), kOtherArgb);

    const QList<QSize> sizes = stream->availableSizes();
    EXPECT_TRUE(sizes.contains(QSize(160, 120)));
    EXPECT_TRUE(sizes.contains(QSize(640, 480)));
    stream->setSize({160, 120});
    EXPECT_TRUE(stream->isPlaying());
    ASSERT_TRUE(stream->waitForFrame(3000));
    EXPECT_EQ(stream->frameSize(), QSize(160, 120));
    EXPECT_EQ(stream->currentFrame().size(), QSize(160, 120));
}

TEST(CameraStream, FailuresAreClearErrors) {
    try {
        CameraStream bad("nosuchcamerasrc");
        FAIL() << "no error";
    } catch (const ECameraError& e) {
        EXPECT_TRUE(QString(e.what()).contains("nosuchcamerasrc")) << e.what();
    }
    CameraStream missing("v4l2src device=/dev/tarvo-no-such-camera");
    try {
        missing.start();
        FAIL() << "no error";
    } catch (const ECameraError& e) {
        EXPECT_TRUE(QString(e.what()).contains("tarvo-no-such-camera")) << e.what();
    }
    EXPECT_FALSE(missing.isPlaying());

    // A size the source cannot give fails instead of waiting for frames that never come.
    CameraStream fixed(solidSource() + " ! capsfilter caps=video/x-raw,width=320,height=240");
    fixed.start();
    EXPECT_THROW(fixed.setSize({160, 120}), ECameraError);
    EXPECT_FALSE(fixed.isPlaying());
    EXPECT_THROW(missing.setProperty("no-such-property", 1), ECameraError);
    // One past the devices found (none on a build machine).
    EXPECT_THROW(CameraStream::openDevice(int(listCameras().size())), ECameraError);
}

TEST(WebCameraDlg, PreviewFitFreezePinAndSave) {
    TWebCameraDlg dlg;
    dlg.openStream = [] { return openSolid(); };
    QStringList errors;
    dlg.showError = [&](const QString& m) { errors << m; };
    dlg.show();
    ASSERT_NE(dlg.stream(), nullptr);
    EXPECT_EQ(dlg.size(), QSize(441, 256));
    EXPECT_EQ(dlg.VideoWindow->geometry(), QRect(8, 8, 320, 240));

    dlg.FreezeBtn->click();
    EXPECT_EQ(dlg.FreezeBtn->text(), "UnFreeze");
    dlg.FreezeBtn->click();
    EXPECT_EQ(dlg.FreezeBtn->text(), "Freeze");
    EXPECT_TRUE(dlg.stream()->isPlaying());

    // Pin...: a smaller size refits; the button column keeps its minimum height.
    QList<QSize> offered;
    dlg.chooseSize = [&](const QList<QSize>& sizes, QSize current) -> std::optional<QSize> {
        offered = sizes;
        EXPECT_EQ(current, QSize(320, 240));
        EXPECT_FALSE(dlg.stream()->isPlaying());  // frozen while choosing
        return QSize(160, 120);
    };
    dlg.PinBtn->click();
    EXPECT_TRUE(offered.contains(QSize(160, 120)));
    EXPECT_EQ(dlg.size(), QSize(281, 218));
    EXPECT_EQ(dlg.VideoWindow->geometry(), QRect(8, 8, 160, 120));
    EXPECT_TRUE(dlg.stream()->isPlaying());

    // Filter...: the form edits the source's properties.
    auto filter = makeFilterDialog(*dlg.stream(), &dlg);
    auto* speed = filter->findChild<QDoubleSpinBox*>("horizontal-speed");
    ASSERT_NE(speed, nullptr);
    speed->setValue(3);
    filter->accept();
    EXPECT_EQ(dlg.stream()->properties().contains({"horizontal-speed", QVariant(3)}), true);

    // Freeze, then Save and Exit: the frozen frame, not a later one, becomes the image.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dlg.stream()->currentFrame().isNull(); }, 3000));
    QTest::qWait(60);  // the preview timer shows it
    dlg.FreezeBtn->click();
    dlg.stream()->setProperty("foreground-color", kOtherArgb);
    QTest::qWait(200);
    dlg.OKBtn->click();
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(dlg.capturedFrame().format(), QImage::Format_RGB888);
    EXPECT_EQ(dlg.capturedFrame().size(), QSize(160, 120));
    expectColour(dlg.capturedFrame(), kArgb);
    EXPECT_TRUE(errors.isEmpty()) << errors.join("; ").toStdString();
}

TEST(WebCameraDlg, FailingSourceIsReportedAndLeavesNoPicture) {
    TWebCameraDlg dlg;
    dlg.openStream = [] {
        return std::make_unique<CameraStream>("v4l2src device=/dev/tarvo-none");
    };
    QStringList errors;
    dlg.showError = [&](const QString& m) { errors << m; };
    dlg.show();
    EXPECT_EQ(errors.size(), 1);
    EXPECT_EQ(dlg.stream(), nullptr);
    dlg.FreezeBtn->click();  // nothing to freeze, no crash
    dlg.PinBtn->click();
    dlg.OKBtn->click();
    EXPECT_EQ(dlg.capturedFrame().size(), dlg.VideoWindow->size());
}
