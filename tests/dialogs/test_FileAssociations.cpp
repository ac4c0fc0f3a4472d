#include <gtest/gtest.h>

#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QMap>
#include <QPushButton>
#include <QTemporaryDir>
#include <optional>
#include <utility>
#include <vector>

#include "TestSupport.h"
#include "dialogs/FileAssDlg.h"
#include "dialogs/FileAssociations.h"

namespace tarvo {
namespace {

const QString kEntry = "tarvo-iconworks.desktop";
const QStringList kAllExtensions = {"*.ico", "*.cur", "*.bmp", "*.jpg", "*.gif", "*.png", "*.ani"};
const QStringList kAllTypes = QStringLiteral(
                                  "image/vnd.microsoft.icon image/x-win-bitmap image/bmp "
                                  "image/jpeg image/gif image/png application/x-navi-animation")
                                  .split(u' ');

// Environment variables changed for one test and restored after it.
class ScopedEnv {
  public:
    void set(const char* name, const QByteArray& value) {
        saved_.emplace_back(name, qEnvironmentVariableIsSet(name)
                                      ? std::optional<QByteArray>(qgetenv(name))
                                      : std::nullopt);
        qputenv(name, value);
    }
    ~ScopedEnv() {
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it)
            it->second ? qputenv(it->first, *it->second) : qunsetenv(it->first);
    }

