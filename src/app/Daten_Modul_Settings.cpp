// The controller's side of the settings dialog: the view follows the page
// being edited, and the dialog's command puts tools and view back afterwards.
#include "app/Daten_Modul.h"

#include "history/History.h"
#include "model/Liste_Polygon.h"
#include "model/ProgramObjects.h"
#include "stereo/Compose.h"

namespace {

// Composes the view with the given colours and frames in the stereo layout
// in force (parallel, cross or anaglyph).
void ComposePreview(TDM& dm, TComposeOptions options)
{
    TPolygonListe* outline = PolygonListe();
    if (outline && !dm.SourceLeft.Empty() && !dm.SourceRight.Empty()) {
        options.Parallel = dm.ActionParallel->isChecked();
        options.Cross = dm.ActionKreuz->isChecked();
        ComposePair(dm.Pictures, *outline, *dm.Settings, options);
    }
    if (dm.OnViewChanged)
        dm.OnViewChanged();
}

// The edit tool on, as the user would switch it on; true when it was off.
bool EnsureMaskEdit(TDM& dm)
{
    if (dm.ActionMaskEdit->isChecked())
        return false;
    dm.ActionMaskEdit->setChecked(true);
    dm.ActionMaskEditExecute(nullptr);
    return true;
}

} // namespace

void TDM::ApplySettingsPreview(quint16 what)
{
    const TDesktopData& s = *Settings;
    if (what & dgGrid) {
        ActionGitter->setChecked(true);
        // The grid is drawn over the composed pictures, so a count or colour
        // needs only a repaint. Switching the edit tool on changes what the
        // pictures show, though: recompose once then, or the view would keep
        // the previous page's colours under the editing tools.
        if (EnsureMaskEdit(*this))
            RefreshView();
    }
    if (what & dgOutline) {
        ActionGitter->setChecked(false);
        EnsureMaskEdit(*this);
        RefreshView();
    }
    if (what & dgDeskBack) {
        ActionGitter->setChecked(false);
        EnsureMaskEdit(*this);
        RefreshView();
        if (OnRequestBackground)
            OnRequestBackground(s.DeskBackColor);
    }
    if (what & dgDeskTrans) {
        ActionTransparenteMaske->setChecked(true);
        TComposeOptions o;
        o.Transparent = true;
        o.FillColor = kWhite;
        o.CoverColor = s.DeskTransColor;
        o.Decorate = s.DecorUse && s.DecorView;
        ComposePreview(*this, o);
    }
    if (what & dgDeskNoTrans) {
        ActionTransparenteMaske->setChecked(false);
        TComposeOptions o;
        o.Transparent = false;
        o.CoverColor = s.DeskNoTransColor;
        o.Decorate = s.DecorUse && s.DecorView;
        ComposePreview(*this, o);
    }
    if (what & dgFileMask) {
        ActionNewMask->setChecked(false);
        ActionMaskEdit->setChecked(false);
        TComposeOptions o;
        o.UsePictures = false;
        o.FillColor = s.FileMaskForColor;
        o.CoverColor = s.FileMaskBackColor;
        o.Decorate = false;
        ComposePreview(*this, o);
    }
    // The masked-picture colour and the decoration show the same view; a
    // word with both composes it once.
    if (what & (dgMaskPict | dgDecor)) {
        ActionGitter->setChecked(false);
        ActionNewMask->setChecked(false);
        ActionMaskEdit->setChecked(false);
        TComposeOptions o;
        o.CoverColor = s.FileMaskPictColor;
        o.Decorate = s.DecorUse != 0;
        ComposePreview(*this, o);
    }
    if (OnRepaintRequest)
        OnRepaintRequest();
}

void TDM::ActionOptionenExecute()
{
    const bool newMask = ActionNewMask->isChecked();
    const bool maskEdit = ActionMaskEdit->isChecked();
    const bool transparent = ActionTransparenteMaske->isChecked();
    const bool grid = ActionGitter->isChecked();
    const quint8 mode = EditMode;
    FOptionenToolState = TOptionenToolState{};
    if (THistoryListe* history = HistoryListe()) {
        FOptionenToolState.CheckedActions = history->Current().R01().CheckedActions;
        FOptionenToolState.EditMode = history->Current().R01().EditMode;
    }
    FOptionenToolState.Open = true;
    if (ShowOptionenDialog)
        ShowOptionenDialog(*Settings);
    FOptionenToolState.Open = false;

    ActionNewMask->setChecked(newMask);
    ActionMaskEdit->setChecked(maskEdit);
    ActionTransparenteMaske->setChecked(transparent);
    ActionGitter->setChecked(grid);
    SetEditMode(mode);
    // SetEditMode does nothing when the preview left the mode as it was; the
    // enabling and the current-state record must follow the restored tools
    // all the same.
    UpdateActions();
    // The background page sets the view's colour directly; after a cancel
    // the record holds the old colour again, and the view must show it.
    if (OnRequestBackground)
        OnRequestBackground(Settings->DeskBackColor);
    RefreshView();
    if (OnRepaintRequest)
        OnRepaintRequest();
}

void TDM::OptionenToolStateToCurrent()
{
    if (!FOptionenToolState.Open)
        return;
    if (THistoryListe* history = HistoryListe()) {
        history->Current().R01().CheckedActions = FOptionenToolState.CheckedActions;
        history->Current().R01().EditMode = FOptionenToolState.EditMode;
    }
}
