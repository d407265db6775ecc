// `plenoptra --check-window MASK`: the program started as a process without
// any display, on small scenes with a known near object; and the functions
// behind it that batch export calls.
#include "app/CheckWindowCommand.h"
#include "app/CommandLine.h"
#include "history/UserMessage.h"
#include "stereo/WindowPlacing.h"

#include "WindowCheckScenes.h"

#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

namespace {

struct TRun {
    int status = -1;
    QStringList out;
    QString err;
};

TRun CheckWindowProcess(const QStringList& arguments)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    // No display of any kind: the check must not need one.
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    QProcess program;
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(PLENOPTRA_EXE), arguments);
    TRun run;
    if (!program.waitForFinished(120000) || program.exitStatus() != QProcess::NormalExit)
        return run;
    run.status = program.exitCode();
    const QString out = QString::fromLocal8Bit(program.readAllStandardOutput());
    run.out = out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    run.err = QString::fromLocal8Bit(program.readAllStandardError());
    return run;
}

TRun CheckMask(const QString& mask) { return CheckWindowProcess({QStringLiteral("--check-window"), mask}); }

// A 320 x 240 scene: background 6 px behind the picture plane, a near block
// 6 px in front of it that the left edge of an inset window cuts.
scenes::TScene NearBlockAtTheLeft()
{
    scenes::TScene s;
    s.Near = QRect(QPoint(0, 80), QPoint(109, 159));
    return s;
}
const QRect kWindow(QPoint(30, 30), QPoint(290, 210));

} // namespace

TEST(CheckWindowCommand, ViolatedWindowPrintsItsStretchAndExitsWithOne)
{
    QTemporaryDir dir;
    const auto pair = scenes::WritePair(dir, QStringLiteral("block"), NearBlockAtTheLeft());
    const TRun run = CheckMask(scenes::WriteMask(dir, QStringLiteral("plane"), pair, kWindow, 0));
    EXPECT_EQ(run.status, 1) << run.err.toStdString();
    ASSERT_EQ(run.out.size(), 1) << run.out.join(QLatin1Char('|')).toStdString();
    // side, from-x, from-y, to-x, to-y, excess: the left edge at x 30, where
    // the block (rows 80..159) stands 6 px in front of the window at 0. The
    // ends may reach a sample or two past the block's rows.
    const QStringList f = run.out[0].split(QLatin1Char(' '));
    ASSERT_EQ(f.size(), 6);
    EXPECT_EQ(f[0], QStringLiteral("links"));
    EXPECT_EQ(f[1].toInt(), 30);
    EXPECT_EQ(f[3].toInt(), 30);
    const int top = std::min(f[2].toInt(), f[4].toInt()), bottom = std::max(f[2].toInt(), f[4].toInt());
    EXPECT_NEAR(top, 80, 4);
    EXPECT_NEAR(bottom, 159, 4);
    EXPECT_NEAR(f[5].toDouble(), 6.0, 0.6);
    EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString();
}

TEST(CheckWindowCommand, WindowInFrontOfTheNearestSceneIsFreeAndExitsWithZero)
{
    QTemporaryDir dir;
    const auto pair = scenes::WritePair(dir, QStringLiteral("block"), NearBlockAtTheLeft());
    // 4 px in front of the block: nothing to report.
    const TRun run = CheckMask(scenes::WriteMask(dir, QStringLiteral("front"), pair, kWindow, -10));
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.isEmpty()) << run.out.join(QLatin1Char('|')).toStdString();
}

TEST(CheckWindowCommand, PairWithoutTextureCannotBeJudgedAndExitsWithTwo)
{
    QTemporaryDir dir;
    scenes::TScene flat;
    flat.Flat = true;
    const auto pair = scenes::WritePair(dir, QStringLiteral("flat"), flat);
    const TRun run = CheckMask(scenes::WriteMask(dir, QStringLiteral("flat"), pair, kWindow, 0));
    EXPECT_EQ(run.status, 2) << run.err.toStdString();
    EXPECT_TRUE(run.out.isEmpty());
}

