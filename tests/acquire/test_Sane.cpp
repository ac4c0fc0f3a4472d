#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>

#include "TestSupport.h"
#include "acquire/SaneScanner.h"
#include "acquire/TwainSourcesDlg.h"
#include "raster/Errors.h"

using namespace tarvo;

namespace {

// SANE's virtual test scanner, configured by the lines given, in a private folder; the
// session restarts so the backend reads them again.
class SaneTest : public ::testing::Test {
  protected:
    void configure(const QStringList& testConf = {}) {
        ASSERT_TRUE(config_.isValid());
        test::writeText(config_.filePath("dll.conf"), "test\n");
        // Lines left out are zero, not the backend's usual defaults: state the page, then the
        // changes (the later line wins).
        const QString page = QStringLiteral(
            "number_of_devices 2\nresolution_min 1.0\nresolution_max 1200.0\nresolution 50.0\n"
            "geometry_max 200.0\nbr_x 80.0\nbr_y 100.0\n");
        test::writeText(config_.filePath("test.conf"),
                        (page + testConf.join(u'\n') + u'\n').toUtf8());
        qputenv("SANE_CONFIG_DIR", QFile::encodeName(config_.path()));
        releaseSane();
    }
    void TearDown() override { releaseSane(); }

    // The same scan by SANE's own command-line front end.
    static QImage peerScan() {
        // The test backend's reader thread can deadlock scanimage as it exits (a lock left taken
        // in the C library): a run that hangs is killed and tried again.
        test::RunResult r;
        for (int attempt = 0; attempt < 3 && r.exitCode != 0; ++attempt)
            r = test::runProgram("scanimage", {"-d", "test:0", "--format=pnm"}, 20000);
        EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
        return QImage::fromData(r.out).convertToFormat(QImage::Format_RGB32);
    }
    static int maxDifference(const QImage& a, const QImage& b) {
        int worst = 0;
        for (int y = 0; y < a.height(); ++y)
            for (int x = 0; x < a.width(); ++x) {
                const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
                worst = std::max({worst, std::abs(qRed(p) - qRed(q)),
                                  std::abs(qGreen(p) - qGreen(q)), std::abs(qBlue(p) - qBlue(q))});
            }
        return worst;
    }
    static bool allPixels(const QImage& image, QRgb value) {
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (image.pixel(x, y) != value) return false;
        return true;
    }

