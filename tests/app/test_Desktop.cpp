// What a user sees of the program on a desktop: every caption exactly as the
// window system receives it, Qt's own dialogs in German, the wheel over the
// whole main window, the command line, and the first start on the sample.
#include "app/Application.h"
#include "app/CommandLine.h"
#include "app/Daten_Modul.h"
#include "app/Main.h"
#include "history/History.h"
#include "model/ListObj_BezierPunk.h"
#include "model/Liste_Polygon.h"
#include "model/ProgramObjects.h"
#include "stereo/Stereo_OpenDlg.h"
#include "ui/About.h"
#include "ui/uDialogBox.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QLocale>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QWheelEvent>
#include <QWindow>
#include <QXmlStreamReader>
#include <qpa/qplatformwindow.h>

#include <gtest/gtest.h>

#include "AppFixture.h"

namespace {

// The title the platform window makes of a window's title: the X11 and the
// Wayland window both pass it through this formatting before the window
// system sees it.
struct TPlatformTitle : QPlatformWindow {
    static QString Of(QWidget& widget)
    {
        widget.winId();
        return formatWindowTitle(widget.windowHandle()->title(), QString::fromUtf8(" \xE2\x80\x94 "));
    }
};

// The application set up as the program sets it up, put back afterwards.
struct TConfiguredApplication {
    const QString name = QCoreApplication::applicationName();
    const QString version = QCoreApplication::applicationVersion();
    const bool nativeOff = QCoreApplication::testAttribute(Qt::AA_DontUseNativeDialogs);
    TConfiguredApplication() { ConfigureApplication(); }
    ~TConfiguredApplication()
    {
        QCoreApplication::setApplicationName(name);
        QCoreApplication::setApplicationVersion(version);
        QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs, nativeOff);
    }
};

QString WithoutMnemonic(QString text)
{
    return text.remove(QLatin1Char('&'));
}

} // namespace

TEST(Captions, EveryTopLevelWindowReachesTheWindowSystemExactly)
{
    TConfiguredApplication configured;
    TFreshProgram p;
    EXPECT_EQ(TPlatformTitle::Of(p.form), QStringLiteral("Plenoptra "));
    p.dm.OnCaptionChanged(QStringLiteral("Beispiel.Plenoptrum"));
    EXPECT_EQ(TPlatformTitle::Of(p.form), QStringLiteral("Plenoptra Beispiel.Plenoptrum"));

    QStringList boxTitles;
    const auto previous = TFormDlgBox::SetAnswerer([&boxTitles](TFormDlgBox& box) {
        boxTitles << TPlatformTitle::Of(box);
        return int(mrOk);
    });
    for (int kind = dkWarnung; kind <= 4; ++kind)
        ShowDlgBox(QStringLiteral("Text"), kind, dbOK);
    TFormDlgBox::SetAnswerer(previous);
    EXPECT_EQ(boxTitles, QStringList({QStringLiteral("Warnung"), QStringLiteral("Fehler"),
                                      QStringLiteral("Informationen"), QStringLiteral("Bestätigung"),
                                      QStringLiteral("Plenoptra")}));

    TAboutBox about;
    EXPECT_EQ(TPlatformTitle::Of(about), QStringLiteral("Info"));
    TFormOpenStereo openStereo(&p.form);
    EXPECT_EQ(TPlatformTitle::Of(openStereo), QStringLiteral("Öffne Strereobild"));
    // A window added later gets its caption unchanged as well.
    QDialog later(&p.form);
    later.setWindowTitle(QStringLiteral("Einstellungen"));
    EXPECT_EQ(TPlatformTitle::Of(later), QStringLiteral("Einstellungen"));
}

TEST(GermanTexts, MaskOpenDialogSpeaksGermanAndNumbersKeepTheUsersSeparator)
{
    TConfiguredApplication configured;
    const QChar separator = QLocale().decimalPoint().at(0);
    QObject owner;
    ASSERT_TRUE(InstallQtTranslations(&owner));
    const std::unique_ptr<QFileDialog> dialog = MakeMaskOpenDialog(nullptr, QString());
    auto* buttons = dialog->findChild<QDialogButtonBox*>();
    ASSERT_NE(buttons, nullptr);
    ASSERT_NE(buttons->button(QDialogButtonBox::Cancel), nullptr);
    EXPECT_EQ(buttons->button(QDialogButtonBox::Cancel)->text(), QStringLiteral("Abbrechen"));
    ASSERT_NE(buttons->button(QDialogButtonBox::Open), nullptr);
    EXPECT_EQ(WithoutMnemonic(buttons->button(QDialogButtonBox::Open)->text()), QStringLiteral("Öffnen"));
    auto* lookIn = dialog->findChild<QLabel*>(QStringLiteral("lookInLabel"));
    ASSERT_NE(lookIn, nullptr);
    EXPECT_EQ(WithoutMnemonic(lookIn->text()), QStringLiteral("Suchen in:"));
    EXPECT_EQ(TPlatformTitle::Of(*dialog), QStringLiteral("Öffnen"));
    EXPECT_EQ(QLocale().decimalPoint().at(0), separator);
}

