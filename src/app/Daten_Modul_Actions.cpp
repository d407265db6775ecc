// The action list of the controller: caption, hint, shortcut, category and
// checked state of every command live here, in one table, so that menus and
// toolbar only refer to actions.
#include "app/Artwork.h"
#include "app/Daten_Modul.h"

#include <QActionGroup>

namespace {

enum TCheckKind { ckPlain, ckToggle, ckStereo, ckView };

struct TActionDef {
    QAction* TDM::*Member;
    const char* Name;
    const char* Category;
    const char* Caption;
    const char* Hint; // null: the caption without "&"
    const char* Shortcut;
    bool Checked;
    TCheckKind Check;
};

// Order: the action list's own order.
const TActionDef kActions[] = {
    {&TDM::ActionOpenLinksRechts, "ActionOpenLinksRechts", "Datei", "Öffne Stereobild ...", "Öffne Stereobild...", "", false, ckPlain},
    {&TDM::ActionOpenMask, "ActionOpenMask", "Datei", "Öffne Maskendatei...", "Öffnet Maskendatei zur weiteren Bearbeitung", "", false, ckPlain},
    {&TDM::ActionSaveMask, "ActionSaveMask", "Datei", "Maske Speichern...", "Maske Speichern", "", false, ckPlain},
    {&TDM::ActionSaveLinksRechts, "ActionSaveLinksRechts", "Datei", "Maskiertes Stereobild speichern...", nullptr, "", false, ckPlain},
    {&TDM::ActionUndo, "ActionUndo", "Bearbeiten", "Rückgängig", nullptr, "Alt+Backspace", false, ckPlain},
    {&TDM::ActionRedo, "ActionRedo", "Bearbeiten", "Widerrufen", nullptr, "Shift+Alt+Backspace", false, ckPlain},
    {&TDM::ActionOptionen, "ActionOptionen", "Bearbeiten", "Einstellungen...", "Einstellungen ändern", "F9", false, ckPlain},
    {&TDM::ActionAnaglyphe_sw, "ActionAnaglyphe_sw", "Stereo", "Grau - Anaglyph", nullptr, "Alt+G", false, ckStereo},
    {&TDM::ActionAnaglyphe_Farb, "ActionAnaglyphe_Farb", "Stereo", "Farb - Anaglyph", nullptr, "Alt+F", false, ckStereo},
    {&TDM::ActionAnaglyphe_Halb, "ActionAnaglyphe_Halb", "Stereo", "Halbton - Anaglyph", nullptr, "Alt+H", false, ckStereo},
    {&TDM::ActionKreuz, "ActionKreuz", "Stereo", "Kreuzblick", nullptr, "Alt+K", true, ckStereo},
    {&TDM::ActionParallel, "ActionParallel", "Stereo", "Parallelblick", nullptr, "Alt+P", false, ckStereo},
    {&TDM::ActionAnsichtOriginal, "ActionAnsichtOriginal", "Ansicht", "&Originalgröße (100%)", "Originalgröße (100%)", "O", false, ckView},
    {&TDM::ActionAnsichtFit, "ActionAnsichtFit", "Ansicht", "An &Fenstergröße anpassen", "An Fenstergröße anpassen", "F", true, ckView},
    {&TDM::ActionAnsichtZoom, "ActionAnsichtZoom", "Ansicht", "Zoom", nullptr, "", false, ckView},
    {&TDM::ActionScrollen, "ActionScrollen", "Ansicht", "&Sichtfenster verschieben", "Sichtfenster verschieben", "S", true, ckToggle},
    {&TDM::ActionTransparenteMaske, "ActionTransparenteMaske", "Ansicht", "&transparente Maske EIN/AUS", "transparente Maske EIN/AUS", "M", false, ckToggle},
    {&TDM::ActionGitter, "ActionGitter", "Ansicht", "Gitter zeigen", "Gitter zeigen ", "G", false, ckToggle},
    {&TDM::ActionNewMask, "ActionNewMask", "Edit", "Neue Maskenpunkte erstellen", nullptr, "N", false, ckToggle},
    {&TDM::ActionMaskEdit, "ActionMaskEdit", "Edit", "Maskenpunkte bearbeiten", nullptr, "B", false, ckToggle},
    {&TDM::ActionMaskDelete, "ActionMaskDelete", "Edit", "Maskenpunkte löschen", nullptr, "Del", false, ckPlain},
    {&TDM::ActionPointMoveXY, "ActionPointMoveXY", "Edit", "Verschiebe in Fensterebene", nullptr, "E", true, ckToggle},
    {&TDM::ActionPointMoveX, "ActionPointMoveX", "Edit", "Verschiebe in X-Richtung der Fensterebene", nullptr, "X", false, ckToggle},
    {&TDM::ActionPointMoveY, "ActionPointMoveY", "Edit", "Verschiebe in Y-Richtung der Fensterebene", nullptr, "Y", false, ckToggle},
    {&TDM::ActionPointMoveZ, "ActionPointMoveZ", "Edit", "Verschiebung in Tiefe", nullptr, "Z", false, ckToggle},
    {&TDM::ActionMove_Distance, "ActionMove_Distance", "Edit", "Abstand zum Knoten ändern", "Abstand zum Knoten ändern, Richtung wird beibehalten", "A", false, ckToggle},
    {&TDM::ActionRotate_X, "ActionRotate_X", "Edit", "Steuerpunkt um X-Achse drehen", nullptr, "Ctrl+X", false, ckToggle},
    {&TDM::ActionRotate_Y, "ActionRotate_Y", "Edit", "Steuerpunkt um Y-Achse drehen", nullptr, "Ctrl+Y", false, ckToggle},
    {&TDM::ActionRotate_Z, "ActionRotate_Z", "Edit", "Steuerpunkt um Z-Achse drehen", nullptr, "Ctrl+Z", false, ckToggle},
    {&TDM::ActionPointMove0, "ActionPointMove0", "Ausrichten", "bringe alle selektierten Knoten auf Scheinfensterebene", nullptr, "W", false, ckPlain},
    {&TDM::ActionMoveAllSelectToX, "ActionMoveAllSelectToX", "Ausrichten", "Vertikal nach Bezugsknoten ausrichten", "Alle selektierten Knoten vertikal nach Bezugsknoten ausrichten", "V", false, ckPlain},
    {&TDM::ActionMoveAllSelectToY, "ActionMoveAllSelectToY", "Ausrichten", "Horizontal nach Bezugsknoten ausrichten ", "Alle selektierten Knoten horizontal nach Bezugsknoten ausrichten ", "H", false, ckPlain},
    {&TDM::ActionMoveAllSelectToZ, "ActionMoveAllSelectToZ", "Ausrichten", "Tiefe nach Bezugsknoten ausrichten ", "Tiefe aller selektierten Knoten nach Bezugsknoten ausrichten ", "T", false, ckPlain},
    {&TDM::ActionSteuerpunktToX, "ActionSteuerpunktToX", "Ausrichten", "Steuerpunkt senkrecht stellen", "Steuerpunkt senkrecht über oder unter den Knoten stellen", "Ctrl+S", false, ckPlain},
    {&TDM::ActionSteuerpunktToY, "ActionSteuerpunktToY", "Ausrichten", "Steuerpunkt waagerecht stellen", "Steuerpunkt waagerecht neben den Knoten stellen", "Ctrl+W", false, ckPlain},
    {&TDM::ActionSteuerpunktToZ, "ActionSteuerpunktToZ", "Ausrichten", "Tiefe vom Steuerpunkt auf Knoten zurücksetzen", "Tiefe vom Steuerpunkt auf Tiefe vom Knoten zurücksetzen", "Ctrl+K", false, ckPlain},
    {&TDM::ActionAllSteuerpunkteToX, "ActionAllSteuerpunkteToX", "Ausrichten", "Vertikal nach Bezugssteuerpunkt ausrichten", "Alle selektierten Steuerpunkte vertikal nach Bezugssteuerpunkt ausrichten", "Ctrl+V", false, ckPlain},
    {&TDM::ActionAllSteuerpunkteToY, "ActionAllSteuerpunkteToY", "Ausrichten", "Horizontal nach Bezugssteuerpunkt ausrichten", "Alle selektierten Steuerpunkte horizontal nach Bezugssteuerpunkt ausrichten", "Ctrl+H", false, ckPlain},
    {&TDM::ActionAllSteuerpunkteToZ, "ActionAllSteuerpunkteToZ", "Ausrichten", "Tiefe nach Bezugssteuerpunkt ausrichten ", "Tiefe aller selektierten Steuerpunkte nach Bezugssteuerpunkt ausrichten ", "Ctrl+T", false, ckPlain},
    {&TDM::ActionLinieInKurve, "ActionLinieInKurve", "Konvert_Linie", "Linie in Kurve konvertieren", nullptr, "K", false, ckPlain},
    {&TDM::ActionKurveInLinie, "ActionKurveInLinie", "Konvert_Linie", "Kurve in Linie konvertieren", nullptr, "L", false, ckPlain},
    {&TDM::ActionKnotenInSpitze, "ActionKnotenInSpitze", "Konvert_Knoten", "Knoten in Spitze konvertieren", nullptr, "Alt+S", false, ckPlain},
    {&TDM::ActionKnotenGlatt, "ActionKnotenGlatt", "Konvert_Knoten", "Knoten glätten", nullptr, "Alt+L", false, ckPlain},
    {&TDM::ActionKnotenSymmetrisch, "ActionKnotenSymmetrisch", "Konvert_Knoten", "Symmetrischer Knoten", nullptr, "Alt+M", false, ckPlain},
    {&TDM::ActionFensterpruefung, "ActionFensterpruefung", "Ansicht", "Fensterprüfung", "Zeigt, wo der Rand des Scheinfensters Dinge anschneidet, die vor dem Fenster stehen", "Alt+W", false, ckToggle},
    {&TDM::ActionFensterVor, "ActionFensterVor", "Ausrichten", "Scheinfenster vor die Szene setzen", "Alle Knoten gleich weit in der Tiefe verschieben, so dass das Scheinfenster knapp vor der Szene steht", "", false, ckPlain},
};

QString WithoutAccelerator(const char* caption)
{
    return QString::fromUtf8(caption).remove(QLatin1Char('&'));
}

} // namespace

