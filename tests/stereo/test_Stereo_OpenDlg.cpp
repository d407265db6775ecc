#include "stereo/Stereo_OpenDlg.h"

#include "MpoTestFiles.h"
#include "StereoTestPictures.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QButtonGroup>
#include <QComboBox>
#include <QCoreApplication>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>

namespace {

QString SavePicture(const QTemporaryDir& dir, const QString& name, QRgb colour = qRgb(1, 2, 3), int w = 200,
                    int h = 100, const char* format = "BMP")
{
    EXPECT_TRUE(Solid(w, h, colour).save(dir.filePath(name), format));
    return dir.filePath(name);
}

bool IsRed(const QLineEdit* field) { return field->palette().color(QPalette::Text) == QColor(Qt::red); }

// A drop goes to the widget that accepted the drag's entry, as from the desktop.
void DropOn(QLineEdit* field, const QStringList& files)
{
    QList<QUrl> urls;
    for (const QString& file : files)
        urls << QUrl::fromLocalFile(file);
    QMimeData mime;
    mime.setUrls(urls);
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(field, &enter);
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(field, &drop);
}

} // namespace

TEST(OpenStereoPairing, BrowseOffersExistingRightPartnerOnly)
{
    // The partner's name: "_L" + extension, any case, becomes "_R" + extension.
    EXPECT_EQ(OpenStereoRightCandidate("/p/Bild_l.JPG"), "/p/Bild_R.JPG");
    EXPECT_EQ(OpenStereoRightCandidate("/p/Bild_Links.jpg"), "");
    EXPECT_EQ(OpenStereoRightCandidate("/p/Bild.jpg"), "");
    QTemporaryDir dir;
    const QString left = SavePicture(dir, "Bild_l.JPG"), right = SavePicture(dir, "Bild_R.JPG");
    const QString lonely = SavePicture(dir, "Solo_L.jpg");
    TFormOpenStereo dialog;
    QStringList titles, starts, filters, answers = {left, right};
    dialog.OpenFileHook = [&](const QString& title, const QString& start, const QString& filter) {
        titles << title, starts << start, filters << filter;
        return answers.isEmpty() ? QString() : answers.takeFirst();
    };
    dialog.BitBtnOpenClick();
    EXPECT_EQ(titles, QStringList({"Öffne linkes Bild", "Öffne rechtes Bild"}));
    EXPECT_EQ(starts[1], right);
    EXPECT_EQ(filters, QStringList({kOpenStereoFilterLeft, kOpenStereoFilterRight}));
    EXPECT_EQ(dialog.GetLeftFileName(), left);
    EXPECT_EQ(dialog.GetRightFileName(), right);

    // No Solo_R.jpg: the right dialog starts from the field; cancelling it
    // changes neither field.
    answers = {lonely};
    dialog.BitBtnOpenClick();
    EXPECT_EQ(starts[3], right);
    EXPECT_EQ(dialog.GetLeftFileName(), left);

    dialog.SetLayout(slCross);
    answers = {lonely, "/never/asked.jpg"};
    dialog.BitBtnOpenClick();
    ASSERT_EQ(titles.size(), 5);
    EXPECT_EQ(titles[4], "Öffne Stereobild Kreuzblick (rechts / links)");
    EXPECT_EQ(dialog.GetLeftFileName(), lonely);
    EXPECT_EQ(dialog.GetRightFileName(), "");
}

TEST(OpenStereoFilters, FileDialogShowsTheTextsUnchanged)
{
    const QStringList filters = OpenStereoNameFilters(kOpenStereoFilterLeft);
    ASSERT_EQ(filters.size(), 6);
    EXPECT_EQ(filters[0], "Alle (*.jpg;*.jpeg;*.bmp) (*.jpg *.jpeg *.bmp *.Plenoptrum)");
    QFileDialog fileDialog;
    fileDialog.setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::HideNameFilterDetails);
    fileDialog.setNameFilters(filters);
    auto* combo = fileDialog.findChild<QComboBox*>("fileTypeCombo");
    ASSERT_NE(combo, nullptr);
    QStringList shown;
    for (int i = 0; i < combo->count(); ++i)
        shown << combo->itemText(i);
    EXPECT_EQ(shown, QStringList({"Alle (*.jpg;*.jpeg;*.bmp)", "JPEG-Grafikdatei (*.jpg)", "JPEG-Grafikdatei (*.jpeg)",
                                  "Bitmaps (*.bmp)", "Plenoptra", "Stereokamera (*.mpo;*.jps)"}));
    // The camera files join at the end; every older entry is as it was.
    EXPECT_EQ(filters[5], "Stereokamera (*.mpo;*.jps) (*.mpo *.jps)");
    EXPECT_EQ(OpenStereoNameFilters(kOpenStereoFilterRight).size(), 4);
}

