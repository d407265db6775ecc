#pragma once
// TAnfasser: a draggable handle of the mask, the base of nodes and control
// points. It has an integer 3-D position in picture pixels (X, Y, and Z as the
// parallax: the right picture shows the point at X + Z), one screen point and
// one hit square per picture of the pair, and its visibility and selection.
// Visibility and selection are changed only through SetVisible and
// SetSelected, which keep the program-wide registries in step.

#include "model/Geometry.h"

#include <QPoint>
#include <QRect>

#include <array>

class QPainter;
class TStream;

// The colours of one handle: entry 0 for the ordinary display, entries 1 and
// 2 for the right and the left side of the two-colour display.
using TColorTriple = std::array<TColor, 3>;

// Colour modes of the drawing calls.
enum TColorMode : int {
    cmNormal = 0,
    cmTwoColor = 1,
};

// The entry of triple that colour mode and side select (black for an
// unknown mode).
TColor ColorOfSide(const TColorTriple& triple, int side, int colorMode);

// Kinds of a node: how its two control points are coupled.
enum TNodeKind : quint8 {
    nkSpitze = 0,
    nkGlatt = 1,
    nkSymmetrisch = 2,
};

// Segment types (the Curve byte).
enum TSegmentType : quint8 {
    stLine = 0,
    stCurve = 1,
};

class TAnfasser {
public:
    // End marker of both stream aspects and the error for a missing one.
    static constexpr const char* kEndMarker = "-EOA-";
    static const QString kEndMarkerError;

    // Z = 0, invisible, unselected, base colours. Asks the outline to rebuild
    // its point arrays.
    TAnfasser(int x, int y);
    // Leaves every registry first (SetVisible(false), SetSelected(false)).
    virtual ~TAnfasser();
    TAnfasser(const TAnfasser&) = delete;
    TAnfasser& operator=(const TAnfasser&) = delete;

    // Vertical picture position.
    virtual int GetY() const;
    // Parallax in picture pixels.
    virtual int GetZ() const;
    // Enters or leaves the visible-handle registry; hiding also deselects.
    virtual void SetVisible(bool visible);
    // Stores the flag; descendants also maintain their selection.
    virtual void SetSelected(bool selected);
    // Aspect 0 geometry, aspect 1 state; raises ERangeError(kEndMarkerError)
    // when the block does not end with kEndMarker.
    virtual void ReadFromStream(int aspect, TStream& stream);
    virtual void WriteToStream(int aspect, TStream& stream) const;
    // Draws the square of one side in that side's colours.
    virtual void DrawSide(QPainter& painter, int side, int colorMode) const;
    // Draws both squares, with the emphasis frames when Hot or reference.
    virtual void DrawBoth(QPainter& painter, int colorMode) const;
    virtual void SetPosXY(const QPoint& p);
    virtual void MoveXY(const QPoint& delta);
    virtual void MoveZ(int dz);
    // Horizontal picture position: side 0 X, side 1 X + Z.
    virtual int GetX(int side) const;

    int X() const { return FX; }
    int Y() const { return FY; }
    int Z() const { return FZ; }
    // Stores z and, when it changed, rebuilds the outline's point arrays.
    void SetZ(int z);

    quint8 Curve() const { return FCurve; }
    void SetCurve(quint8 curve) { FCurve = curve; }
    bool Visible() const { return FVisible; }
    bool Selected() const { return FSelected; }
    bool Hot() const { return FHot; }
    // Enlarging or shrinking the boxes by one pixel when the flag changes.
    void SetHot(bool hot);

    QPoint ScreenPoint(int side) const { return side == 0 ? FScreenLeft : FScreenRight; }
    void SetScreenPos(int side, const QPoint& p);
    // Hit and fill box; right and bottom are part of it.
    QRect Square(int side) const { return side == 0 ? FSquareLeft : FSquareRight; }
    // Emphasis box: 6 pixels up and left, 4 down and right.
    QRect Frame(int side) const { return side == 0 ? FFrameLeft : FFrameRight; }
    // True when p lies in either square (bounds included). leftFlag becomes
    // true when the left square is hit, false when only the right one is,
    // and stays as it was on a miss.
    bool HitTest(const QPoint& p, bool& leftFlag) const;

    TColor SelectedFill(int entry) const { return FSelectedFill.at(entry); }
    void SetSelectedFill(int entry, TColor c) { FSelectedFill.at(entry) = c; }
    TColor NormalFill(int entry) const { return FNormalFill.at(entry); }
    void SetNormalFill(int entry, TColor c) { FNormalFill.at(entry) = c; }
    TColor FramePen(int entry) const { return FFramePen.at(entry); }
    void SetFramePen(int entry, TColor c) { FFramePen.at(entry) = c; }
    TColor OutlinePen(int entry) const { return FOutlinePen.at(entry); }
    void SetOutlinePen(int entry, TColor c) { FOutlinePen.at(entry) = c; }

protected:
    // Plain stores, for readers and descendants that keep copies in step.
    void StorePosition(int x, int y, int z);
    // Called after Z changed through SetZ.
    virtual void ZChanged() {}
    // Brush of the square of one side: SelectedFill or NormalFill.
    TColor FillOfSide(int side, int colorMode) const;
    // True when this point is the first member of its selection.
    virtual bool IsReference() const;
    // Both boxes of DrawBoth; round draws ellipses instead of rectangles.
    void DrawBoxes(QPainter& painter, int colorMode, bool round, TColor fillLeft,
                   TColor fillRight) const;
    void ReadBaseAspect(int aspect, TStream& stream);
    void WriteBaseAspect(int aspect, TStream& stream) const;

    TColorTriple FSelectedFill;
    TColorTriple FNormalFill;
    TColorTriple FFramePen;
    TColorTriple FOutlinePen;

private:
    void UpdateBoxes(int side);

    int FX = 0;
    int FY = 0;
    int FZ = 0;
    QPoint FScreenLeft;
    QPoint FScreenRight;
    bool FVisible = false;
    bool FHot = false;
    QRect FSquareLeft;
    QRect FSquareRight;
    QRect FFrameLeft;
    QRect FFrameRight;
    quint8 FCurve = stLine;
    bool FSelected = false;
};

// Draws a box the way the handles are drawn: the outline covers left..right-1
// and top..bottom-1 of r, as a rectangle or an ellipse.
void DrawHandleBox(QPainter& painter, const QRect& r, bool round);