TEST(GermanTexts, WithoutTheTranslationQtSpeaksEnglish)
{
    // The counterpart of the test above: its German comes from the
    // translation, not from the dialog.
    const std::unique_ptr<QFileDialog> dialog = MakeMaskOpenDialog(nullptr, QString());
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    auto* buttons = dialog->findChild<QDialogButtonBox*>();
    ASSERT_NE(buttons, nullptr);
    EXPECT_EQ(buttons->button(QDialogButtonBox::Cancel)->text(), QStringLiteral("Cancel"));
}

namespace {

// Turns the wheel once, away from the user, over widget as the window system
// delivers it: to the main window's platform window.
void WheelOver(TFreshProgram& p, QWidget* widget)
{
    const QPointF at = widget->mapTo(&p.form, widget->rect().center());
    QWheelEvent wheel(at, p.form.mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(p.form.windowHandle(), &wheel);
}

} // namespace

TEST(Wheel, ZoomsOnceOverStatusBarToolbarMenuAndViewButScrollBarsKeepIt)
{
    TFreshProgram p;
    p.form.show();
    QCoreApplication::processEvents(); // the deferred start
    ASSERT_TRUE(p.dm.ActionAnsichtFit->isChecked());
    const double fit = p.dm.CurrentScale();

    // The first turn only switches to zoom at the scale shown.
    WheelOver(p, p.form.StatusBar1);
    EXPECT_TRUE(p.dm.ActionAnsichtZoom->isChecked());
    EXPECT_DOUBLE_EQ(p.dm.CurrentScale(), fit);

    // Every further turn is one step, wherever over the window.
    for (QWidget* where : {static_cast<QWidget*>(p.form.Panel1), static_cast<QWidget*>(p.form.menuBar()),
                           p.form.ClientArea(), static_cast<QWidget*>(p.form.StatusBar1)}) {
        const double before = p.dm.ZoomScale;
        const double step = p.dm.ZoomStep;
        WheelOver(p, where);
        EXPECT_DOUBLE_EQ(p.dm.ZoomScale, before + step) << where->metaObject()->className();
    }

    for (QScrollBar* bar : {p.form.ScrollBarX, p.form.ScrollBarY}) {
        const double before = p.dm.ZoomScale;
        WheelOver(p, bar);
        EXPECT_DOUBLE_EQ(p.dm.ZoomScale, before);
    }
}

TEST(Wheel, WheelsOfOtherWindowsDoNotZoom)
{
    TFreshProgram p;
    p.form.show();
    QCoreApplication::processEvents();
    TAboutBox about;
    about.show();
    QWheelEvent wheel(QPointF(10, 10), QPointF(10, 10), QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(about.windowHandle(), &wheel);
    EXPECT_TRUE(p.dm.ActionAnsichtFit->isChecked());
}

// ---------------------------------------------------------------------------
// The command line

TEST(CommandLine, PositionalArgumentsKeepTheirMeaning)
{
    const QString exe = QStringLiteral("/usr/bin/plenoptra");
    TCommandLine one = ParseCommandLine({exe, QStringLiteral("a.Plenoptrum")}, QStringLiteral("1.2.3.4"));
    EXPECT_EQ(one.Outcome, TCommandLine::clRun);
    EXPECT_EQ(one.Files, QStringList({QStringLiteral("a.Plenoptrum")}));
    TCommandLine two = ParseCommandLine({exe, QStringLiteral("l.jpg"), QStringLiteral("r.jpg")}, QString());
    EXPECT_EQ(two.Files, QStringList({QStringLiteral("l.jpg"), QStringLiteral("r.jpg")}));
    TCommandLine dashed = ParseCommandLine({exe, QStringLiteral("--"), QStringLiteral("-x.jpg")}, QString());
    EXPECT_EQ(dashed.Outcome, TCommandLine::clRun);
    EXPECT_EQ(dashed.Files, QStringList({QStringLiteral("-x.jpg")}));
    EXPECT_TRUE(ParseCommandLine({exe}, QString()).Files.isEmpty());
}

TEST(CommandLine, HelpVersionAndUnknownOptions)
{
    const QString exe = QStringLiteral("/usr/bin/plenoptra");
    TCommandLine version = ParseCommandLine({exe, QStringLiteral("-v")}, QStringLiteral("1.2.3.4"));
    EXPECT_EQ(version.Outcome, TCommandLine::clVersion);
    EXPECT_EQ(version.Text, QStringLiteral("Plenoptra 1.2.3.4\n"));
    TCommandLine help = ParseCommandLine({exe, QStringLiteral("--help"), QStringLiteral("a.jpg")}, QString());
    EXPECT_EQ(help.Outcome, TCommandLine::clHelp);
    EXPECT_TRUE(help.Text.contains(QStringLiteral("--version")));
    EXPECT_TRUE(help.Text.contains(QStringLiteral("[Maskendatei | Bild [rechtes Bild]]")));
    TCommandLine unknown = ParseCommandLine({exe, QStringLiteral("--export-all")}, QString());
    EXPECT_EQ(unknown.Outcome, TCommandLine::clError);
    EXPECT_TRUE(unknown.Text.startsWith(QStringLiteral("plenoptra: ")));
    EXPECT_TRUE(unknown.Text.contains(QStringLiteral("export-all")));
}

namespace {

struct TRun {
    int exitCode = -1;
    QString out, err;
};

// The program started without any display, as on a server or in a shell
// without a desktop.
TRun RunWithoutDisplay(const QStringList& arguments)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
        env.remove(QString::fromLatin1(name));
    QProcess program;
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(PLENOPTRA_EXE), arguments);
    TRun run;
    if (!program.waitForFinished(20000))
        return run;
    run.exitCode = program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1;
    run.out = QString::fromLocal8Bit(program.readAllStandardOutput());
    run.err = QString::fromLocal8Bit(program.readAllStandardError());
    return run;
}

} // namespace

