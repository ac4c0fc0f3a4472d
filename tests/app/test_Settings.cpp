#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "TestSupport.h"
#include "app/Settings.h"

namespace tarvo {
namespace {

class Settings : public ::testing::Test {
  protected:
    QString file(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
    QTemporaryDir dir;
};

TEST_F(Settings, AMissingFileReadsAsEmpty) {
    const TSettings settings(file("none.ini"));
    EXPECT_TRUE(settings.readRecent().isEmpty());
    EXPECT_FALSE(settings.childMaximize());
}

TEST_F(Settings, TheListIsWrittenWithoutGapsThenEmptyKeys) {
    const TSettings settings(file("a.ini"));
    ASSERT_TRUE(settings.writeRecent({"/x/a.ico", "/x/b.cur", "/x/c.ani"}));
    const test::Bytes bytes = test::readFile(file("a.ini"));
    const QString text =
        QString::fromUtf8(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
    EXPECT_TRUE(text.contains(QStringLiteral("[Reopen]")));
    EXPECT_TRUE(text.contains(QStringLiteral("Reopen1=/x/a.ico")));
    EXPECT_TRUE(text.contains(QStringLiteral("Reopen3=/x/c.ani")));
    EXPECT_TRUE(text.contains(QStringLiteral("Reopen9=\n")));
    EXPECT_EQ(TSettings(file("a.ini")).readRecent(),
              QStringList({"/x/a.ico", "/x/b.cur", "/x/c.ani"}));
    ASSERT_TRUE(settings.setChildMaximize(true));
    EXPECT_TRUE(TSettings(file("a.ini")).childMaximize());
    // Written by hand as 1/0, as older files have it.
    QFile f(file("b.ini"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[Main]\nChildMaximize=1\n[Reopen]\nReopen2=/y/z.ico\n");
    f.close();
    EXPECT_TRUE(TSettings(file("b.ini")).childMaximize());
    EXPECT_EQ(TSettings(file("b.ini")).readRecent(), QStringList({"/y/z.ico"}));
}

TEST_F(Settings, RecentFilesMoveToTheTopIgnoringCaseAndKeepNine) {
    const TSettings settings(file("r.ini"));
    TRecentFiles recent;
    for (int i = 1; i <= 9; ++i) recent.add(QStringLiteral("/f/%1.ico").arg(i), settings);
    EXPECT_EQ(recent.files().first(), QStringLiteral("/f/9.ico"));
    EXPECT_EQ(recent.files().last(), QStringLiteral("/f/1.ico"));
    // The same file in other letters moves up, with the new spelling.
    recent.add(QStringLiteral("/F/5.ICO"), settings);
    EXPECT_EQ(recent.files().size(), 9);
    EXPECT_EQ(recent.files().first(), QStringLiteral("/F/5.ICO"));
    EXPECT_EQ(recent.files().count(QStringLiteral("/f/5.ico")), 0);
    // A tenth file drops the oldest.
    recent.add(QStringLiteral("/f/10.ico"), settings);
    EXPECT_EQ(recent.files().size(), 9);
    EXPECT_FALSE(recent.files().contains(QStringLiteral("/f/1.ico")));
    EXPECT_EQ(TSettings(file("r.ini")).readRecent(), recent.files());
    // A never-saved document is not listed.
    const QStringList before = recent.files();
    recent.add(QString(), settings);
    EXPECT_EQ(recent.files(), before);
    // Opening one takes it out of the list but not out of the file.
    EXPECT_TRUE(recent.take(QStringLiteral("/f/10.ICO")));
    EXPECT_FALSE(recent.take(QStringLiteral("/f/10.ico")));
    EXPECT_EQ(recent.files().size(), 8);
    EXPECT_EQ(TSettings(file("r.ini")).readRecent(), before);
    TRecentFiles loaded;
    loaded.load(TSettings(file("r.ini")));
    EXPECT_EQ(loaded.files(), before);
}

TEST_F(Settings, AFailedWriteKeepsTheListInMemory) {
    // The settings file's folder is a plain file, so nothing can be written there.
    QFile blocker(file("blocker"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const TSettings settings(file("blocker/settings.ini"));
    TRecentFiles recent;
    EXPECT_FALSE(recent.add(QStringLiteral("/f/a.ico"), settings));
    EXPECT_EQ(recent.files(), QStringList({"/f/a.ico"}));
    EXPECT_FALSE(settings.setChildMaximize(true));
}

}  // namespace
}  // namespace tarvo
