#include "stereo/Stereo_OpenDlg.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>

namespace {

QString SavePicture(const QTemporaryDir& dir, const QString& name, QRgb colour, int w = 200, int h = 100,
                    const char* format = "BMP")
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(colour);
    const QString path = dir.filePath(name);
    EXPECT_TRUE(image.save(path, format));
    return path;
}

QString SaveBytes(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return path;
}

TBitmap Solid(int w, int h, QRgb colour)
{
    TBitmap bitmap;
    bitmap.Image = QImage(w, h, QImage::Format_RGB32);
    bitmap.Image.fill(colour);
    return bitmap;
}

bool IsRed(const QLineEdit* field) { return field->palette().color(QPalette::Text) == QColor(Qt::red); }

QRgb At(const QImage& image, int x, int y) { return image.pixel(x, y) | 0xFF000000u; }

// Records every file-dialog request and answers from a script.
struct TDialogScript {
    struct TCall {
        QString Title, Start, Filter;
    };
    QVector<TCall> Calls;
    QStringList Answers;

    void Install(TFormOpenStereo& dialog)
    {
        dialog.OpenFileHook = [this](const QString& title, const QString& start, const QString& filter) {
            Calls.push_back({title, start, filter});
            return Answers.isEmpty() ? QString() : Answers.takeFirst();
        };
    }
};

void DropOn(QLineEdit* field, const QStringList& files)
{
    QList<QUrl> urls;
    for (const QString& file : files)
        urls << QUrl::fromLocalFile(file);
    QMimeData mime;
    mime.setUrls(urls);
    // The drop goes to the widget that accepted the drag's entry, as in a
    // real drag from the desktop.
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(field, &enter);
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(field, &drop);
}

} // namespace

TEST(OpenStereoTexts, CaptionLayoutListAndPreviewActions)
{
    TFormOpenStereo dialog;
    EXPECT_EQ(dialog.windowTitle(), QString::fromUtf8("Öffne Strereobild"));
    EXPECT_EQ(dialog.minimumSize(), QSize(400, 400));
    EXPECT_EQ(dialog.GetLayout(), 0);
    EXPECT_EQ(dialog.PictureFormatButtons->button(3)->text(), QString::fromUtf8("Stereobild KMQ (rechte Bild  oben)"));
    EXPECT_EQ(dialog.PictureFormatButtons->button(7)->text(), QString::fromUtf8("Anaglyph - rot / grün"));
    EXPECT_TRUE(dialog.ActionKreuz->isChecked());
    EXPECT_EQ(dialog.ActionAnaglyphe_Halb->shortcut(), QKeySequence(Qt::ALT | Qt::Key_H));
    dialog.ActionAnaglyphe_sw->trigger();
    EXPECT_FALSE(dialog.ActionKreuz->isChecked());
    EXPECT_EQ(dialog.ActionAnaglyphe_sw->text(), QString::fromUtf8("Grau - Anaglyph"));
}

TEST(OpenStereoPairing, RightCandidateReplacesSuffixIgnoringCase)
{
    EXPECT_EQ(OpenStereoRightCandidate("/p/Bild_l.JPG"), "/p/Bild_R.JPG");
    EXPECT_EQ(OpenStereoRightCandidate("/p/Bild_L.jpg"), "/p/Bild_R.jpg");
    EXPECT_EQ(OpenStereoRightCandidate("/p/Bild_Links.jpg"), "");
    EXPECT_EQ(OpenStereoRightCandidate("/p/Bild.jpg"), "");
}

TEST(OpenStereoPairing, BrowseOffersExistingRightPartner)
{
    QTemporaryDir dir;
    const QString left = SavePicture(dir, "Bild_l.JPG", qRgb(255, 0, 0));
    const QString right = SavePicture(dir, "Bild_R.JPG", qRgb(0, 0, 255));
    TFormOpenStereo dialog;
    TDialogScript script;
    script.Install(dialog);
    script.Answers = {left, right};
    dialog.BitBtnOpenClick();
    ASSERT_EQ(script.Calls.size(), 2);
    EXPECT_EQ(script.Calls[0].Title, QString::fromUtf8("Öffne linkes Bild"));
    EXPECT_EQ(script.Calls[0].Filter, QString::fromUtf8(kOpenStereoFilterLeft));
    EXPECT_EQ(script.Calls[1].Title, QString::fromUtf8("Öffne rechtes Bild"));
    EXPECT_EQ(script.Calls[1].Start, right);
    EXPECT_EQ(script.Calls[1].Filter, QString::fromUtf8(kOpenStereoFilterRight));
    EXPECT_EQ(dialog.GetLeftFileName(), left);
    EXPECT_EQ(dialog.GetRightFileName(), right);
    EXPECT_TRUE(dialog.TimerStartPreview->isActive());
}