TEST(CommandLine, VersionAndHelpWorkWithoutADisplayInGerman)
{
    const QString version = TVersionInfoFile(QStringLiteral(PLENOPTRA_EXE)).GetValue(QStringLiteral("FileVersion"));
    ASSERT_FALSE(version.isEmpty());
    const TRun v = RunWithoutDisplay({QStringLiteral("--version")});
    EXPECT_EQ(v.exitCode, 0);
    EXPECT_EQ(v.out, QStringLiteral("Plenoptra ") + version + QLatin1Char('\n'));

    const TRun h = RunWithoutDisplay({QStringLiteral("-h")});
    EXPECT_EQ(h.exitCode, 0);
    EXPECT_TRUE(h.out.contains(QStringLiteral("Aufruf:"))) << h.out.toStdString();
    EXPECT_TRUE(h.out.contains(QStringLiteral("Optionen:")));
    EXPECT_TRUE(h.out.contains(QStringLiteral("Zeigt die Version des Programms an")));

    const TRun bad = RunWithoutDisplay({QStringLiteral("--gibtsnicht")});
    EXPECT_EQ(bad.exitCode, kCommandLineErrorStatus);
    EXPECT_TRUE(bad.err.contains(QStringLiteral("Unbekannte Option"))) << bad.err.toStdString();
    EXPECT_TRUE(bad.out.isEmpty());
}

// ---------------------------------------------------------------------------
// The sample mask and the first start on it

namespace {

// The bytes the installed MIME type's magic matches at the start of a file
// (a little-endian count, then a string), and whether its glob ignores case.
struct TMimeMagic {
    QByteArray Bytes;
    bool GlobIgnoresCase = false;
};

TMimeMagic ReadMimeMagic()
{
    TMimeMagic magic;
    QFile file(QStringLiteral(PLENOPTRA_MIME_XML));
    if (!file.open(QIODevice::ReadOnly))
        return magic;
    QXmlStreamReader xml(&file);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        const QXmlStreamAttributes a = xml.attributes();
        if (xml.name() == QLatin1String("glob"))
            magic.GlobIgnoresCase = a.value(QLatin1String("pattern")) == QLatin1String("*.plenoptrum") &&
                                    !a.hasAttribute(QLatin1String("case-sensitive"));
        if (xml.name() != QLatin1String("match"))
            continue;
        const qsizetype offset = a.value(QLatin1String("offset")).toInt();
        if (offset != magic.Bytes.size())
            return {};
        if (a.value(QLatin1String("type")) == QLatin1String("little32")) {
            const quint32 v = a.value(QLatin1String("value")).toUInt();
            for (int i = 0; i < 4; ++i)
                magic.Bytes += char(v >> (8 * i));
        } else if (a.value(QLatin1String("type")) == QLatin1String("string")) {
            magic.Bytes += a.value(QLatin1String("value")).toLatin1();
        }
    }
    return magic;
}

