// The save dialog's "OK": the check of the names, then the mask file and the
// picture(s), each written through a temporary file; whatever fails is
// reported together and the dialog stays open.
#include "stereo/Stereo_SaveDlg.h"

#include "history/History.h"
#include "history/UserMessage.h"
#include "model/ProgramObjects.h"
#include "stereo/PictureHolder.h"
#include "stereo/StereoConvert.h"
#include "stereo/Stereo_SaveDlgBMP.h"
#include "stereo/Stereo_SaveDlgJPG.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QProgressBar>
#include <QTimer>

#include <new>

namespace {

const QString kResWriteFailed =
    QStringLiteral("<FB>Diese Dateien konnten nicht gespeichert werden:<FN><LF>");

constexpr int kProgressPaintMs = 50;

QString WriteFailure(const QString& name, const QString& reason)
{
    return QStringLiteral("Die Datei \"%1\" kann nicht geschrieben werden: %2.").arg(name, reason);
}

} // namespace

bool TFormSaveStereo::CheckFiles(const QString& mask, const QString& left, const QString& right)
{
    const TSaveCheck check = CheckSaveFiles({mask, CheckBoxOverride_M->isChecked()},
                                            {left, CheckBoxOverride_L->isChecked()},
                                            {right, CheckBoxOverride_R->isChecked()}, Layout());
    CheckBoxOverride_M->setProperty("Tag", check.Tags[0]);
    CheckBoxOverride_L->setProperty("Tag", check.Tags[1]);
    CheckBoxOverride_R->setProperty("Tag", check.Tags[2]);
    if (!check.Message)
        return true;
    if (check.Kind == 1) {
        ShowUserMessage(check.Text, dkFehler, dbOK);
        return false;
    }
    return ShowUserMessage(check.Text, dkWarnung, dbYes | dbNo) == mrYes;
}

QStringList TFormSaveStereo::WriteFiles()
{
    QStringList failures;
    auto tag = [](const QCheckBox* box) { return box->property("Tag").toInt() == 1; };
    if (tag(CheckBoxOverride_M)) {
        const QString mask = EditFileName_M->text();
        const QString obstacle = FileWriteObstacle(mask);
        THistoryListe* history = HistoryListe();
        if (!obstacle.isEmpty()) {
            failures << WriteFailure(mask, obstacle);
        } else if (history) {
            try {
                history->SaveToFile(mask, false);
            } catch (const EPlenoptraError& e) {
                failures << e.Message();
            } catch (const std::exception& e) {
                failures << WriteFailure(mask, QString::fromLocal8Bit(e.what()));
            }
        }
    }

    TPictureHolder holder;
    TSaveOptionsPanel* panel = ChosenPanel();
    panel->OutputTarget = &holder;
    panel->PreviewTarget = nullptr;
    // Each repaint of the dialog costs about as much as coding a band of a
    // large picture: the bar moves with every percent, but the window gets
    // its turn only every kProgressPaintMs.
    QElapsedTimer sincePaint;
    sincePaint.start();
    panel->OnCodingProgress = [this, &sincePaint](TProgressStage stage, int percent) {
        SetBar(ProgressBar2, stage == TProgressStage::Ending ? 0 : percent);
        if (sincePaint.elapsed() >= kProgressPaintMs) {
            LetMessagesRun();
            sincePaint.restart();
        }
    };
    auto write = [&](const QString& name, const QImage& picture) {
        QString error;
        if (!holder.Empty()) {
            if (!holder.SaveToFile(name, &error))
                failures << error;
            return;
        }
        // The panel handed nothing over: say so rather than skip the file.
        failures << WriteFailure(name, picture.isNull() ? QStringLiteral("es ist kein Bild vorhanden")
                                                       : QStringLiteral("das Bild konnte nicht kodiert werden"));
    };
    try {
        if (Layout() == slSeparate) {
            const std::pair<QCheckBox*, std::pair<QLineEdit*, const TBitmap*>> files[] = {
                {CheckBoxOverride_L, {EditFileName_L, &FLeft}}, {CheckBoxOverride_R, {EditFileName_R, &FRight}}};
            for (const auto& [box, file] : files) {
                if (!tag(box))
                    continue;
                holder.Clear();
                const TSavePicture picture(file.second->Image);
                panel->ShowPictures(nullptr, &picture, true);
                write(file.first->text(), file.second->Image);
            }
        } else if (tag(CheckBoxOverride_L)) {
            holder.Clear();
            UpdatePreview(true);
            write(EditFileName_L->text(), FLeft.Image);
        }
    } catch (const std::bad_alloc&) {
        failures << QStringLiteral("Nicht genug Arbeitsspeicher für das Bild.");
    }
    panel->OutputTarget = nullptr;
    panel->PreviewTarget = Image;
    panel->OnCodingProgress = nullptr;
    SetBar(ProgressBar1, 0);
    SetBar(ProgressBar2, 0);
    return failures;
}

void TFormSaveStereo::BitBtnOkClick()
{
    if (FSaving)
        return;
    if (!CheckFiles(EditFileName_M->text(), EditFileName_L->text(), EditFileName_R->text()))
        return;
    QStringList failures;
    FSaving = true;
    TimerStartPreview->stop();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    failures = WriteFiles();
    QApplication::restoreOverrideCursor();
    FSaving = false;
    MarkFileNames();
    if (!failures.isEmpty()) {
        // What was written stays; the user can mend the rest and try again.
        ShowUserMessage(kResErrorHead + kResWriteFailed + failures.join(QStringLiteral("<LF>")) +
                            QStringLiteral("<LF>"),
                        dkFehler, dbOK);
        StartPreviewTimer();
        return;
    }
    accept();
}

void TFormSaveStereo::done(int result)
{
    TimerStartPreview->stop();
    for (TSaveOptionsPanel* panel : {static_cast<TSaveOptionsPanel*>(JPGPreferences),
                                     static_cast<TSaveOptionsPanel*>(BMPPreferences)}) {
        panel->ClearPictures();
        panel->PreviewTarget = nullptr;
        panel->OutputTarget = nullptr;
    }
    Image->ClearPicture();
    QDialog::done(result);
}
