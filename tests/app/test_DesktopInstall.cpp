// Installation: the program, its desktop entry, the mask file's MIME type and
// the icon in the theme sizes land where a Linux desktop looks for them, and
// what lands there is valid.
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct TInstalled {
    QTemporaryDir prefix;
    bool ok = false;
    QString log;
    TInstalled()
    {
        QProcess install;
        install.setProcessChannelMode(QProcess::MergedChannels);
        install.start(QStringLiteral(PLENOPTRA_CMAKE),
                      {QStringLiteral("--install"), QStringLiteral(PLENOPTRA_BUILD_DIR), QStringLiteral("--prefix"),
                       prefix.path()});
        ok = install.waitForFinished(120000) && install.exitStatus() == QProcess::NormalExit &&
             install.exitCode() == 0;
        log = QString::fromLocal8Bit(install.readAll());
    }
    QString Path(const QString& relative) const { return prefix.filePath(relative); }
};

QStringList DesktopEntry(const QString& file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    return QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'));
}

} // namespace

TEST(Installation, PutsProgramDesktopEntryMimeTypeAndIconsInPlace)
{
    TInstalled installed;
    ASSERT_TRUE(installed.ok) << installed.log.toStdString();
    EXPECT_TRUE(QFileInfo(installed.Path(QStringLiteral("bin/plenoptra"))).isExecutable());

    const QString desktop = installed.Path(QStringLiteral("share/applications/plenoptra.desktop"));
    const QStringList entry = DesktopEntry(desktop);
    ASSERT_FALSE(entry.isEmpty());
    // A file manager hands the double-clicked file to the program.
    EXPECT_TRUE(entry.contains(QStringLiteral("Exec=plenoptra %f")));
    EXPECT_TRUE(entry.contains(QStringLiteral("Icon=plenoptra")));
    EXPECT_TRUE(entry.contains(QStringLiteral("MimeType=application/x-plenoptrum;image/jpeg;image/bmp;")));

    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QImage icon(installed.Path(QStringLiteral("share/icons/hicolor/%1x%1/apps/plenoptra.png").arg(size)));
        EXPECT_EQ(icon.size(), QSize(size, size)) << size;
        // Drawn, not blank: the centre of the icon is opaque.
        if (!icon.isNull())
            EXPECT_EQ(qAlpha(icon.pixel(size / 2, size / 2)), 255) << size;
    }
    EXPECT_TRUE(QFile::exists(installed.Path(QStringLiteral("share/icons/hicolor/scalable/apps/plenoptra.svg"))));
    EXPECT_TRUE(QFile::exists(installed.Path(QStringLiteral("share/mime/packages/plenoptra.xml"))));

    const QString validator = QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
    if (!validator.isEmpty()) {
        QProcess validate;
        validate.setProcessChannelMode(QProcess::MergedChannels);
        validate.start(validator, {desktop});
        ASSERT_TRUE(validate.waitForFinished(30000));
        EXPECT_EQ(validate.exitCode(), 0);
        // Hints count as well: a clean entry prints nothing.
        EXPECT_EQ(validate.readAll(), QByteArray());
    }
    const QString updater = QStandardPaths::findExecutable(QStringLiteral("update-mime-database"));
    if (!updater.isEmpty()) {
        QProcess update;
        update.setProcessChannelMode(QProcess::MergedChannels);
        update.start(updater, {installed.Path(QStringLiteral("share/mime"))});
        ASSERT_TRUE(update.waitForFinished(60000));
        EXPECT_EQ(update.exitCode(), 0) << update.readAll().toStdString();
        EXPECT_TRUE(QFile::exists(installed.Path(QStringLiteral("share/mime/application/x-plenoptrum.xml"))));
    }
}
