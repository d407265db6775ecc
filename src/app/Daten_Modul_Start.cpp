// The controller's start-up and its way of getting pictures in.
#include "app/Daten_Modul.h"

#include "history/History.h"
#include "history/UserMessage.h"
#include "model/Liste_Polygon.h"
#include "model/Liste_SelectBezier.h"
#include "model/Liste_SelectBezierSteuerpkte.h"
#include "model/ProgramObjects.h"
#include "stereo/Compose.h"
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

void TDM::DeferredStart(const QStringList& arguments)
{
    THistoryListe* history = HistoryListe();
    bool restore = true;
    if (history) {
        Settings->Assign(history->Settings());
        history->Current().R01().LeftFileName.clear();
        history->Current().R01().RightFileName.clear();
    }
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
        history->OnIndexChange = [this](THistoryListe*) { RestoreHistoryState(); };
        history->OnAdd = [this](THistoryListe*) { UpdateActions(); };
    }

    try {
        const QString first = arguments.value(0);
        if (!first.isEmpty() && first.endsWith(kMaskExtension, Qt::CaseInsensitive) && QFileInfo::exists(first)) {
            if (history) {
                try {
                    history->LoadFromFile(first, false);
                } catch (const std::exception&) {
                    // The entries read before the damage are kept.
                }
                history->SetItemIndex(THistoryListe::kReapplyIndex);
            }
            Settings->LastFileName = first;
            if (OnCaptionChanged)
                OnCaptionChanged(QFileInfo(first).fileName());
            OpenDialogMaske_FileName = first;
            if (SetSaveDialogMaskFileName)
                SetSaveDialogMaskFileName(first);
            restore = false;
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

void TDM::LoadStereoPair(const QString& left, const QString& right, quint8 layout)
{
    THistoryListe* history = HistoryListe();
    THistoryEintrag* current = history ? &history->Current() : nullptr;
    if (PicturesCreated && current && current->R01().LeftFileName == left &&
        current->R01().RightFileName == right && current->R02().InputLayout == layout)
        return;

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

    // A step recorded before any pair was opened names no file at all: there
    // is nothing to look for, so do not ask the user to search for "".
    if (left.isEmpty() && right.isEmpty())
        return;
    const bool missing = layout == 0 ? (!QFileInfo::exists(left) || !QFileInfo::exists(right))
                                     : !QFileInfo::exists(left);
    if (missing) {
        const QString text = layout == 0 ? FormatResString(FormatResString(kResMissingPair, left), right)
                                         : FormatResString(kResMissingFile, left);
        if (ShowUserMessage(text, dkBestaetigung, dbYes | dbNo) == mrYes)
            ActionOpenLinksRechtsExecute();
        return;
    }

    try {
        QStringList damage;
        // The masks' pixels are painted anew by the next transparent view
        // anyway; their memory serves the new pair.
        MaskLeft.Image = QImage();
        MaskRight.Image = QImage();
        if (!LoadStereoPicture(SourceLeft, SourceRight, left, layout, right, {}, {}, &damage))
            return;
        MakeWhiteMasks(Pictures);
        KeepPictureBuffersFor(Pictures, 1, kSpareMemoryDelayMs);
        if (ViewCentre == QPoint(-1, -1)) {
            ViewCentre = QPoint(Pictures.MaskSize(0).width() / 2, Pictures.MaskSize(0).height() / 2);
            WriteViewCentreToCurrent();
        }
        if (OnLayoutChanged)
            OnLayoutChanged();
        if (!damage.isEmpty())
            ShowUserMessage(FormatResString(FormatResString(kResPictureDamaged, left), damage.join(QStringLiteral("<LF>"))),
                            dkWarnung, dbOK);
    } catch (const EPlenoptraError& e) {
        // A foreign or unreadable file must not go unnoticed: the user learns
        // which file it was, and the program stays usable on the old pair.
        ShowUserMessage(FormatResString(FormatResString(kResPictureError, left), e.Message()), dkFehler, dbOK);
    } catch (const std::exception& e) {
        ShowUserMessage(FormatResString(FormatResString(kResPictureError, left), QString::fromLocal8Bit(e.what())),
                        dkFehler, dbOK);
    }
    if (current) {
        current->R01().LeftFileName = left;
        current->R01().RightFileName = right;
    }
    RefreshView();
    UpdateActions();
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
        if (history) {
            history->Current().R01().LeftFileName.clear();
            history->Current().R01().RightFileName.clear();
        }
        LoadStereoPair(left, right, layout);
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
        Settings->LastFileName = name;
        if (THistoryListe* history = HistoryListe()) {
            try {
                history->LoadFromFile(name, false);
            } catch (const std::exception&) {
                // Reported by the reader; what was read before stays.
            }
            history->SetItemIndex(THistoryListe::kReapplyIndex);
        }
        if (OnCaptionChanged)
            OnCaptionChanged(QFileInfo(name).fileName());
        OpenDialogMaske_FileName = Settings->LastFileName;
        if (SetSaveDialogMaskFileName)
            SetSaveDialogMaskFileName(Settings->LastFileName);
        ActionAnsichtFit->setChecked(true);
        ViewActionExecute(ActionAnsichtFit, true);
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
