// What a user sees of the program on a desktop: every caption exactly as the
// window system receives it, Qt's own dialogs in German, the wheel over the
// whole main window, the command line, and the sample mask with the first
// start on it.
#include "app/Application.h"
#include "app/CommandLine.h"
#include "app/Daten_Modul.h"
#include "app/Main.h"
#include "history/History.h"
#include "model/ListObj_BezierPunk.h"
#include "model/Liste_Polygon.h"
#include "model/ProgramObjects.h"
#include "stereo/Stereo_OpenDlg.h"
#include "stereo/WindowPlacing.h"
#include "ui/About.h"
#include "ui/uDialogBox.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QLocale>
#include <QMenuBar>
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

namespace {

// Turns the wheel once, away from the user, over widget as the window system
// delivers it: to its window's platform window.
void WheelOver(QWidget* widget)
{
    QWidget* window = widget->window();
    const QPointF at = widget->mapTo(window, widget->rect().center());
    QWheelEvent wheel(at, window->mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(window->windowHandle(), &wheel);
}

} // namespace

TEST(Wheel, ZoomsOverStatusBarToolbarMenuAndViewButNotOverScrollBarsOrOtherWindows)
{
    TFreshProgram p;
    p.Show();
    TAboutBox about;
    about.show();
    WheelOver(&about);
    EXPECT_TRUE(p.dm.ActionAnsichtFit->isChecked());
    // The first turn only switches to zoom at the scale shown.
    WheelOver(p.form.StatusBar1);
    EXPECT_TRUE(p.dm.ActionAnsichtZoom->isChecked());

    // Every further turn is one step, wherever over the window.
    for (QWidget* where : {static_cast<QWidget*>(p.form.Panel1), static_cast<QWidget*>(p.form.menuBar()),
                           p.form.ClientArea(), static_cast<QWidget*>(p.form.StatusBar1)}) {
        const double before = p.dm.ZoomScale, step = p.dm.ZoomStep;
        WheelOver(where);
        EXPECT_DOUBLE_EQ(p.dm.ZoomScale, before + step) << where->metaObject()->className();
    }
    for (QScrollBar* bar : {p.form.ScrollBarX, p.form.ScrollBarY}) {
        const double before = p.dm.ZoomScale;
        WheelOver(bar);
        EXPECT_DOUBLE_EQ(p.dm.ZoomScale, before);
    }
}

// ---------------------------------------------------------------------------
// The command line

TEST(CommandLine, PositionalArgumentsHelpVersionAndUnknownOptions)
{
    const QString exe = QStringLiteral("/usr/bin/plenoptra");
    const struct {
        QStringList arguments;
        TCommandLine::TOutcome outcome;
        QStringList files;
    } cases[] = {
        {{}, TCommandLine::clRun, {}},
        {{"a.Plenoptrum"}, TCommandLine::clRun, {"a.Plenoptrum"}},
        {{"l.jpg", "r.jpg"}, TCommandLine::clRun, {"l.jpg", "r.jpg"}},
        {{"--", "-x.jpg"}, TCommandLine::clRun, {"-x.jpg"}},
        {{"-v"}, TCommandLine::clVersion, {}},
        {{"--help", "a.jpg"}, TCommandLine::clHelp, {}},
        {{"--export-all"}, TCommandLine::clError, {}},
    };
    for (const auto& c : cases) {
        const TCommandLine parsed = ParseCommandLine(QStringList{exe} + c.arguments, QStringLiteral("1.2.3.4"));
        EXPECT_EQ(parsed.Outcome, c.outcome) << c.arguments.join(' ').toStdString();
        if (c.outcome == TCommandLine::clRun) {
            EXPECT_EQ(parsed.Files, c.files);
        }
    }
    EXPECT_EQ(ParseCommandLine({exe, QStringLiteral("-v")}, QStringLiteral("1.2.3.4")).Text,
              QStringLiteral("Plenoptra 1.2.3.4\n"));
    const QString help = ParseCommandLine({exe, QStringLiteral("--help")}, QString()).Text;
    EXPECT_TRUE(help.contains(QStringLiteral("--version")));
    EXPECT_TRUE(help.contains(QStringLiteral("[Maskendatei | Bild [rechtes Bild]]")));
    const QString unknown = ParseCommandLine({exe, QStringLiteral("--export-all")}, QString()).Text;
    EXPECT_TRUE(unknown.startsWith(QStringLiteral("plenoptra: ")));
    EXPECT_TRUE(unknown.contains(QStringLiteral("export-all")));
}

TEST(CommandLine, VersionAndHelpWorkWithoutADisplayInGerman)
{
    const QString exe = QStringLiteral(PLENOPTRA_EXE);
    const QString version = TVersionInfoFile(exe).GetValue(QStringLiteral("FileVersion"));
    ASSERT_FALSE(version.isEmpty());
    const TProcessRun v = RunWithoutDisplay(exe, {QStringLiteral("--version")});
    EXPECT_EQ(v.status, 0);
    EXPECT_EQ(v.out, QStringLiteral("Plenoptra ") + version + QLatin1Char('\n'));

    const TProcessRun h = RunWithoutDisplay(exe, {QStringLiteral("-h")});
    EXPECT_EQ(h.status, 0);
    EXPECT_TRUE(h.out.contains(QStringLiteral("Aufruf:"))) << h.out.toStdString();
    EXPECT_TRUE(h.out.contains(QStringLiteral("Optionen:")));
    EXPECT_TRUE(h.out.contains(QStringLiteral("Zeigt die Version des Programms an")));

    const TProcessRun bad = RunWithoutDisplay(exe, {QStringLiteral("--gibtsnicht")});
    EXPECT_EQ(bad.status, kCommandLineErrorStatus);
    EXPECT_TRUE(bad.err.contains(QStringLiteral("Unbekannte Option"))) << bad.err.toStdString();
    EXPECT_EQ(bad.out, QString());
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

} // namespace

// The sample mask as the first start writes it: the editor's history of
// drawing the window over the bundled pair.
TEST(SampleMask, IsTheEditorsHistoryOpensWithTheMoveToolAndItsWindowIsFreeUntilMovedBehind)
{
    QTemporaryDir dir;
    const QString mask = dir.filePath(QStringLiteral("Beispiel.Plenoptrum"));
    const TProcessRun made = RunWithoutDisplay(QStringLiteral(PLENOPTRA_SAMPLE_MAKER),
                                               {QStringLiteral(PLENOPTRA_SAMPLES_DIR "/Beispiel_L.jpg"),
                                                QStringLiteral(PLENOPTRA_SAMPLES_DIR "/Beispiel_R.jpg"), mask});
    ASSERT_EQ(made.status, 0) << made.err.toStdString();
    // The first header line names the editor, not the tool that ran it, and
    // is what the desktop's MIME magic recognises.
    const QByteArray head = ReadFile(mask).left(13);
    EXPECT_EQ(head, QByteArray("\x09\x00\x00\x00plenoptra", 13));
    const TMimeMagic magic = ReadMimeMagic();
    EXPECT_EQ(magic.Bytes, head);
    EXPECT_TRUE(magic.GlobIgnoresCase);
    {
        TProgramObjects objects;
        THistoryListe& history = *objects.HistoryListe;
        history.LoadFromFile(mask, false);
        EXPECT_EQ(Steps(), QStringList({"Öffne L/R", "ActNewMsk", "Punkt", "Punkt", "Punkt", "Punkt", "ActEditMsk",
                                        "MultiSel", "ToCurve", "MoveXY", "MultiSel", "Move Z", "UnSelAll",
                                        "ActEditMsk"}));
        ASSERT_EQ(history.ItemIndex(), 13);
        // The tracked check states: slot 8 new mask, 9 edit, 10 move in the
        // window plane, 14 depth. Opening the pair: only the move tool;
        // drawing: the new-mask tool too; the depth drag: the depth tool
        // instead; at the end the move tool alone again.
        const quint32 moveXY = 1u << 10;
        EXPECT_EQ(history.Items(0)->R01().CheckedActions, moveXY);
        EXPECT_EQ(history.Items(2)->R01().CheckedActions, moveXY | 1u << 8);
        EXPECT_EQ(history.Items(11)->R01().CheckedActions, 1u << 9 | 1u << 14);
        EXPECT_EQ(history.Items(13)->R01().CheckedActions, moveXY);
        EXPECT_EQ(history.Items(13)->R01().EditMode, TDM::emIdle);
        // The fit view after opening centres the 1200 x 800 pair.
        EXPECT_EQ(QPoint(history.Items(13)->R01().ViewCenterX, history.Items(13)->R01().ViewCenterY),
                  QPoint(600, 400));

        // The same mask with one more step: the window moved 20 px back, 8 px
        // behind the picture plane, where the ground at the bottom breaks
        // through it.
        objects.PolygonListe->LoadFromEntry();
        ShiftWindowDepth(*objects.PolygonListe, 20);
        history.Current().R01().LeftFileName = history.Items(13)->R01().LeftFileName;
        history.Current().R01().RightFileName = history.Items(13)->R01().RightFileName;
        objects.PolygonListe->SaveToCurrent();
        history.Add(QStringLiteral("Move Z"));
        history.SaveToFile(dir.filePath(QStringLiteral("Dahinter.Plenoptrum")), false);
    }
    // As shipped the window stands 12 px in front, the nearest object (the
    // sign) 9 px: free.
    const QString exe = QStringLiteral(PLENOPTRA_EXE);
    TProcessRun check = RunWithoutDisplay(exe, {QStringLiteral("--check-window"), mask});
    EXPECT_EQ(check.status, 0) << check.err.toStdString() << check.out.toStdString();
    EXPECT_EQ(check.out, QString());
    check = RunWithoutDisplay(exe, {QStringLiteral("--check-window"), dir.filePath(QStringLiteral("Dahinter.Plenoptrum"))});
    EXPECT_EQ(check.status, 1) << check.err.toStdString();
    EXPECT_TRUE(check.out.contains(QStringLiteral("unten "))) << check.out.toStdString();

    // The first start on it: the move tool and cross view checked, the
    // window at -12, the file named in the caption.
    TFreshProgram p;
    TMessageRecorder messages;
    p.dm.DeferredStart({mask});
    EXPECT_EQ(messages.count, 0);
    EXPECT_EQ(p.dm.SourceLeft.Image.size(), QSize(1200, 800));
    EXPECT_TRUE(p.dm.ActionPointMoveXY->isChecked() && p.dm.ActionKreuz->isChecked());
    EXPECT_FALSE(p.dm.ActionPointMoveZ->isChecked() || p.dm.ActionNewMask->isChecked() ||
                 p.dm.ActionMaskEdit->isChecked());
    EXPECT_EQ(p.dm.EditMode, TDM::emIdle);
    TPolygonListe* outline = PolygonListe();
    ASSERT_EQ(outline->Count(), 4);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(outline->Items(i)->Z(), -12);
    EXPECT_EQ(p.form.windowTitle(), QStringLiteral("Plenoptra Beispiel.Plenoptrum"));
}