TEST(CheckWindowCommand, MissingPictureIsAnErrorOfItsOwnNamingTheFile)
{
    QTemporaryDir dir;
    const auto pair = scenes::WritePair(dir, QStringLiteral("block"), NearBlockAtTheLeft());
    const QString mask = scenes::WriteMask(dir, QStringLiteral("gone"), pair, kWindow, 0);
    ASSERT_TRUE(QFile::remove(pair.second));
    const TRun run = CheckMask(mask);
    EXPECT_EQ(run.status, kCheckWindowErrorStatus);
    EXPECT_TRUE(run.out.isEmpty());
    EXPECT_TRUE(run.err.contains(QStringLiteral("block_R.bmp"))) << run.err.toStdString();
}

TEST(CheckWindowCommand, UnreadableOrMissingMaskIsAnError)
{
    QTemporaryDir dir;
    const QString garbage = dir.filePath(QStringLiteral("garbage.Plenoptrum"));
    {
        QFile file(garbage);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("this is no mask file at all\n");
    }
    TRun run = CheckMask(garbage);
    EXPECT_EQ(run.status, kCheckWindowErrorStatus);
    EXPECT_TRUE(run.err.contains(QStringLiteral("garbage.Plenoptrum"))) << run.err.toStdString();
    // The message box's markup does not reach the terminal.
    EXPECT_FALSE(run.err.contains(QStringLiteral("<FB>"))) << run.err.toStdString();

    run = CheckMask(dir.filePath(QStringLiteral("nowhere.Plenoptrum")));
    EXPECT_EQ(run.status, kCheckWindowErrorStatus);
    EXPECT_TRUE(run.err.contains(QStringLiteral("nowhere.Plenoptrum"))) << run.err.toStdString();
}

TEST(CheckWindowCommand, FurtherFilesOrAMissingNameAreCommandLineErrors)
{
    QTemporaryDir dir;
    const auto pair = scenes::WritePair(dir, QStringLiteral("block"), NearBlockAtTheLeft());
    const QString mask = scenes::WriteMask(dir, QStringLiteral("plane"), pair, kWindow, 0);
    TRun run = CheckWindowProcess({QStringLiteral("--check-window"), mask, pair.first});
    EXPECT_EQ(run.status, kCommandLineErrorStatus);
    EXPECT_TRUE(run.out.isEmpty());
    run = CheckWindowProcess(QStringList{QStringLiteral("--check-window")});
    EXPECT_EQ(run.status, kCommandLineErrorStatus) << run.err.toStdString();
}

TEST(CheckWindowCommand, HelpNamesTheOption)
{
    const TCommandLine help = ParseCommandLine({QStringLiteral("plenoptra"), QStringLiteral("--help")}, "1");
    EXPECT_TRUE(help.Text.contains(QStringLiteral("--check-window <Maskendatei>"))) << help.Text.toStdString();
    const TCommandLine check =
        ParseCommandLine({QStringLiteral("plenoptra"), QStringLiteral("--check-window"), QStringLiteral("m")}, "1");
    EXPECT_EQ(check.Outcome, TCommandLine::clRun);
    EXPECT_EQ(check.Options.value(QStringLiteral("check-window")), QStringLiteral("m"));
    EXPECT_TRUE(check.Files.isEmpty());
}

