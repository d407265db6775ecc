// The names the save dialog proposes and the check before writing.
#include "stereo/StereoSaveNames.h"

#include <gtest/gtest.h>

#include <QSet>

namespace {

struct TNameCase {
    const char* Given;
    int Mode, Layout, Kind, Type;
    const char* Mask;
    const char* Left;
    const char* Right;
};

} // namespace

TEST(SaveNames, ProposalsForEveryLayoutKindAndMode)
{
    const TNameCase cases[] = {
        // A proposed name yields its base again: layout 1's name gives layout 3's.
        {"/b/Haus_MaskStereoBild_LR.jpg", 1, 3, 0, 0, "/b/Haus_Plenoptrum.Plenoptrum",
         "/b/Haus_MaskStereoBild_KMQ.jpg", "/b/Haus_MaskStereoBild_KMQ.jpg"},
        {"/b/Haus.jpg", 1, 0, 0, 0, "/b/Haus_Plenoptrum.Plenoptrum", "/b/Haus_MaskStereoBild_L.jpg",
         "/b/Haus_MaskStereoBild_R.jpg"},
        {"/b/Haus.jpg", 1, 1, 0, 1, "/b/Haus_Plenoptrum.Plenoptrum", "/b/Haus_MaskStereoBild_LR.bmp",
         "/b/Haus_MaskStereoBild_LR.bmp"},
        {"/b/Haus.jpg", 1, 2, 0, 0, "/b/Haus_Plenoptrum.Plenoptrum", "/b/Haus_MaskStereoBild_RL.jpg",
         "/b/Haus_MaskStereoBild_RL.jpg"},
        {"/b/Haus.jpg", 1, 4, 1, 0, "/b/Haus_Plenoptrum.Plenoptrum", "/b/Haus_MaskStereoBild_Ana_RC_h.jpg",
         "/b/Haus_MaskStereoBild_Ana_RC_h.jpg"},
        {"/b/Haus.jpg", 1, 5, 0, 0, "/b/Haus_Plenoptrum.Plenoptrum", "/b/Haus_MaskStereoBild_Ana_YB_c.jpg",
         "/b/Haus_MaskStereoBild_Ana_YB_c.jpg"},
        // Layouts 6 and 7 are always grey, whatever kind is asked for.
        {"/b/Haus.jpg", 1, 6, 0, 0, "/b/Haus_Plenoptrum.Plenoptrum", "/b/Haus_MaskStereoBild_Ana_RB_g.jpg",
         "/b/Haus_MaskStereoBild_Ana_RB_g.jpg"},
        {"/b/Haus.jpg", 1, 7, 1, 1, "/b/Haus_Plenoptrum.Plenoptrum", "/b/Haus_MaskStereoBild_Ana_RG_g.bmp",
         "/b/Haus_MaskStereoBild_Ana_RG_g.bmp"},
        // Mask pictures carry the mask's word.
        {"/b/Haus_Plenoptrum.Plenoptrum", 0, 0, 0, 1, "/b/Haus_Plenoptrum.Plenoptrum", "/b/Haus_Plenoptrum_L.bmp",
         "/b/Haus_Plenoptrum_R.bmp"},
        // Letter case does not matter for the reduction.
        {"/b/haus_l.JPG", 1, 0, 0, 0, "/b/haus_Plenoptrum.Plenoptrum", "/b/haus_MaskStereoBild_L.jpg",
         "/b/haus_MaskStereoBild_R.jpg"},
        // An anaglyph name keeps its kind part, so the picture word repeats.
        {"/b/Haus_MaskStereoBild_Ana_RC_h.jpg", 1, 4, 1, 0, "/b/Haus_MaskStereoBild_Ana_RC_h_Plenoptrum.Plenoptrum",
         "/b/Haus_MaskStereoBild_Ana_RC_h_MaskStereoBild_Ana_RC_h.jpg",
         "/b/Haus_MaskStereoBild_Ana_RC_h_MaskStereoBild_Ana_RC_h.jpg"},
        // Dots inside the name stay; the extension goes on behind them.
        {"/b/IMG_2024.05.01.jpg", 1, 0, 0, 0, "/b/IMG_2024.05.01_Plenoptrum.Plenoptrum",
         "/b/IMG_2024.05.01_MaskStereoBild_L.jpg", "/b/IMG_2024.05.01_MaskStereoBild_R.jpg"},
        // A dot in a folder is no extension.
        {"/b.alt/Haus", 1, 1, 0, 0, "/b.alt/Haus_Plenoptrum.Plenoptrum", "/b.alt/Haus_MaskStereoBild_LR.jpg",
         "/b.alt/Haus_MaskStereoBild_LR.jpg"},
        {"  ", 1, 1, 0, 0, "", "", ""},
    };
    for (const TNameCase& c : cases) {
        const TSaveNames names = ProposeSaveNames(QString::fromUtf8(c.Given), c.Mode, c.Layout, c.Kind, c.Type);
        EXPECT_EQ(names.Mask, QString::fromUtf8(c.Mask)) << c.Given;
        EXPECT_EQ(names.Left, QString::fromUtf8(c.Left)) << c.Given << " layout " << c.Layout;
        EXPECT_EQ(names.Right, QString::fromUtf8(c.Right)) << c.Given << " layout " << c.Layout;
    }
}