TEST(OpenStereoPairing, MissingPartnerKeepsRightFieldAsStart)
{
    QTemporaryDir dir;
    const QString left = SavePicture(dir, "Bild_L.jpg", qRgb(255, 0, 0));
    TFormOpenStereo dialog;
    dialog.SetRightFileName("/elsewhere/old.jpg");
    TDialogScript script;
    script.Install(dialog);
    script.Answers = {left}; // the right dialog is cancelled
    dialog.BitBtnOpenClick();
    ASSERT_EQ(script.Calls.size(), 2);
    EXPECT_EQ(script.Calls[1].Start, "/elsewhere/old.jpg");
    EXPECT_EQ(dialog.GetLeftFileName(), "");
    EXPECT_EQ(dialog.GetRightFileName(), "/elsewhere/old.jpg");
}

TEST(OpenStereoPairing, SingleFileLayoutAsksOnceWithLayoutTitle)
{
    QTemporaryDir dir;
    const QString file = SavePicture(dir, "Kreuz_L.jpg", qRgb(255, 0, 0));
    SavePicture(dir, "Kreuz_R.jpg", qRgb(0, 0, 255));
    TFormOpenStereo dialog;
    dialog.SetLayout(slCross);
    TDialogScript script;
    script.Install(dialog);
    script.Answers = {file, "/never/asked.jpg"};
    dialog.BitBtnOpenClick();
    ASSERT_EQ(script.Calls.size(), 1);
    EXPECT_EQ(script.Calls[0].Title, QString::fromUtf8("Öffne Stereobild Kreuzblick (rechts / links)"));
    EXPECT_EQ(dialog.GetLeftFileName(), file);
    EXPECT_EQ(dialog.GetRightFileName(), "");
}

TEST(OpenStereoFilters, FileDialogShowsTheTextsUnchanged)
{
    const QStringList filters = OpenStereoNameFilters(QString::fromUtf8(kOpenStereoFilterLeft));
    ASSERT_EQ(filters.size(), 5);
    EXPECT_EQ(filters[0], "Alle (*.jpg;*.jpeg;*.bmp) (*.jpg *.jpeg *.bmp *.Plenoptrum)");
    EXPECT_EQ(filters[4], "Plenoptra (*.Plenoptrum)");

    QFileDialog fileDialog;
    fileDialog.setOption(QFileDialog::DontUseNativeDialog);
    fileDialog.setOption(QFileDialog::HideNameFilterDetails);
    fileDialog.setNameFilters(filters);
    auto* combo = fileDialog.findChild<QComboBox*>("fileTypeCombo");
    ASSERT_NE(combo, nullptr);
    QStringList shown;
    for (int i = 0; i < combo->count(); ++i)
        shown << combo->itemText(i);
    EXPECT_EQ(shown, QStringList({"Alle (*.jpg;*.jpeg;*.bmp)", "JPEG-Grafikdatei (*.jpg)", "JPEG-Grafikdatei (*.jpeg)",
                                  "Bitmaps (*.bmp)", "Plenoptra"}));
}

TEST(OpenStereoFields, MissingFileIsRedAndPathIsTooltip)
{
    QTemporaryDir dir;
    const QString left = SavePicture(dir, "a.bmp", qRgb(1, 2, 3));
    TFormOpenStereo dialog;
    dialog.SetLeftFileName(left);
    dialog.SetRightFileName(dir.filePath("gone.bmp"));
    EXPECT_FALSE(IsRed(dialog.EditFileName_L));
    EXPECT_TRUE(IsRed(dialog.EditFileName_R));
    EXPECT_EQ(dialog.EditFileName_R->toolTip(), dir.filePath("gone.bmp"));
}

TEST(OpenStereoFields, SameFileTwiceMarksRightField)
{
    QTemporaryDir dir;
    const QString lower = SavePicture(dir, "a.bmp", qRgb(1, 2, 3));
    const QString upper = SavePicture(dir, "A.BMP", qRgb(1, 2, 3));
    TFormOpenStereo dialog;
    dialog.SetLeftFileName(lower);
    dialog.SetRightFileName(upper);
    // Two files that exist but differ only in case still count as one.
    EXPECT_FALSE(IsRed(dialog.EditFileName_L));
    EXPECT_TRUE(IsRed(dialog.EditFileName_R));
    const QString other = SavePicture(dir, "b.bmp", qRgb(1, 2, 3));
    dialog.SetRightFileName(other);
    EXPECT_FALSE(IsRed(dialog.EditFileName_R));
}