QString MakeSampleMask(const QTemporaryDir& dir)
{
    const QString mask = dir.filePath(QStringLiteral("Beispiel.Plenoptrum"));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    QProcess maker;
    maker.setProcessEnvironment(env);
    maker.start(QStringLiteral(PLENOPTRA_SAMPLE_MAKER),
                {QStringLiteral(PLENOPTRA_SAMPLES_DIR "/Beispiel_L.jpg"),
                 QStringLiteral(PLENOPTRA_SAMPLES_DIR "/Beispiel_R.jpg"), mask});
    if (!maker.waitForFinished(60000) || maker.exitStatus() != QProcess::NormalExit || maker.exitCode() != 0)
        return QString();
    return mask;
}

} // namespace

TEST(SampleMask, IsTheHistoryTheEditorWritesWhenDrawingTheWindow)
{
    QTemporaryDir dir;
    const QString mask = MakeSampleMask(dir);
    ASSERT_FALSE(mask.isEmpty());
    QFile file(mask);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    // The first header line names the editor, not the tool that ran it, and
    // is what the desktop's MIME magic recognises.
    const QByteArray head = file.read(13);
    EXPECT_EQ(head, QByteArray("\x09\x00\x00\x00plenoptra", 13));
    const TMimeMagic magic = ReadMimeMagic();
    EXPECT_EQ(magic.Bytes, head);
    EXPECT_TRUE(magic.GlobIgnoresCase);
    file.close();

    TProgramObjects objects;
    objects.HistoryListe->LoadFromFile(mask, false);
    QStringList names;
    for (int i = 0; i < objects.HistoryListe->Count(); ++i)
        names << objects.HistoryListe->Items(i)->Name;
    EXPECT_EQ(names, QStringList({QStringLiteral("Öffne L/R"), QStringLiteral("ActNewMsk"), QStringLiteral("Punkt"),
                                  QStringLiteral("Punkt"), QStringLiteral("Punkt"), QStringLiteral("Punkt"),
                                  QStringLiteral("ActEditMsk"), QStringLiteral("MultiSel"), QStringLiteral("ToCurve"),
                                  QStringLiteral("MoveXY"), QStringLiteral("MultiSel"), QStringLiteral("Move Z"),
                                  QStringLiteral("UnSelAll"), QStringLiteral("ActEditMsk")}));
    ASSERT_EQ(objects.HistoryListe->ItemIndex(), names.size() - 1);
    // The tracked check states: slot 8 new mask, 9 edit, 10 move in the
    // window plane, 14 depth. Opening the pair: only the move tool; drawing:
    // the new-mask tool too; the depth drag: the depth tool instead; at the
    // end the move tool alone again.
    const quint32 moveXY = 1u << 10;
    EXPECT_EQ(objects.HistoryListe->Items(0)->R01().CheckedActions, moveXY);
    EXPECT_EQ(objects.HistoryListe->Items(2)->R01().CheckedActions, moveXY | 1u << 8);
    EXPECT_EQ(objects.HistoryListe->Items(11)->R01().CheckedActions, 1u << 9 | 1u << 14);
    EXPECT_EQ(objects.HistoryListe->Items(13)->R01().CheckedActions, moveXY);
    EXPECT_EQ(objects.HistoryListe->Items(13)->R01().EditMode, TDM::emIdle);
    // The fit view after opening centres the 1200 x 800 pair.
    EXPECT_EQ(objects.HistoryListe->Items(13)->R01().ViewCenterX, 600);
    EXPECT_EQ(objects.HistoryListe->Items(13)->R01().ViewCenterY, 400);
}

TEST(SampleMask, FirstStartOnItHasTheMoveToolAndCrossViewChecked)
{
    QTemporaryDir dir;
    const QString mask = MakeSampleMask(dir);
    ASSERT_FALSE(mask.isEmpty());
    TFreshProgram p;
    TMessageRecorder messages;
    p.dm.DeferredStart({mask});
    EXPECT_EQ(messages.count, 0);
    EXPECT_EQ(p.dm.SourceLeft.Image.size(), QSize(1200, 800));
    EXPECT_TRUE(p.dm.ActionPointMoveXY->isChecked());
    EXPECT_TRUE(p.dm.ActionKreuz->isChecked());
    EXPECT_FALSE(p.dm.ActionPointMoveZ->isChecked());
    EXPECT_FALSE(p.dm.ActionNewMask->isChecked());
    EXPECT_FALSE(p.dm.ActionMaskEdit->isChecked());
    EXPECT_EQ(p.dm.EditMode, TDM::emIdle);
    TPolygonListe* outline = PolygonListe();
    ASSERT_EQ(outline->Count(), 4);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(outline->Items(i)->Z(), -12);
    EXPECT_EQ(p.form.windowTitle(), QStringLiteral("Plenoptra Beispiel.Plenoptrum"));
}