TEST(OpenStereoCameraFiles, ChoosingAnMpoFillsBothFieldsAndAJpsTheCrossedLayout)
{
    QTemporaryDir dir;
    const QString mpo = dir.filePath("Kamera.mpo");
    {
        QFile file(mpo);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(MakeMpo(SolidJpeg(40, 30, 0xFFC00000), SolidJpeg(40, 30, 0xFF0000C0)).File);
    }
    const QString jps = dir.filePath("Brille.jps");
    {
        QFile file(jps);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(SolidJpeg(80, 30, 0xFF808080));
    }
    TFormOpenStereo dialog;
    dialog.SetLayout(slOverUnder);
    QStringList answers = {mpo}, titles;
    dialog.OpenFileHook = [&](const QString& title, const QString&, const QString&) {
        titles << title;
        return answers.isEmpty() ? QString() : answers.takeFirst();
    };
    dialog.BitBtnOpenClick();
    // No second question: the file holds the right picture too.
    EXPECT_EQ(titles.size(), 1);
    EXPECT_EQ(dialog.GetLayout(), slSeparate);
    EXPECT_EQ(dialog.GetLeftFileName(), mpo);
    EXPECT_EQ(dialog.GetRightFileName(), mpo);
    EXPECT_FALSE(IsRed(dialog.EditFileName_R)); // the same name twice is right here
    EXPECT_TRUE(dialog.EditFileName_R->isVisibleTo(&dialog));
    // The preview loads the two pictures of the file.
    ASSERT_TRUE(dialog.TimerStartPreview->isActive());
    dialog.TimerStartPreviewTimer();
    EXPECT_EQ(dialog.LoadError(), QString());
    EXPECT_GT(qRed(dialog.PreviewLeft.Image.pixel(20, 15)), 180);
    EXPECT_GT(qBlue(dialog.PreviewRight.Image.pixel(20, 15)), 180);

    // The user picks a one-file layout (the fields keep their names), then
    // the same camera file again: the pair comes back and its preview is
    // loaded anew, though neither name changed.
    dialog.PictureFormatButtons->button(slRedCyan)->click();
    dialog.TimerStartPreviewTimer();
    EXPECT_LT(qBlue(dialog.PreviewRight.Image.pixel(20, 15)), 100); // the red picture's green and blue
    answers = {mpo};
    dialog.BitBtnOpenClick();
    EXPECT_EQ(dialog.GetLayout(), slSeparate);
    EXPECT_EQ(dialog.GetRightFileName(), mpo);
    ASSERT_TRUE(dialog.TimerStartPreview->isActive());
    dialog.TimerStartPreviewTimer();
    EXPECT_GT(qBlue(dialog.PreviewRight.Image.pixel(20, 15)), 180);

    answers = {jps};
    dialog.BitBtnOpenClick();
    EXPECT_EQ(dialog.GetLayout(), slCross);
    EXPECT_EQ(dialog.GetLeftFileName(), jps);
    EXPECT_EQ(dialog.GetRightFileName(), QString());

    // Dropped, a camera file does the same, whichever field it lands on.
    DropOn(dialog.EditFileName_L, {dir.filePath("missing.bmp"), mpo});
    EXPECT_EQ(dialog.GetLayout(), slSeparate);
    EXPECT_EQ(dialog.GetLeftFileName(), mpo);
    EXPECT_EQ(dialog.GetRightFileName(), mpo);
}

TEST(OpenStereoFields, MissingOrDuplicateFileIsRed)
{
    QTemporaryDir dir;
    TFormOpenStereo dialog;
    dialog.SetLeftFileName(SavePicture(dir, "a.bmp"));
    dialog.SetRightFileName(dir.filePath("gone.bmp"));
    EXPECT_FALSE(IsRed(dialog.EditFileName_L));
    EXPECT_TRUE(IsRed(dialog.EditFileName_R));
    EXPECT_EQ(dialog.EditFileName_R->toolTip(), dir.filePath("gone.bmp"));
    // Both exist, but the names differ only in case: still one file.
    dialog.SetRightFileName(SavePicture(dir, "A.BMP"));
    EXPECT_TRUE(IsRed(dialog.EditFileName_R));
    dialog.SetRightFileName(SavePicture(dir, "b.bmp"));
    EXPECT_FALSE(IsRed(dialog.EditFileName_R));
    EXPECT_FALSE(IsRed(dialog.EditFileName_L));
}