TEST(OpenStereoLayout, SingleFileLayoutHidesRightSideAndEmptiesIt)
{
    TFormOpenStereo dialog;
    dialog.SetRightFileName("/p/right.jpg");
    EXPECT_EQ(dialog.BitBtnOpen->y(), 33);
    EXPECT_EQ(dialog.ProgressBar1->y(), 16);
    dialog.SetLayout(slRedCyan);
    EXPECT_TRUE(dialog.EditFileName_R->isHidden());
    EXPECT_TRUE(dialog.ProgressBar2->isHidden());
    EXPECT_TRUE(dialog.BitBtnChangePict->isHidden());
    EXPECT_EQ(dialog.LabelFileName_L->text(), "Stereobild:");
    EXPECT_EQ(dialog.BitBtnOpen->toolTip(), QString::fromUtf8("Öffne Stereobild Anaglyph - rot / cyan"));
    EXPECT_EQ(dialog.BitBtnOpen->y(), 16);
    EXPECT_EQ(dialog.ProgressBar1->y(), 52);
    dialog.SetLeftFileName("/p/anaglyph.jpg");
    EXPECT_EQ(dialog.GetRightFileName(), "");
    dialog.SetRightFileName("/p/other.jpg");
    EXPECT_EQ(dialog.GetRightFileName(), "");

    dialog.SetLayout(slSeparate);
    EXPECT_FALSE(dialog.EditFileName_R->isHidden());
    EXPECT_EQ(dialog.LabelFileName_L->text(), "linkes Bild:");
    EXPECT_EQ(dialog.BitBtnOpen->toolTip(), QString::fromUtf8("Öffne nacheinander das linke und rechte Einzelbild"));
}

