#include <gtest/gtest.h>

#include <QFile>
#include <QDir>
#include <QFileInfo>
#include <QIODevice>
#include <QTemporaryDir>

#include "TestSupport.h"
#include "raster/Errors.h"
#include "raster/FileWriter.h"

namespace tarvo {
namespace {

// A save that fails half-way, for whatever reason, leaves the old file as it was and names the
// file in its message.
TEST(WriteWholeFile, AFailedWriteKeepsTheOldFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath("old.ico");
    test::writeFile(path, {1, 2, 3});
    auto partial = [](bool throwing) {
        return [throwing](QIODevice& file) {
            file.write("partial");
            if (throwing) throw TError("the encoder gave up");
            return false;
        };
    };
    for (bool throwing : {false, true}) {
        try {
            writeWholeFile(path, partial(throwing));
            ADD_FAILURE() << "no error";
        } catch (const EWriteError& e) {
            EXPECT_TRUE(QString::fromUtf8(e.what()).startsWith("Cannot write " + path + ": "));
            if (throwing) {
                EXPECT_TRUE(QString::fromUtf8(e.what()).endsWith("the encoder gave up"));
            }
        }
        EXPECT_EQ(test::readFile(path), (test::Bytes{1, 2, 3}));
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"old.ico"});
    writeWholeFile(path, [](QIODevice& file) { return file.write("new") == 3; });
    EXPECT_EQ(test::readFile(path), (test::Bytes{'n', 'e', 'w'}));
}

// A device is written, not replaced: a full disk is an error and the device stays.
TEST(WriteWholeFile, DevicesAreWrittenInPlace) {
    if (!QFile::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    QTemporaryDir dir;
    const QString link = dir.filePath("full.ico");
    ASSERT_TRUE(QFile::link("/dev/full", link));
    const QByteArray block(4096, 'x');
    EXPECT_THROW(writeWholeFile(link, [&](QIODevice& f) { return f.write(block) == block.size(); }),
                 EWriteError);
    EXPECT_EQ(QFileInfo(link).symLinkTarget(), "/dev/full");
    EXPECT_FALSE(QFileInfo(link).isFile());
}

}  // namespace
}  // namespace tarvo