TEST(CheckWindowCommand, BundledSampleIsFreeUntilItsWindowStandsBehindTheScene)
{
    // The sample mask as the first start writes it: the window 12 px in
    // front, the nearest object (the sign) 9 px.
    QTemporaryDir dir;
    const QString sample = dir.filePath(QStringLiteral("Beispiel.Plenoptrum"));
    const QString samples = QStringLiteral(PLENOPTRA_SAMPLES_DIR);
    QProcess maker;
    maker.start(QStringLiteral(PLENOPTRA_SAMPLE_MAKER),
                {samples + QStringLiteral("/Beispiel_L.jpg"), samples + QStringLiteral("/Beispiel_R.jpg"), sample});
    ASSERT_TRUE(maker.waitForFinished(120000));
    ASSERT_EQ(maker.exitCode(), 0) << maker.readAllStandardError().toStdString();
    TRun run = CheckMask(sample);
    EXPECT_EQ(run.status, 0) << run.err.toStdString() << run.out.join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(run.out.isEmpty());

    // The same mask with one more step: the window moved 20 px back, 8 px
    // behind the picture plane, where the ground at the bottom breaks
    // through it.
    const QString behind = dir.filePath(QStringLiteral("Dahinter.Plenoptrum"));
    {
        TProgramObjects objects;
        THistoryListe& history = *objects.HistoryListe;
        history.LoadFromFile(sample, false);
        THistoryEintrag* entry = history.CurrentEntry();
        ASSERT_NE(entry, nullptr);
        objects.PolygonListe->LoadFromEntry();
        ShiftWindowDepth(*objects.PolygonListe, 20);
        history.Current().R01().LeftFileName = entry->R01().LeftFileName;
        history.Current().R01().RightFileName = entry->R01().RightFileName;
        objects.PolygonListe->SaveToCurrent();
        history.Add(QStringLiteral("Move Z"));
        history.SaveToFile(behind, false);
    }
    run = CheckMask(behind);
    EXPECT_EQ(run.status, 1) << run.err.toStdString();
    ASSERT_FALSE(run.out.isEmpty());
    EXPECT_TRUE(run.out.join(QLatin1Char('|')).contains(QStringLiteral("unten "))) << run.out.join(QLatin1Char('|')).toStdString();
}

// ---------------------------------------------------------------------------
// The functions batch export uses, in the test's own process

TEST(CheckWindowOfMaskFile, LeavesTheCallersObjectsAndMessageHandlerAlone)
{
    QTemporaryDir dir;
    const auto pair = scenes::WritePair(dir, QStringLiteral("block"), NearBlockAtTheLeft());
    const QString mask = scenes::WriteMask(dir, QStringLiteral("plane"), pair, kWindow, 0);
    TProgramObjects mine;
    mine.PolygonListe->AddNode(5, 5, 0);
    int shown = 0;
    const TUserMessageHandler previous = SetUserMessageHandler([&](const QString&, int, unsigned) {
        ++shown;
        return int(mrOk);
    });
    const TMaskWindowCheck result = CheckWindowOfMaskFile(mask);
    EXPECT_TRUE(result.Ok) << result.Error.toStdString();
    EXPECT_EQ(result.Check.Verdict, wvVerletzt);
    EXPECT_EQ(TProgramObjects::Instance(), &mine);
    EXPECT_EQ(PolygonListe()->Count(), 1);
    EXPECT_EQ(mine.LockLeft, -1);
    // A damaged mask's messages are collected, not shown.
    const QString garbage = dir.filePath(QStringLiteral("bad.Plenoptrum"));
    {
        QFile file(garbage);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("Programmhistory:\r\n");
    }
    const TMaskWindowCheck bad = CheckWindowOfMaskFile(garbage);
    EXPECT_FALSE(bad.Ok);
    EXPECT_FALSE(bad.Error.isEmpty());
    EXPECT_EQ(shown, 0);
    SetUserMessageHandler(previous);
}

TEST(CheckWindowOfMaskFile, WarningLineOnlyForAViolatedWindow)
{
    TWindowCheck check;
    check.Verdict = wvVerletzt;
    TWindowViolation v;
    v.Excess = 6.6;
    check.Violations = {v, v};
    EXPECT_EQ(WindowCheckWarning(QStringLiteral("garten"), check),
              QStringLiteral("Warnung: garten: Scheinfenster: 2 Verletzungen, max. 7 px"));
    check.Verdict = wvFrei;
    EXPECT_TRUE(WindowCheckWarning(QStringLiteral("garten"), check).isEmpty());
    check.Verdict = wvUnbekannt;
    EXPECT_TRUE(WindowCheckWarning(QStringLiteral("garten"), check).isEmpty());
}