    // One folder for the whole run: libsane reads SANE_CONFIG_DIR only once per process.
    static inline QTemporaryDir config_;
};

TEST_F(SaneTest, ListsTheTestBackendAndScansItsDefaultPicture) {
    configure();
    const std::vector<ScannerInfo> scanners = listScanners();
    ASSERT_GE(scanners.size(), 1u);
    EXPECT_EQ(scanners[0].name, QStringLiteral("test:0"));
    EXPECT_TRUE(scanners[0].displayName().contains(QStringLiteral("test:0")));

    // Gray, 80 x 100 mm at 50 dpi, solid black.
    int lastPercent = -1;
    const QImage image = scan(QStringLiteral("test:0"), [&](int percent) {
        EXPECT_GE(percent, lastPercent);
        lastPercent = percent;
        return true;
    });
    EXPECT_EQ(image.size(), QSize(157, 196));
    EXPECT_EQ(lastPercent, 100);
    EXPECT_TRUE(allPixels(image, qRgb(0, 0, 0)));
}

TEST_F(SaneTest, EveryFrameKindMatchesScanimage) {
    struct Case {
        const char *mode, *depth, *picture;
        int tolerance;  // 16-bit samples: the peer's reader may round instead of truncating
    };
    for (const Case& c :
         {Case{"Gray", "8", "Color pattern", 0}, Case{"Color", "8", "Color pattern", 0},
          Case{"Gray", "1", "Grid", 0}, Case{"Gray", "1", "Color pattern", 0},
          Case{"Gray", "16", "Color pattern", 1}, Case{"Color", "16", "Color pattern", 1}}) {
        SCOPED_TRACE(std::string(c.mode) + " " + c.depth + " " + c.picture);
        configure({QStringLiteral("mode %1").arg(QLatin1String(c.mode)),
                   QStringLiteral("depth %1").arg(QLatin1String(c.depth)),
                   QStringLiteral("test-picture \"%1\"").arg(QLatin1String(c.picture)),
                   QStringLiteral("resolution 25")});
        const QImage ours = scan(QStringLiteral("test:0"));
        const QImage peer = peerScan();
        ASSERT_EQ(ours.size(), peer.size());
        EXPECT_LE(maxDifference(ours, peer), c.tolerance);
        // Not a uniform picture, or the comparison proves little.
        EXPECT_FALSE(allPixels(ours, ours.pixel(0, 0)));
    }
    // Known values: white is white whether sent as clear bits or as 16-bit maxima.
    for (const char* mode : {"mode Gray\ndepth 1", "mode Color\ndepth 16"}) {
        configure({QLatin1String(mode), QStringLiteral("test-picture \"Solid white\"")});
        EXPECT_TRUE(allPixels(scan(QStringLiteral("test:0")), qRgb(255, 255, 255))) << mode;
    }
}

TEST_F(SaneTest, CancelLeavesNoImageNoFileAndAFreeDevice) {
    configure({QStringLiteral("read-limit true"), QStringLiteral("read-limit-size 1000")});
    QTemporaryDir temp;
    const QByteArray oldTemp = qgetenv("TMPDIR");
    qputenv("TMPDIR", QFile::encodeName(temp.path()));

    int calls = 0;
    EXPECT_TRUE(scan(QStringLiteral("test:0"), [&](int) { return ++calls < 3; }).isNull());
    EXPECT_EQ(calls, 3);
    TIcon icon;
    EXPECT_FALSE(scanIntoIcon(icon, QStringLiteral("test:0"), [](int p) { return p < 50; }));
    EXPECT_EQ(icon.ImageCount(), 0);
    EXPECT_TRUE(QDir(temp.path()).isEmpty());

    // The device was closed, so it opens again; the document gets the picture.
    ASSERT_TRUE(scanIntoIcon(icon, QStringLiteral("test:0")));
    EXPECT_EQ(icon.ImageCount(), 1);
    EXPECT_EQ(icon.GetSize(), QSize(157, 196));
    EXPECT_TRUE(QDir(temp.path()).isEmpty());
    qputenv("TMPDIR", oldTemp);
}

TEST_F(SaneTest, FailuresAreClearErrors) {
    auto messageOf = [](const QString& device) -> std::string {
        try {
            scan(device);
        } catch (const TError& e) {
            return e.what();
        }
        return "no error";
    };
    configure({QStringLiteral("read-status-code \"SANE_STATUS_IO_ERROR\"")});
    EXPECT_NE(messageOf(QStringLiteral("nosuch:0")).find("nosuch:0"), std::string::npos);
    EXPECT_NE(messageOf(QStringLiteral("test:0")).find("Scanning failed"), std::string::npos);

    // Separate colour frames are refused, twice: the first refusal closed the device.
    configure({QStringLiteral("mode Color"), QStringLiteral("three-pass true")});
    for (int i = 0; i < 2; ++i)
        EXPECT_NE(messageOf(QStringLiteral("test:0")).find("separate frames"), std::string::npos);
}

TEST(TwainSourcesDlg, OneChoiceIsEnoughAndChoicesLastUntilTheNextOk) {
    TTwainSourcesDlg dlg;
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Select TWAIN And Video Sources"));
    EXPECT_EQ(dlg.ScanerComboBox->placeholderText(), QStringLiteral("No scanners found"));
    EXPECT_TRUE(dlg.OKBtn->isEnabled());  // nothing to choose
    EXPECT_TRUE(dlg.CancelBtn->isEnabled());

    const ScannerInfo a{QStringLiteral("test:0"), QStringLiteral("Noname"), QStringLiteral("A")};
    const ScannerInfo b{QStringLiteral("test:1"), QStringLiteral("Noname"), QStringLiteral("B")};
    const QStringList cameras{QStringLiteral("Webcam"), QStringLiteral("Capture card")};
    dlg.setScanners({a, b});
    dlg.setCameras(cameras);
    EXPECT_EQ(dlg.ScanerComboBox->currentIndex(), -1);
    EXPECT_EQ(dlg.CameraComboBox->currentIndex(), -1);
    EXPECT_FALSE(dlg.OKBtn->isEnabled());

    // A scanner alone confirms; listed again, in another order, it is still the one chosen.
    dlg.ScanerComboBox->setCurrentIndex(1);
    EXPECT_TRUE(dlg.OKBtn->isEnabled());
    EXPECT_EQ(dlg.selectedCamera(), QString());
    dlg.OKBtn->click();
    dlg.setScanners({b, a});
    dlg.setCameras(cameras);
    EXPECT_EQ(dlg.selectedScanner(), QStringLiteral("test:1"));
    EXPECT_EQ(dlg.CameraComboBox->currentIndex(), -1);

    // Cancel goes back to the choices of the last OK.
    dlg.ScanerComboBox->setCurrentIndex(1);
    dlg.CameraComboBox->setCurrentIndex(1);
    dlg.CancelBtn->click();
    EXPECT_EQ(dlg.selectedScanner(), QStringLiteral("test:1"));
    EXPECT_EQ(dlg.selectedCamera(), QString());

    // A device that went away is not chosen; an empty list leaves OK usable.
    dlg.CameraComboBox->setCurrentIndex(1);
    dlg.OKBtn->click();
    dlg.setScanners({a});
    dlg.setCameras({});
    EXPECT_EQ(dlg.selectedScanner(), QString());
    EXPECT_EQ(dlg.CameraComboBox->placeholderText(), QStringLiteral("No cameras found"));
    EXPECT_TRUE(dlg.OKBtn->isEnabled());
    dlg.setCameras(cameras);
    EXPECT_EQ(dlg.selectedCamera(), QStringLiteral("Capture card"));
}

}  // namespace
