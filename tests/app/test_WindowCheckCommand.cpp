// `plenoptra --check-window MASK`: the program started as a process without
// any display, on small scenes with a known near object; and the functions
// behind it that batch export calls.
#include "app/CheckWindowCommand.h"
#include "app/CommandLine.h"

#include "WindowCheckScenes.h"

#include <gtest/gtest.h>

#include "AppFixture.h"

namespace {

// A 320 x 240 scene: background 6 px behind the picture plane, a near block
// 6 px in front of it that the left edge of an inset window cuts.
scenes::TScene NearBlockAtTheLeft()
{
    scenes::TScene s;
    s.Near = QRect(QPoint(0, 80), QPoint(109, 159));
    return s;
}
const QRect kWindow(QPoint(30, 30), QPoint(290, 210));

TProcessRun CheckWindow(const QStringList& arguments)
{
    return RunWithoutDisplay(QStringLiteral(PLENOPTRA_EXE), QStringList{QStringLiteral("--check-window")} + arguments);
}

} // namespace

TEST(CheckWindowCommand, ExitStatusIsTheVerdictOrTheKindOfError)
{
    QTemporaryDir dir;
    const auto block = scenes::WritePair(dir, QStringLiteral("block"), NearBlockAtTheLeft());
    scenes::TScene flat;
    flat.Flat = true;
    const auto gone = scenes::WritePair(dir, QStringLiteral("gone"), NearBlockAtTheLeft());
    const QString goneMask = scenes::WriteMask(dir, QStringLiteral("gone"), gone, kWindow, 0);
    ASSERT_TRUE(QFile::remove(gone.second));
    const QString plane = scenes::WriteMask(dir, QStringLiteral("plane"), block, kWindow, 0);
    const QString garbage = WriteFile(dir.filePath(QStringLiteral("garbage.Plenoptrum")), "no mask file at all\n");
    const struct {
        const char* title;
        QStringList arguments;
        int status;
        const char* inError; // a text the error output names
    } cases[] = {
        // 4 px in front of the block: nothing to report.
        {"free", {scenes::WriteMask(dir, QStringLiteral("front"), block, kWindow, -10)}, 0, ""},
        {"no texture: cannot tell",
         {scenes::WriteMask(dir, QStringLiteral("flat"), scenes::WritePair(dir, QStringLiteral("flat"), flat), kWindow, 0)},
         2, ""},
        {"missing picture", {goneMask}, kCheckWindowErrorStatus, "gone_R.bmp"},
        {"unreadable mask", {garbage}, kCheckWindowErrorStatus, "garbage.Plenoptrum"},
        {"missing mask", {dir.filePath(QStringLiteral("nowhere.Plenoptrum"))}, kCheckWindowErrorStatus,
         "nowhere.Plenoptrum"},
        {"further files", {plane, block.first}, kCommandLineErrorStatus, ""},
        {"no mask named", {}, kCommandLineErrorStatus, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.title);
        const TProcessRun run = CheckWindow(c.arguments);
        EXPECT_EQ(run.status, c.status) << run.err.toStdString();
        EXPECT_EQ(run.out, QString());
        EXPECT_TRUE(run.err.contains(QString::fromUtf8(c.inError))) << run.err.toStdString();
        // The message box's markup does not reach the terminal.
        EXPECT_FALSE(run.err.contains(QStringLiteral("<FB>"))) << run.err.toStdString();
    }

    // Violated: one line per stretch, side, from-x, from-y, to-x, to-y,
    // excess: the left edge at x 30, where the block (rows 80..159) stands
    // 6 px in front of the window at 0. The ends may reach a sample or two
    // past the block's rows.
    const TProcessRun run = CheckWindow({plane});
    EXPECT_EQ(run.status, 1) << run.err.toStdString();
    EXPECT_EQ(run.err, QString());
    ASSERT_EQ(run.Lines().size(), 1) << run.out.toStdString();
    const QStringList f = run.Lines()[0].split(QLatin1Char(' '));
    ASSERT_EQ(f.size(), 6);
    EXPECT_EQ(f[0], QStringLiteral("links"));
    EXPECT_EQ(f[1].toInt(), 30);
    EXPECT_EQ(f[3].toInt(), 30);
    EXPECT_NEAR(std::min(f[2].toInt(), f[4].toInt()), 80, 4);
    EXPECT_NEAR(std::max(f[2].toInt(), f[4].toInt()), 159, 4);
    EXPECT_NEAR(f[5].toDouble(), 6.0, 0.6);
}

TEST(CheckWindowCommand, HelpNamesTheOptionAndItTakesTheMaskAsItsValue)
{
    const TCommandLine help = ParseCommandLine({QStringLiteral("plenoptra"), QStringLiteral("--help")}, "1");
    EXPECT_TRUE(help.Text.contains(QStringLiteral("--check-window <Maskendatei>"))) << help.Text.toStdString();
    const TCommandLine check =
        ParseCommandLine({QStringLiteral("plenoptra"), QStringLiteral("--check-window"), QStringLiteral("m")}, "1");
    EXPECT_EQ(check.Outcome, TCommandLine::clRun);
    EXPECT_EQ(check.Options.value(QStringLiteral("check-window")), QStringLiteral("m"));
    EXPECT_TRUE(check.Files.isEmpty());
}

// ---------------------------------------------------------------------------
// The functions batch export uses, in the test's own process

TEST(CheckWindowOfMaskFile, LeavesTheCallersObjectsAndMessageHandlerAlone)
{
    QTemporaryDir dir;
    const auto pair = scenes::WritePair(dir, QStringLiteral("block"), NearBlockAtTheLeft());
    TProgramObjects mine;
    mine.PolygonListe->AddNode(5, 5, 0);
    TMessageRecorder messages;
    const TMaskWindowCheck result = CheckWindowOfMaskFile(scenes::WriteMask(dir, QStringLiteral("plane"), pair, kWindow, 0));
    EXPECT_TRUE(result.Ok) << result.Error.toStdString();
    EXPECT_EQ(result.Check.Verdict, wvVerletzt);
    EXPECT_EQ(TProgramObjects::Instance(), &mine);
    EXPECT_EQ(PolygonListe()->Count(), 1);
    EXPECT_EQ(mine.LockLeft, -1);
    // A damaged mask's messages are collected, not shown.
    const TMaskWindowCheck bad =
        CheckWindowOfMaskFile(WriteFile(dir.filePath(QStringLiteral("bad.Plenoptrum")), "Programmhistory:\r\n"));
    EXPECT_FALSE(bad.Ok);
    EXPECT_FALSE(bad.Error.isEmpty());
    EXPECT_EQ(messages.count, 0);
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
    for (const TWindowVerdict verdict : {wvFrei, wvUnbekannt}) {
        check.Verdict = verdict;
        EXPECT_EQ(WindowCheckWarning(QStringLiteral("garten"), check), QString());
    }
}
