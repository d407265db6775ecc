// The controller's side of saving: the mask pictures or the masked stereo
// pictures are composed at full resolution and handed to the save dialog;
// afterwards the pair is loaded again, whatever happened in between.
#include "app/Daten_Modul.h"

#include "history/History.h"
#include "history/UserMessage.h"
#include "model/Liste_Polygon.h"
#include "model/ProgramObjects.h"
#include "stereo/Compose.h"
#include "stereo/StereoSaveNames.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <new>

namespace {

const QString kResBusyText = QStringLiteral("Bitte warten"); // 65229
const QString kResSaveComposeError = QStringLiteral(
    "<FB><FS12><c4>Fehler!<FN><LF>Das Bild zum Speichern konnte nicht erstellt werden.<LF>%s");

constexpr quint8 kModeMaskPictures = spmMaskPictures;
constexpr quint8 kModeMaskedStereo = spmMaskedStereo;

} // namespace

void TDM::ActionSaveMaskExecute() { SaveThroughDialog(kModeMaskPictures); }

void TDM::ActionSaveLinksRechtsExecute() { SaveThroughDialog(kModeMaskedStereo); }

void TDM::SaveThroughDialog(quint8 mode)
{
    QString resultName = OpenDialogMaske_FileName;
    try {
        BusyText.clear();
        Busy = true;
        if (OnRepaintRequest)
            OnRepaintRequest();
        QCoreApplication::processEvents();

        TPolygonListe* outline = PolygonListe();
        if (mode == kModeMaskPictures) {
            // The mask pictures need only the masks' sizes: the sources go
            // first, so their memory serves the composition.
            SourceLeft.Image = QImage();
            SourceRight.Image = QImage();
            if (outline)
                ComposePair(Pictures, *outline, *Settings, MaskPictureOptions(*Settings));
            MaskLeft.Image = QImage();
            MaskRight.Image = QImage();
        } else {
            if (outline)
                ComposePair(Pictures, *outline, *Settings, MaskedStereoOptions(*Settings));
            SourceLeft.Image = QImage();
            SourceRight.Image = QImage();
            MaskLeft.Image = QImage();
            MaskRight.Image = QImage();
        }
        const TColor cover = mode == kModeMaskPictures ? Settings->FileMaskBackColor : Settings->FileMaskPictColor;
        if (SetSaveDialogMaskFileName)
            SetSaveDialogMaskFileName(OpenDialogMaske_FileName);
        resultName = OpenDialogMaske_FileName;
        if (SetSaveDialogPictures)
            SetSaveDialogPictures(&ViewLeftHalf, &ViewRightHalf);
        if (ShowSaveStereoDialog && ShowSaveStereoDialog(mode, cover)) {
            if (GetSaveDialogMaskFileName)
                resultName = GetSaveDialogMaskFileName();
            if (OnCaptionChanged)
                OnCaptionChanged(QFileInfo(resultName).fileName());
        }
    } catch (const std::bad_alloc&) {
        ShowUserMessage(FormatResString(kResSaveComposeError, QStringLiteral("Nicht genug Arbeitsspeicher.")),
                        dkFehler, dbOK);
    } catch (const EPlenoptraError& e) {
        ShowUserMessage(FormatResString(kResSaveComposeError, e.Message()), dkFehler, dbOK);
    } catch (const std::exception& e) {
        ShowUserMessage(FormatResString(kResSaveComposeError, QString::fromLocal8Bit(e.what())), dkFehler, dbOK);
    }

    // Always: the dialog lets go of its pictures and the pair comes back.
    BusyText = kResBusyText;
    if (OnRepaintRequest)
        OnRepaintRequest();
    QCoreApplication::processEvents();
    if (SetSaveDialogPictures)
        SetSaveDialogPictures(nullptr, nullptr);
    ViewLeftHalf.Image = QImage();
    ViewRightHalf.Image = QImage();
    ViewAnaglyph.Image = QImage();
    // The pair is gone from memory: the reload must not take the same names
    // for "already loaded".
    PicturesCreated = false;
    QString left, right;
    quint8 layout = 0;
    if (THistoryListe* history = HistoryListe()) {
        left = history->Current().R01().LeftFileName;
        right = history->Current().R01().RightFileName;
        layout = history->Current().R02().InputLayout;
    }
    LoadStereoPair(left, right, layout);
    OpenDialogMaske_FileName = resultName;
    if (SetSaveDialogMaskFileName)
        SetSaveDialogMaskFileName(resultName);
    Settings->LastFileName = resultName;
    Busy = false;
    if (OnRepaintRequest)
        OnRepaintRequest();
}