TEST(OpenStereoLayout, SingleFileLayoutHidesRightSideAndEmptiesIt)
{
    TFormOpenStereo dialog;
    EXPECT_EQ(dialog.PictureFormatButtons->button(3)->text(), "Stereobild KMQ (rechte Bild  oben)");
    dialog.SetRightFileName("/p/right.jpg");
    EXPECT_EQ(dialog.BitBtnOpen->y(), 33);
    EXPECT_EQ(dialog.ProgressBar1->y(), 16);
    dialog.SetLayout(slRedCyan);
    EXPECT_TRUE(dialog.EditFileName_R->isHidden());
    EXPECT_TRUE(dialog.BitBtnChangePict->isHidden());
    EXPECT_EQ(dialog.LabelFileName_L->text(), "Stereobild:");
    EXPECT_EQ(dialog.BitBtnOpen->toolTip(), "Öffne Stereobild Anaglyph - rot / cyan");
    EXPECT_EQ(dialog.BitBtnOpen->y(), 16);
    EXPECT_EQ(dialog.ProgressBar1->y(), 52);
    dialog.SetLeftFileName("/p/anaglyph.jpg");
    EXPECT_EQ(dialog.GetRightFileName(), "");

    dialog.SetLayout(slSeparate);
    EXPECT_FALSE(dialog.EditFileName_R->isHidden());
    EXPECT_EQ(dialog.LabelFileName_L->text(), "linkes Bild:");
}

TEST(OpenStereoTimer, PresettingStartsNoPreviewButTypingDoes)
{
    TFormOpenStereo dialog;
    dialog.SetLayout(slParallel);
    dialog.SetLeftFileName("/p/x.jpg");
    EXPECT_FALSE(dialog.TimerStartPreview->isActive());
    dialog.SetLayout(42); // ignored
    EXPECT_EQ(dialog.GetLayout(), slParallel);
    dialog.EditFileName_L->setText("/p/y.jpg");
    EXPECT_TRUE(dialog.TimerStartPreview->isActive());
    EXPECT_EQ(dialog.TimerStartPreview->interval(), 1000);
    dialog.TimerStartPreviewTimer();
    EXPECT_FALSE(dialog.TimerStartPreview->isActive());
    EXPECT_EQ(dialog.TimerStartPreview->interval(), 500);
    dialog.PictureFormatButtons->button(slOverUnder)->click();
    EXPECT_TRUE(dialog.TimerStartPreview->isActive());
}

TEST(OpenStereoDrop, FurtherFilesGoToTheOtherFieldOnlyInPairLayout)
{
    QTemporaryDir dir;
    const QString a = SavePicture(dir, "a.bmp"), b = SavePicture(dir, "b.bmp");
    TFormOpenStereo dialog;
    DropOn(dialog.EditFileName_L, {dir.filePath("missing.bmp"), a, b});
    EXPECT_EQ(dialog.GetLeftFileName(), a);
    EXPECT_EQ(dialog.GetRightFileName(), b);
    EXPECT_TRUE(dialog.TimerStartPreview->isActive());

    dialog.SetLayout(slParallel);
    DropOn(dialog.EditFileName_L, {b, a});
    EXPECT_EQ(dialog.GetLeftFileName(), b);
    EXPECT_EQ(dialog.GetRightFileName(), "");
}