  private:
    std::vector<std::pair<const char*, std::optional<QByteArray>>> saved_;
};

// A private desktop: the data and configuration folders live in a temporary directory.
struct TempDesktop {
    QTemporaryDir dir;
    ScopedEnv env;
    QString data = dir.filePath("data"), config = dir.filePath("config");
    TempDesktop() {
        env.set("XDG_DATA_HOME", data.toLocal8Bit());
        env.set("XDG_CONFIG_HOME", config.toLocal8Bit());
    }
    QString entry() const { return data + "/applications/" + kEntry; }
    QString package() const { return data + "/mime/packages/tarvo-iconworks.xml"; }
};

using test::readText;

QString entryValue(const QString& entryText, const QString& key) {
    for (const QString& line : entryText.split('\n'))
        if (line.startsWith(key + '=')) return line.mid(key.size() + 1);
    return {};
}

// The mimeapps.list defaults that name our entry.
QStringList ourDefaults(const QString& config) {
    QStringList types;
    for (const QString& line : readText(config + "/mimeapps.list").split('\n'))
        if (line.endsWith('=' + kEntry) || line.endsWith('=' + kEntry + ';'))
            types << line.section('=', 0, 0);
    return types;
}

QString queryDefault(const QString& type) {
    return QString::fromUtf8(test::runProgram("xdg-mime", {"query", "default", type}).out)
        .trimmed();
}

// An Exec value split as a launcher does: string escapes, then quoting, then field codes ("%%"
// a percent sign, "%f" the file, others dropped).
QStringList parseExec(QString raw) {
    static const QMap<QChar, QChar> escapes = {{'s', ' '}, {'n', '\n'}, {'t', '\t'}, {'\\', '\\'}};
    for (qsizetype i = 0; (i = raw.indexOf('\\', i)) >= 0 && i + 1 < raw.size(); ++i)
        raw.replace(i, 2, escapes.value(raw[i + 1], raw[i + 1]));
    QStringList args{""};
    bool quoted = false;
    for (qsizetype i = 0; i < raw.size(); ++i) {
        if (quoted && raw[i] == '\\')
            args.back() += raw[++i];
        else if (raw[i] == '"')
            quoted = !quoted;
        else if (raw[i] == ' ' && !quoted)
            args << "";
        else if (raw[i] == '%' && i + 1 < raw.size())
            args.back() += raw[++i] == '%' ? "%" : raw[i] == 'f' ? "<file>" : "";
        else
            args.back() += raw[i];
    }
    return args;
}

TEST(FileAssociations, AllTypesBecomeOursAndRewritingChangesNothing) {
    TempDesktop desktop;
    const QString program = QCoreApplication::applicationFilePath();
    ASSERT_EQ(registerFileTypes(kAllExtensions, program), "");
    for (const QString& type : kAllTypes)
        EXPECT_EQ(queryDefault(type), kEntry) << type.toStdString();
    EXPECT_EQ(ourDefaults(desktop.config), kAllTypes);
    const QString entry = readText(desktop.entry());
    EXPECT_EQ(parseExec(entryValue(entry, "Exec")), QStringList({program, "<file>"}));
    EXPECT_EQ(entryValue(entry, "MimeType"), kAllTypes.join(';') + ';');
    const test::RunResult valid = test::runProgram("desktop-file-validate", {desktop.entry()});
    EXPECT_EQ(valid.exitCode, 0) << valid.out.toStdString();
    // Both databases were rebuilt from what we wrote.
    EXPECT_TRUE(
        readText(desktop.data + "/mime/globs2").contains("application/x-navi-animation:*.ani"));
    EXPECT_TRUE(readText(desktop.data + "/applications/mimeinfo.cache")
                    .contains("image/x-win-bitmap=" + kEntry));

    const QString package = readText(desktop.package()),
                  list = readText(desktop.config + "/mimeapps.list");
    ASSERT_EQ(registerFileTypes({".ICO", "png", "*.Ani"}, program), "");
    EXPECT_EQ(readText(desktop.entry()), entry);
    EXPECT_EQ(readText(desktop.package()), package);
    EXPECT_EQ(readText(desktop.config + "/mimeapps.list"), list);
}

TEST(FileAssociations, OnlyTheTickedTypesAndNeverFewerLater) {
    TempDesktop desktop;
    const QString program = QCoreApplication::applicationFilePath();
    ASSERT_EQ(registerFileTypes({}, program), "");
    EXPECT_TRUE(
        QDir(desktop.dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty());

    ASSERT_EQ(registerFileTypes({"*.png"}, program), "");
    EXPECT_EQ(ourDefaults(desktop.config), QStringList{"image/png"});
    EXPECT_EQ(entryValue(readText(desktop.entry()), "MimeType"), "image/png;");
    const QString package = readText(desktop.package());
    EXPECT_EQ(package.count("<mime-type "), 1);
    EXPECT_TRUE(package.contains("<mime-type type=\"image/png\">"));
    EXPECT_NE(queryDefault("image/gif"), kEntry);

    // A later run adds to what the desktop offers us for; associations are never withdrawn.
    ASSERT_EQ(registerFileTypes({"*.gif"}, program), "");
    EXPECT_EQ(entryValue(readText(desktop.entry()), "MimeType"), "image/gif;image/png;");
    EXPECT_EQ(ourDefaults(desktop.config), QStringList({"image/png", "image/gif"}));
}

TEST(FileAssociations, ExecQuotingAndInstalledData) {
    // A quoted literal backslash takes four characters in the file, a dollar "\\$".
    EXPECT_EQ(desktopExecArgument("/x y/a\\b$"), R"("/x y/a\\\\b\\$")");
    EXPECT_EQ(desktopExecArgument("/usr/bin/tarvo-iconworks"), "/usr/bin/tarvo-iconworks");
    for (const QString program : {"/opt/My Apps/it's \"q\"/a\\b$c`d%e/tarvo", "/a\tb/~x;y&z"}) {
        const QString entry = desktopEntryText(program, kAllTypes);
        EXPECT_EQ(parseExec(entryValue(entry, "Exec")), QStringList({program, "<file>"}));
        QTemporaryDir dir;
        const QString path = dir.filePath(kEntry);
        test::writeText(path, entry.toUtf8());
        EXPECT_EQ(test::runProgram("desktop-file-validate", {path}).exitCode, 0)
            << entry.toStdString();
    }
    // The system-wide copies are what the program itself writes.
    EXPECT_EQ(readText(TARVO_DATA_DIR "/tarvo-iconworks.desktop"),
              desktopEntryText("tarvo-iconworks", kAllTypes));
    EXPECT_EQ(readText(TARVO_DATA_DIR "/tarvo-iconworks.xml"), mimePackageText(kAllTypes));
}

TEST(FileAssociations, FailuresNameTheFileOrTool) {
    TempDesktop desktop;
    const QString program = QCoreApplication::applicationFilePath();
    EXPECT_TRUE(registerFileTypes({"*.txt"}, program).contains("*.txt"));

    test::writeFile(desktop.data, {});  // the data folder is a file
    EXPECT_TRUE(registerFileTypes({"*.ico"}, program).contains(desktop.data + "/applications"));
    EXPECT_FALSE(QFile::exists(desktop.config));
    QFile::remove(desktop.data);

    // xdg-mime fails on the fifth type: the four before it stay, the rest are not tried, and the
    // databases are still rebuilt.
    QTemporaryDir bin;
    const QString log = bin.filePath("log");
    test::writeText(bin.filePath("xdg-mime"),
                    ("#!/bin/sh\necho \"$3\" >> '" + log +
                     "'\n[ \"$3\" != image/gif ] || { echo broken >&2; exit 4; }\n")
                        .toUtf8());
    QFile::setPermissions(bin.filePath("xdg-mime"), QFile::ReadOwner | QFile::ExeOwner);
    ScopedEnv path;
    path.set("PATH", bin.path().toLocal8Bit() + ':' + qgetenv("PATH"));
    const QString error = registerFileTypes(kAllExtensions, program);
    EXPECT_TRUE(error.contains("xdg-mime default " + kEntry + " image/gif")) << error.toStdString();
    EXPECT_TRUE(error.contains("broken")) << error.toStdString();
    EXPECT_EQ(readText(log).split('\n', Qt::SkipEmptyParts), kAllTypes.mid(0, 5));
    EXPECT_TRUE(QFile::exists(desktop.data + "/mime/mime.cache"));

    path.set("PATH", bin.filePath("none").toLocal8Bit());  // no tools at all
    EXPECT_TRUE(registerFileTypes({"*.ico"}, program).contains("Cannot run update-mime-database"));
}

TEST(FileAssDlg, TicksStayAndTheTickedTypesArePassedOn) {
    TFileAssDlg dlg;
    EXPECT_EQ(dlg.windowTitle(), "File Associates");
    QStringList texts;
    for (QCheckBox* box : dlg.checkBoxes()) texts << box->text();
    EXPECT_EQ(texts, kAllExtensions);
    // Only the program's own types are ticked at first.
    EXPECT_EQ(dlg.checkedExtensions(), QStringList({".ico", ".cur", ".ani"}));
    for (QCheckBox* box : dlg.checkBoxes()) box->setChecked(true);

    QStringList passed;
    dlg.registerTypes = [&](const QStringList& extensions, const QString& executable) {
        passed = extensions;
        return executable;
    };
    dlg.BmpCheckBox->setChecked(false);
    dlg.AniCheckBox->setChecked(false);
    dlg.OKBtn->click();
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(dlg.applyAssociations("/bin/x"), "/bin/x");
    EXPECT_EQ(passed, QStringList({".ico", ".cur", ".jpg", ".gif", ".png"}));
    dlg.CancelBtn->click();
    EXPECT_EQ(dlg.checkedExtensions().size(), 5);
}

}  // namespace
}  // namespace tarvo
