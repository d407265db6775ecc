// The controller's start-up and its way of getting pictures in.
#include "app/Daten_Modul.h"

#include "history/History.h"
#include "history/UserMessage.h"
#include "model/Liste_Polygon.h"
#include "model/Liste_SelectBezier.h"
#include "model/Liste_SelectBezierSteuerpkte.h"
#include "model/ProgramObjects.h"
#include "stereo/Compose.h"
#include "stereo/MpoFile.h"
#include "stereo/PictureFiles.h"
#include "stereo/StereoLoad.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace {

const QString kResMissingPair = QStringLiteral(
    "<FB><FS12><c4>Fehler!<FN><LF>Die Datei:<c5> %s <FN> oder <LF>die Datei:<c5> %s <FN> <LF>wurde verschoben "
    "oder existiert nicht mehr!<LF><LF><FB>Möchten Sie nach der Datei suchen?<FN><LF>"); // 65225
const QString kResMissingFile = QStringLiteral(
    "<FB><FS12><c4>Fehler!<FN><LF>Die Datei:<c5> %s <FN> <LF>wurde verschoben oder existiert nicht mehr!<LF><LF>"
    "<FB>Möchten Sie nach der Datei suchen?<FN><LF>"); // 65226
const QString kResPictureError = QStringLiteral(
    "<FB><FS12><c4>Fehler!<FN><LF>Das Stereobild aus der Datei:<c5> %s <FN><LF>konnte nicht gelesen werden.<LF>%s");

const QString kResPictureDamaged = QStringLiteral(
    "<FB><FS12><c4>Achtung!<FN><LF>Die Datei:<c5> %s <FN><LF>ist beschädigt; das Bild ist unvollständig.<LF>%s");

const QString kMaskExtension = QStringLiteral(".Plenoptrum");

// After a load, a spare pair of picture memory is prepared this much later,
// once the new pair is on screen: the next open, or the extra picture an
// anaglyph view needs, then finds memory that is already there.
constexpr int kSpareMemoryDelayMs = 250;

} // namespace

namespace {

// Reads a mask file into the history. False when the file was not taken (it
// is missing, foreign or cannot be opened): the history is then unchanged
// and the user has been told why. A file damaged half-way is taken with the
// steps before the damage.
bool TakeMaskFile(THistoryListe& history, const QString& name)
{
    try {
        return history.LoadFromFile(name, false);
    } catch (const EStreamError&) {
        // Opening failed, before anything was read.
        ShowUserMessage(FormatResString(kResHeaderReadError, name), dkFehler, dbOK);
        return false;
    } catch (const std::exception&) {
        // The entries read before the damage are kept; the reader has said so.
        return true;
    }
}

} // namespace

void TDM::DeferredStart(const QStringList& arguments)
{
    THistoryListe* history = HistoryListe();
    bool restore = true;
    if (history) {
        Settings->Assign(history->Settings());
        history->Current().R01().LeftFileName.clear();
        history->Current().R01().RightFileName.clear();
    }
    Started = true;
    if (TPolygonListe* outline = PolygonListe()) {
        outline->BuildPoints();
        outline->SaveToCurrent();
    }
    if (TSelect* selection = SelectListe())
        selection->DeselectAll();
    if (TSelectStrPkt* controls = SelectStrPktListe())
        controls->DeselectAll();
    Settings->SaveToHistoryCurrent();
    UpdateActions();

    if (TSelect* selection = SelectListe())
        selection->OnChange = [this](void*) { SelectionChanged(); };
    if (TSelectStrPkt* controls = SelectStrPktListe())
        controls->OnChange = [this](void*) { SelectionChanged(); };
    if (history) {
        history->OnIndexChange = [this](THistoryListe*) {
            RestoreHistoryState();
            if (OnHistoryChanged)
                OnHistoryChanged();
        };
        history->OnAdd = [this](THistoryListe*) {
            UpdateActions();
            if (OnHistoryChanged)
                OnHistoryChanged();
        };
    }

    try {
        const QString first = arguments.value(0);
        if (!first.isEmpty() && first.endsWith(kMaskExtension, Qt::CaseInsensitive) && QFileInfo::exists(first)) {
            // A refused file names nothing: the work state of the previous
            // run comes back instead, under the caption it had.
            if (history && TakeMaskFile(*history, first)) {
                history->SetItemIndex(THistoryListe::kReapplyIndex);
                Settings->LastFileName = first;
                if (OnCaptionChanged)
                    OnCaptionChanged(QFileInfo(first).fileName());
                OpenDialogMaske_FileName = first;
                if (SetSaveDialogMaskFileName)
                    SetSaveDialogMaskFileName(first);
                restore = false;
            }
        } else if (!arguments.isEmpty()) {
            QString left, right;
            quint8 layout = 0;
            if (GetOpenStereoDialogState)
                GetOpenStereoDialogState(left, right, layout);
            // Stored with the history, so a relative name would not find the
            // picture again from another working folder.
            left = QFileInfo(arguments.value(0)).absoluteFilePath();
            if (layout == 0)
                layout = 2;
            if (arguments.size() >= 2) {
                layout = 0;
                right = QFileInfo(arguments.value(1)).absoluteFilePath();
            } else {
                int single = 0;
                if (SingleFileStereoInput(left, &left, &right, &single))
                    layout = quint8(single); // a camera file brings its layout along
            }
            if (SetOpenStereoDialogState)
                SetOpenStereoDialogState(left, right, layout);
            ActionOpenLinksRechtsExecute();
        }
    } catch (const std::exception&) {
    }
    try {
        if (restore && history)
            history->SetItemIndex(THistoryListe::kReapplyIndex);
    } catch (const std::exception&) {
    }
    SetAnaglyphButtonAction(ActionAnaglyphe_Halb);
    if (ViewWindow && OnRequestBackground)
        OnRequestBackground(Settings->DeskBackColor);
    ActionAnsichtFit->setChecked(true);
    ViewActionExecute(ActionAnsichtFit, true);
}