TEST(SaveNames, EveryProposedMaskAndSideBySideNameGivesItsBaseBack)
{
    for (int mode : {0, 1})
        for (int layout = 0; layout <= 3; ++layout) {
            const TSaveNames first = ProposeSaveNames("/b/Haus.bmp", mode, layout, 0, 0);
            for (const QString& name : {first.Mask, first.Left, first.Right})
                EXPECT_EQ(SaveBaseName(name), "/b/Haus.") << name.toStdString();
        }
    EXPECT_EQ(ChangeFileExt("/b/Haus.", "_x.y"), "/b/Haus_x.y");
    EXPECT_EQ(ChangeFileExt("/b/Haus", ".jpg"), "/b/Haus.jpg");
}

namespace {

// The check over names that exist when they are listed.
TSaveCheck Check(const QSet<QString>& existing, TSaveFileState mask, TSaveFileState left, TSaveFileState right,
                 int layout)
{
    return CheckSaveFiles(mask, left, right, layout, [&](const QString& name) { return existing.contains(name); });
}

} // namespace

TEST(SaveCheck, NewFilesAreWrittenWithoutAQuestion)
{
    const TSaveCheck pair = Check({}, {"m"}, {"l"}, {"r"}, 0);
    EXPECT_FALSE(pair.Message);
    EXPECT_EQ(pair.Tags, (std::array<int, 3>{1, 1, 1}));
    // A side-by-side layout writes one picture: the right name is not used.
    const TSaveCheck one = Check({"r"}, {"m"}, {"l"}, {"r"}, 1);
    EXPECT_FALSE(one.Message);
    EXPECT_EQ(one.Tags, (std::array<int, 3>{1, 1, 0}));
    // An empty name is not refused here; writing it is what fails.
    const TSaveCheck empty = Check({}, {""}, {"l"}, {"r"}, 0);
    EXPECT_FALSE(empty.Message);
    EXPECT_EQ(empty.Tags[0], 1);
}

TEST(SaveCheck, ExistingFileIsSkippedUnlessItsBoxIsCheckedAndTheUserIsAsked)
{
    const TSaveCheck skipped = Check({"m"}, {"m"}, {"l"}, {"r"}, 0);
    ASSERT_TRUE(skipped.Message);
    EXPECT_EQ(skipped.Kind, 0);
    EXPECT_EQ(skipped.Tags, (std::array<int, 3>{0, 1, 1}));
    EXPECT_EQ(skipped.Text, "<FB><c4><FS12>Warnung!<FN><LF>"
                            "Die <FB><c3>rot<FN> gekennzeichneten Dateien werden <FB>nicht gespeichert.<FN><LF>"
                            " <LF><c3>m<FN><LF><c5>l<FN><LF><c5>r<FN><LF> <LF>"
                            "<FB>Möchten sie das Speichern fortsetzen?<LF> <LF> ");

    const TSaveCheck overwritten = Check({"l", "r"}, {"m"}, {"l", true}, {"r"}, 0);
    ASSERT_TRUE(overwritten.Message);
    EXPECT_EQ(overwritten.Tags, (std::array<int, 3>{1, 1, 0}));
    EXPECT_EQ(overwritten.Text, "<FB><c4><FS12>Warnung!<FN><LF>" + kResNotSaved + kResOverwritten +
                                    " <LF><c5>m<FN><LF><c4>l<FN><LF><c3>r<FN><LF> <LF>" + kResContinue);
}

TEST(SaveCheck, EqualLeftAndRightNamesAreNeitherWritten)
{
    const TSaveCheck equal = Check({}, {"m"}, {" /a/X.jpg"}, {"/a/x.JPG "}, 0);
    ASSERT_TRUE(equal.Message);
    EXPECT_EQ(equal.Kind, 0);
    EXPECT_EQ(equal.Tags, (std::array<int, 3>{1, 0, 0}));
    EXPECT_EQ(equal.Text, kResWarningHead + kResEqualNames + kResNotSaved +
                              " <LF><c5>m<FN><LF><c3> /a/X.jpg<FN><LF><c3>/a/x.JPG <FN><LF> <LF>" + kResContinue);
    // With the mask skipped as well nothing is left to write: an error.
    const TSaveCheck nothing = Check({"m"}, {"m"}, {"a"}, {"A"}, 0);
    ASSERT_TRUE(nothing.Message);
    EXPECT_EQ(nothing.Kind, 1);
    EXPECT_EQ(nothing.Tags, (std::array<int, 3>{0, 0, 0}));
    EXPECT_EQ(nothing.Text, "<FB><c3><FS12>Fehler!<FN><LF>" + kResEqualNames + kResNotSaved +
                                " <LF><c3>m<FN><LF><c3>a<FN><LF><c3>A<FN><LF> <LF>" +
                                "<FB>Es können keine Dateien gespeichert werden!<LF> <LF> ");
    // Equal names matter only where two files are written.
    EXPECT_FALSE(Check({}, {"m"}, {"a"}, {"a"}, 2).Message);
}