TEST(OpenStereoPreview, EachModeBuildsItsPictureAtTheFittedSize)
{
    TFormOpenStereo dialog;
    const QRgb L = qRgb(200, 50, 30), R = qRgb(10, 120, 240);
    dialog.PreviewLeft = TBitmap{Solid(200, 100, L)};
    dialog.PreviewRight = TBitmap{Solid(200, 100, R)};
    const QRgb background = dialog.palette().color(QPalette::Window).rgb() | 0xFF000000u;
    // Cross, right first: 400 x 100 fits the area less the gap (400 x 300) exactly.
    const QImage cross = dialog.MakePreview(QSize(410, 300));
    ASSERT_EQ(cross.size(), QSize(410, 100));
    EXPECT_TRUE(PixelsAre(cross, {{0, 0, R}, {200, 0, background}, {209, 99, background}, {210, 0, L}}));
    dialog.ActionParallel->trigger();
    EXPECT_FALSE(dialog.ActionKreuz->isChecked());
    const QImage parallel = dialog.MakePreview(QSize(210, 300)); // halves of 100 x 50
    ASSERT_EQ(parallel.size(), QSize(210, 50));
    EXPECT_TRUE(PixelsAre(parallel, {{50, 25, L}, {160, 25, R}}));
    // Red-cyan mixes; grey(200, 50, 30) = 92.57, grey(10, 120, 240) = 100.79.
    const std::pair<QAction*, QRgb> anaglyphs[] = {{dialog.ActionAnaglyphe_Farb, qRgb(200, 120, 240)},
                                                   {dialog.ActionAnaglyphe_sw, qRgb(93, 101, 101)},
                                                   {dialog.ActionAnaglyphe_Halb, qRgb(93, 120, 240)}};
    for (auto [action, mixed] : anaglyphs) {
        action->trigger();
        const QImage preview = dialog.MakePreview(QSize(100, 100));
        ASSERT_EQ(preview.size(), QSize(100, 50));
        EXPECT_TRUE(PixelsAre(preview, {{50, 25, mixed}})) << action->objectName().toStdString();
    }
    dialog.PreviewRight = TBitmap();
    EXPECT_TRUE(dialog.MakePreview(QSize(100, 100)).isNull());
}

TEST(OpenStereoLoading, SwapReloadsAtOnce)
{
    QTemporaryDir dir;
    TFormOpenStereo dialog;
    // Room for the pictures at their own size: the preview reads nothing
    // smaller then.
    dialog.ImagePreview->resize(400, 200);
    dialog.SetLeftFileName(SavePicture(dir, "rot.bmp", qRgb(255, 0, 0)));
    const QString blue = SavePicture(dir, "blau.jpg", qRgb(0, 0, 255), 200, 100, "JPEG");
    dialog.SetRightFileName(blue);
    dialog.BitBtnChangePictClick();
    EXPECT_EQ(dialog.GetLeftFileName(), blue);
    EXPECT_FALSE(dialog.TimerStartPreview->isActive());
    ASSERT_EQ(dialog.PreviewRight.Image.size(), QSize(200, 100));
    EXPECT_TRUE(PixelsAre(dialog.PreviewRight.Image, {{100, 50, qRgb(255, 0, 0)}}));
    EXPECT_GT(qBlue(dialog.PreviewLeft.Image.pixel(100, 50)), 245);
    EXPECT_EQ(dialog.ProgressBar1->value(), 0);
}

TEST(OpenStereoLoading, BrokenFileShowsErrorAndMissingFileKeepsPreview)
{
    QTemporaryDir dir;
    const QString broken = dir.filePath("kaputt.jpg");
    QFile file(broken);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write("kein Bild, nur Text") > 0);
    file.close();
    TFormOpenStereo dialog;
    dialog.ImagePreview->resize(400, 200);
    dialog.SetLayout(slParallel);
    dialog.SetLeftFileName(broken);
    EXPECT_NO_THROW(dialog.TimerStartPreviewTimer());
    EXPECT_FALSE(dialog.LoadError().isEmpty());
    EXPECT_EQ(dialog.ImagePreview->text(), dialog.LoadError());

    dialog.SetLeftFileName(SavePicture(dir, "gut.bmp", qRgb(0, 255, 0), 400, 100));
    dialog.TimerStartPreviewTimer();
    EXPECT_TRUE(dialog.LoadError().isEmpty());
    EXPECT_EQ(dialog.PreviewLeft.Image.size(), QSize(200, 100));
    const QImage shown = dialog.ShownPreview();
    dialog.SetLeftFileName(dir.filePath("weg.jpg"));
    dialog.TimerStartPreviewTimer();
    EXPECT_EQ(dialog.PreviewLeft.Image.size(), QSize(200, 100));
    EXPECT_EQ(dialog.ShownPreview(), shown);
}

TEST(OpenStereoModal, OkAndAbortEndTheDialog)
{
    TFormOpenStereo dialog;
    EXPECT_EQ(dialog.windowTitle(), "Öffne Strereobild");
    QTimer::singleShot(0, &dialog, [&] { dialog.BitBtnOk->click(); });
    EXPECT_TRUE(dialog.Execute());
    QTimer::singleShot(0, &dialog, [&] { dialog.BitBtnAbort->click(); });
    EXPECT_FALSE(dialog.Execute());
}
