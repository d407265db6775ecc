#pragma once
// The program-wide objects: one mask outline, two selections, the registry of
// visible handles and the undo history, plus the two picture lock handles.
// They live from program initialisation to program end, before and after every
// window. Model objects reach each other through them (a point enters the
// selection through its own SetSelected, the outline writes itself into the
// history's "Current" entry), so exactly one set is installed at a time.
// Tests create a fresh set with a TProgramObjects of their own.

class TPolygonListe;
class TSelect;
class TSelectStrPkt;
class TVisibleAnfasser;
class THistoryListe;

class TProgramObjects {
public:
    // Sets both lock handles to -1, then creates outline, node selection,
    // control-point selection, visible-handle list and history, in that
    // order, and installs the set as the current one.
    TProgramObjects();
    // Destroys history, visible-handle list, control-point selection, node
    // selection and outline, in that order, and uninstalls the set.
    ~TProgramObjects();
    TProgramObjects(const TProgramObjects&) = delete;
    TProgramObjects& operator=(const TProgramObjects&) = delete;

    // The installed set; null before the first and after the last one.
    static TProgramObjects* Instance();

    TPolygonListe* PolygonListe = nullptr;
    TSelect* SelectListe = nullptr;
    TSelectStrPkt* SelectStrPktListe = nullptr;
    TVisibleAnfasser* VisibleAnfasser = nullptr;
    THistoryListe* HistoryListe = nullptr;

    // Read handles kept open on the loaded left and right picture files
    // (file descriptors); -1 when none is held.
    int LockLeft = -1;
    int LockRight = -1;

private:
    TProgramObjects* FPrevious = nullptr;
};

// Shorthands for the installed set's objects. Each returns null when no set is
// installed or while the set is being built or torn down, so callers that may
// run then (destructors of points, for instance) must check.
TPolygonListe* PolygonListe();
TSelect* SelectListe();
TSelectStrPkt* SelectStrPktListe();
TVisibleAnfasser* VisibleAnfasser();
THistoryListe* HistoryListe();