bool TDM::LoadStereoPair(const QString& left, const QString& right, quint8 layout)
{
    THistoryListe* history = HistoryListe();
    THistoryEintrag* current = history ? &history->Current() : nullptr;
    const bool samePair = current && current->R01().LeftFileName == left &&
                          current->R01().RightFileName == right && current->R02().InputLayout == layout;
    if (PicturesCreated && samePair)
        return true;

    // A step recorded before any pair was opened names no file at all: there
    // is nothing to look for and nothing to load, so what is shown stays.
    if (left.isEmpty() && right.isEmpty())
        return false;
    const bool missing = layout == 0 ? (!QFileInfo::exists(left) || !QFileInfo::exists(right))
                                     : !QFileInfo::exists(left);
    if (missing) {
        const QString text = layout == 0 ? FormatResString(FormatResString(kResMissingPair, left), right)
                                         : FormatResString(kResMissingFile, left);
        if (ShowUserMessage(text, dkBestaetigung, dbYes | dbNo) == mrYes) {
            // The dialog opens on the moved pair, so the user can look for it.
            if (SetOpenStereoDialogState)
                SetOpenStereoDialogState(left, right, layout);
            ActionOpenLinksRechtsExecute();
        }
        return false;
    }

    // The loader replaces both pictures only when both could be read, so a
    // failure leaves the pair on screen and every name that belongs to it.
    QStringList damage;
    try {
        // The masks' pixels are painted anew by the next transparent view
        // anyway; their memory serves the new pair.
        MaskLeft.Image = QImage();
        MaskRight.Image = QImage();
        if (!LoadStereoPicture(SourceLeft, SourceRight, left, layout, right, {}, {}, &damage))
            return false;
        MakeWhiteMasks(Pictures);
        KeepPictureBuffersFor(Pictures, 1, kSpareMemoryDelayMs);
    } catch (const EPlenoptraError& e) {
        // A foreign or unreadable file must not go unnoticed: the user learns
        // which file it was, and the program stays usable on the old pair.
        ShowUserMessage(FormatResString(FormatResString(kResPictureError, left), e.Message()), dkFehler, dbOK);
        return false;
    } catch (const std::exception& e) {
        ShowUserMessage(FormatResString(FormatResString(kResPictureError, left), QString::fromLocal8Bit(e.what())),
                        dkFehler, dbOK);
        return false;
    }

    OpenDialogMaske_FileName = left;
    OpenPictureDialog_L_FileName = left;
    OpenPictureDialog_R_FileName = right;
    if (SetOpenStereoDialogState)
        SetOpenStereoDialogState(left, right, layout);
    if (current) {
        current->R01().LeftFileName = left;
        current->R01().RightFileName = right;
        current->R02().InputLayout = layout;
    }
    PicturesCreated = true;
    PairLoaded(left, right, layout);
    if (ViewCentre == QPoint(-1, -1)) {
        ViewCentre = QPoint(Pictures.MaskSize(0).width() / 2, Pictures.MaskSize(0).height() / 2);
        WriteViewCentreToCurrent();
    }
    if (OnLayoutChanged)
        OnLayoutChanged();
    if (!damage.isEmpty())
        ShowUserMessage(FormatResString(FormatResString(kResPictureDamaged, left), damage.join(QStringLiteral("<LF>"))),
                        dkWarnung, dbOK);
    RefreshView();
    // Another pair has other sizes: the old centre and scale would leave it
    // off-centre or partly outside the view (an undo across an open). It is
    // laid out as opening it does, once its view is composed. Loading the
    // same pair again (after the save freed the pictures) keeps the view.
    if (!samePair) {
        ActionAnsichtFit->setChecked(true);
        ViewActionExecute(ActionAnsichtFit, true);
    }
    UpdateActions();
    return true;
}

