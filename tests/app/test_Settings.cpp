#include <gtest/gtest.h>

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
    const QString text = test::readText(file("a.ini"));
    EXPECT_TRUE(text.contains(QStringLiteral("[Reopen]")));
    EXPECT_TRUE(text.contains(QStringLiteral("Reopen1=/x/a.ico")));
    EXPECT_TRUE(text.contains(QStringLiteral("Reopen3=/x/c.ani")));
    EXPECT_TRUE(text.contains(QStringLiteral("Reopen9=\n")));
    EXPECT_EQ(TSettings(file("a.ini")).readRecent(),
              QStringList({"/x/a.ico", "/x/b.cur", "/x/c.ani"}));
    ASSERT_TRUE(settings.setChildMaximize(true));
    EXPECT_TRUE(TSettings(file("a.ini")).childMaximize());
    // Written by hand as 1/0, as older files have it.
    test::writeText(file("b.ini"), "[Main]\nChildMaximize=1\n[Reopen]\nReopen2=/y/z.ico\n");
    EXPECT_TRUE(TSettings(file("b.ini")).childMaximize());
    EXPECT_EQ(TSettings(file("b.ini")).readRecent(), QStringList({"/y/z.ico"}));
}

// How the list orders, drops and shows its files is tested through the main window's menu; here,
// what reaches the file and what a case-blind take leaves there.
TEST_F(Settings, RecentFilesAreWrittenAtOnceAndATakenOneStaysInTheFile) {
    const TSettings settings(file("r.ini"));
    TRecentFiles recent;
    for (int i = 1; i <= 10; ++i) recent.add(QStringLiteral("/f/%1.ico").arg(i), settings);
    recent.add(QStringLiteral("/F/5.ICO"), settings);  // moves up under its new spelling
    const QStringList before = recent.files();
    EXPECT_EQ(before.size(), 9);
    EXPECT_FALSE(before.contains(QStringLiteral("/f/5.ico")));
    EXPECT_EQ(TSettings(file("r.ini")).readRecent(), before);
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
    test::writeFile(file("blocker"), {});
    const TSettings settings(file("blocker/settings.ini"));
    TRecentFiles recent;
    EXPECT_FALSE(recent.add(QStringLiteral("/f/a.ico"), settings));
    EXPECT_EQ(recent.files(), QStringList({"/f/a.ico"}));
    EXPECT_FALSE(settings.setChildMaximize(true));
}

}  // namespace
}  // namespace tarvo