void TDM::CreateActions()
{
    FStereoGroup = new QActionGroup(this);
    // ExclusiveOptional: a click on the checked item unchecks it, so the
    // handler can tell "chosen again" from "newly chosen" and re-check it.
    FStereoGroup->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    FViewGroup = new QActionGroup(this);
    FViewGroup->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);

    for (const TActionDef& def : kActions) {
        auto* action = new QAction(QString::fromUtf8(def.Caption), this);
        action->setObjectName(QString::fromLatin1(def.Name));
        action->setProperty("category", QString::fromLatin1(def.Category));
        const QString hint = def.Hint ? QString::fromUtf8(def.Hint) : WithoutAccelerator(def.Caption);
        action->setToolTip(hint);
        action->setStatusTip(hint);
        if (*def.Shortcut)
            action->setShortcut(QKeySequence(QString::fromLatin1(def.Shortcut)));
        action->setShortcutContext(Qt::WindowShortcut);
        action->setIcon(ActionIcon(action->objectName()));
        if (def.Check != ckPlain) {
            action->setCheckable(true);
            action->setChecked(def.Checked);
        }
        if (def.Check == ckStereo)
            FStereoGroup->addAction(action);
        else if (def.Check == ckView)
            FViewGroup->addAction(action);
        this->*(def.Member) = action;
        FActions.append(action);
        FActionsByName.insert(action->objectName(), action);
    }
}

QAction* TDM::ActionByName(const QString& name) const { return FActionsByName.value(name); }