void TDM::ActionOpenLinksRechtsExecute()
{
    if (!ShowOpenStereoDialog || !ShowOpenStereoDialog()) {
        // What the dialog prepared for the pair it showed is not needed.
        KeepPictureBuffersFor(Pictures, 1, 0);
        SetBusy(false);
        return;
    }
    try {
        SetBusy(true);
        QCoreApplication::processEvents();
        QString left, right;
        quint8 layout = 0;
        if (GetOpenStereoDialogState)
            GetOpenStereoDialogState(left, right, layout);
        THistoryListe* history = HistoryListe();
        QString oldLeft, oldRight;
        if (history) {
            // Cleared so that the pair is read again even under the same
            // names (the files may have changed); a failed open puts them back.
            oldLeft = history->Current().R01().LeftFileName;
            oldRight = history->Current().R01().RightFileName;
            history->Current().R01().LeftFileName.clear();
            history->Current().R01().RightFileName.clear();
        }
        if (LoadStereoPair(left, right, layout)) {
            if (history)
                history->Add(QStringLiteral("Öffne L/R"));
            ActionAnsichtFit->setChecked(true);
            ViewActionExecute(ActionAnsichtFit, true);
            Settings->LastFileName = left;
            OpenDialogMaske_FileName = Settings->LastFileName;
            if (SetSaveDialogMaskFileName)
                SetSaveDialogMaskFileName(Settings->LastFileName);
            if (OnCaptionChanged)
                OnCaptionChanged(QString());
        } else if (history && history->Current().R01().LeftFileName.isEmpty() &&
                   history->Current().R01().RightFileName.isEmpty()) {
            // Unless the search the failed open offered has loaded another
            // pair meanwhile, the names of the pair on screen come back.
            history->Current().R01().LeftFileName = oldLeft;
            history->Current().R01().RightFileName = oldRight;
        }
    } catch (...) {
        SetBusy(false);
        throw;
    }
    SetBusy(false);
}

void TDM::ActionOpenMaskExecute()
{
    const QString name = AskMaskFileName ? AskMaskFileName(OpenDialogMaske_FileName) : QString();
    if (name.isEmpty()) {
        SetBusy(false);
        return;
    }
    try {
        SetBusy(true);
        QCoreApplication::processEvents();
        // The dialog opens in that folder next time, whatever came of it.
        OpenDialogMaske_FileName = name;
        THistoryListe* history = HistoryListe();
        // A refused file changes nothing: neither the caption nor the name
        // under which the save dialog would write the mask may point to it.
        if (history && TakeMaskFile(*history, name)) {
            Settings->LastFileName = name;
            history->SetItemIndex(THistoryListe::kReapplyIndex);
            if (OnCaptionChanged)
                OnCaptionChanged(QFileInfo(name).fileName());
            OpenDialogMaske_FileName = Settings->LastFileName;
            if (SetSaveDialogMaskFileName)
                SetSaveDialogMaskFileName(Settings->LastFileName);
            ActionAnsichtFit->setChecked(true);
            ViewActionExecute(ActionAnsichtFit, true);
        }
    } catch (...) {
        SetBusy(false);
        throw;
    }
    SetBusy(false);
}

void TDM::RefreshView()
{
    TPolygonListe* outline = PolygonListe();
    if (!outline || SourceLeft.Empty() || SourceRight.Empty()) {
        if (OnViewChanged)
            OnViewChanged();
        return;
    }
    TViewActionState state;
    state.TransparentMask = ActionTransparenteMaske->isChecked();
    state.Parallel = ActionParallel->isChecked();
    state.Cross = ActionKreuz->isChecked();
    state.NewMask = ActionNewMask->isChecked();
    state.MaskEdit = ActionMaskEdit->isChecked();
    ComposePair(Pictures, *outline, *Settings, ViewComposeOptions(state, *Settings));
    if (OnViewChanged)
        OnViewChanged();
}