TEST(OpenStereoTimer, PresettingStartsNoPreviewButTypingDoes)
{
    TFormOpenStereo dialog;
    dialog.SetLayout(slParallel);
    dialog.SetLeftFileName("/p/x.jpg");
    EXPECT_FALSE(dialog.TimerStartPreview->isActive());
    dialog.SetLayout(42);
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

TEST(OpenStereoDrop, TwoFilesOnLeftFieldFillBothInPairLayout)
{
    QTemporaryDir dir;
    const QString a = SavePicture(dir, "a.bmp", qRgb(1, 2, 3));
    const QString b = SavePicture(dir, "b.bmp", qRgb(1, 2, 3));
    TFormOpenStereo dialog;
    DropOn(dialog.EditFileName_L, {dir.filePath("missing.bmp"), a, b});
    EXPECT_EQ(dialog.GetLeftFileName(), a);
    EXPECT_EQ(dialog.GetRightFileName(), b);
    EXPECT_TRUE(dialog.TimerStartPreview->isActive());

    DropOn(dialog.EditFileName_R, {a});
    EXPECT_EQ(dialog.GetRightFileName(), a);
    EXPECT_EQ(dialog.GetLeftFileName(), a);
}

TEST(OpenStereoDrop, SingleFileLayoutTakesOnlyTheFirstFile)
{
    QTemporaryDir dir;
    const QString a = SavePicture(dir, "a.bmp", qRgb(1, 2, 3));
    const QString b = SavePicture(dir, "b.bmp", qRgb(1, 2, 3));
    TFormOpenStereo dialog;
    dialog.SetLayout(slParallel);
    DropOn(dialog.EditFileName_L, {a, b});
    EXPECT_EQ(dialog.GetLeftFileName(), a);
    EXPECT_EQ(dialog.GetRightFileName(), "");
}

TEST(OpenStereoPreview, CrossModeShowsRightFirstWithGap)
{
    TFormOpenStereo dialog;
    dialog.PreviewLeft = Solid(200, 100, qRgb(255, 0, 0));
    dialog.PreviewRight = Solid(200, 100, qRgb(0, 0, 255));
    const QRgb background = dialog.palette().color(QPalette::Window).rgb() | 0xFF000000u;
    // 400 x 100 fits the area less the gap (400 x 300) exactly.
    const QImage cross = dialog.MakePreview(QSize(410, 300));
    ASSERT_EQ(cross.size(), QSize(410, 100));
    EXPECT_EQ(At(cross, 0, 0), qRgb(0, 0, 255));
    EXPECT_EQ(At(cross, 199, 99), qRgb(0, 0, 255));
    EXPECT_EQ(At(cross, 200, 50), background);
    EXPECT_EQ(At(cross, 209, 50), background);
    EXPECT_EQ(At(cross, 210, 0), qRgb(255, 0, 0));
    EXPECT_EQ(At(cross, 409, 99), qRgb(255, 0, 0));

    dialog.ActionParallel->trigger();
    const QImage parallel = dialog.MakePreview(QSize(210, 300)); // 200 x 50: halves of 100
    ASSERT_EQ(parallel.size(), QSize(210, 50));
    EXPECT_EQ(At(parallel, 50, 25), qRgb(255, 0, 0));
    EXPECT_EQ(At(parallel, 160, 25), qRgb(0, 0, 255));
}

TEST(OpenStereoPreview, AnaglyphModesMixRedCyanAtFittedSize)
{
    TFormOpenStereo dialog;
    dialog.PreviewLeft = Solid(200, 100, qRgb(200, 50, 30));
    dialog.PreviewRight = Solid(200, 100, qRgb(10, 120, 240));
    dialog.ActionAnaglyphe_Farb->trigger();
    const QImage colour = dialog.MakePreview(QSize(100, 100));
    ASSERT_EQ(colour.size(), QSize(100, 50));
    EXPECT_EQ(At(colour, 50, 25), qRgb(200, 120, 240));
    dialog.ActionAnaglyphe_sw->trigger();
    // grey(200, 50, 30) = 59.8 + 29.35 + 3.42 = 92.57; grey(10, 120, 240) = 2.99 + 70.44 + 27.36 = 100.79
    EXPECT_EQ(At(dialog.MakePreview(QSize(100, 100)), 10, 10), qRgb(93, 101, 101));
    dialog.ActionAnaglyphe_Halb->trigger();
    EXPECT_EQ(At(dialog.MakePreview(QSize(100, 100)), 10, 10), qRgb(93, 120, 240));
    dialog.PreviewRight = TBitmap();
    EXPECT_TRUE(dialog.MakePreview(QSize(100, 100)).isNull());
}

TEST(OpenStereoLoading, SwapReloadsAtOnce)
{
    QTemporaryDir dir;
    const QString red = SavePicture(dir, "rot.bmp", qRgb(255, 0, 0));
    const QString blue = SavePicture(dir, "blau.jpg", qRgb(0, 0, 255), 200, 100, "JPEG");
    TFormOpenStereo dialog;
    dialog.SetLeftFileName(red);
    dialog.SetRightFileName(blue);
    dialog.BitBtnChangePictClick();
    EXPECT_EQ(dialog.GetLeftFileName(), blue);
    EXPECT_EQ(dialog.GetRightFileName(), red);
    EXPECT_FALSE(dialog.TimerStartPreview->isActive());
    ASSERT_EQ(dialog.PreviewRight.Image.size(), QSize(200, 100));
    EXPECT_EQ(At(dialog.PreviewRight.Image, 100, 50), qRgb(255, 0, 0));
    EXPECT_LT(qRed(dialog.PreviewLeft.Image.pixel(100, 50)), 10);
    EXPECT_GT(qBlue(dialog.PreviewLeft.Image.pixel(100, 50)), 245);
    EXPECT_EQ(dialog.ProgressBar1->value(), 0);
    EXPECT_EQ(dialog.ProgressBar2->value(), 0);
}

TEST(OpenStereoLoading, BrokenFileShowsErrorInsteadOfThrowing)
{
    QTemporaryDir dir;
    const QString broken = SaveBytes(dir, "kaputt.jpg", QByteArray("kein Bild, nur Text"));
    TFormOpenStereo dialog;
    dialog.SetLayout(slParallel);
    dialog.SetLeftFileName(broken);
    EXPECT_NO_THROW(dialog.TimerStartPreviewTimer());
    EXPECT_FALSE(dialog.LoadError().isEmpty());
    EXPECT_EQ(dialog.ImagePreview->text(), dialog.LoadError());
    EXPECT_TRUE(dialog.ShownPreview().isNull());

    const QString good = SavePicture(dir, "gut.bmp", qRgb(0, 255, 0), 400, 100);
    dialog.SetLeftFileName(good);
    dialog.TimerStartPreviewTimer();
    EXPECT_TRUE(dialog.LoadError().isEmpty());
    EXPECT_EQ(dialog.PreviewLeft.Image.size(), QSize(200, 100));
}

TEST(OpenStereoModal, OkAndAbortEndTheDialog)
{
    TFormOpenStereo dialog;
    QTimer::singleShot(0, &dialog, [&] { dialog.BitBtnOk->click(); });
    EXPECT_TRUE(dialog.Execute());
    QTimer::singleShot(0, &dialog, [&] { dialog.BitBtnAbort->click(); });
    EXPECT_FALSE(dialog.Execute());
    EXPECT_EQ(dialog.BitBtnAbort->text(), "Abbrechen");
}
