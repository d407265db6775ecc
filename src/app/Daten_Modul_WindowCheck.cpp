// The window check in the editor: the loaded pair's disparity map, computed
// once per pair on a worker thread; the check of the outline against it after
// every change while "Fensterprüfung" is on; the warning band over the
// violated stretches; and "Scheinfenster vor die Szene setzen".
//
// Nothing here waits for the map: until it arrives the status says so, and
// the check follows when it does. The check itself reads only the outline's
// point arrays and the cached map, so a drag step pays well under a
// millisecond for it.
#include "app/Daten_Modul.h"

#include "history/UserMessage.h"
#include "model/Liste_Polygon.h"
#include "model/ProgramObjects.h"
#include "stereo/Disparity.h"
#include "stereo/DisparityRunner.h"
#include "stereo/WindowCheck.h"
#include "stereo/WindowPlacing.h"

#include <QDateTime>
#include <QFileInfo>
#include <QPainter>

#include <memory>
#include <optional>

namespace {

const QString kStepFensterVorName = QString::fromLatin1(kStepFensterVor);
const QString kResWindowBeingChecked = QStringLiteral("Scheinfenster: wird geprüft \u2026");
const QString kResCannotPlaceWindow = QStringLiteral(
    "<FB><FS12><c4>Achtung!<FN><LF>Das Scheinfenster kann nicht vor die Szene gesetzt werden:<LF>"
    "entlang seines Randes ist die Tiefe der Szene nirgends zu erkennen (zu wenig Struktur im Bild).");
const QString kResWindowAlreadyPlaced = QStringLiteral(
    "Das Scheinfenster steht schon 1 bis 2 Pixel vor der nächsten Szene an seinem Rand.<LF>"
    "Es bleibt, wo es ist.");

// The warning band: wider than the outline, so that the outline drawn over
// it stays visible and the band shows on both sides of it; orange, which is
// neither an outline colour nor one of the anaglyph's red and cyan.
const QColor kViolationColour(255, 140, 0);
constexpr int kViolationPenWidth = 5;

// What makes a pair "the same pair": its files, unchanged on disk, in the
// same layout. Saving a masked picture lets go of the loaded pair and loads
// it again; its map stays valid then.
struct TPairKey {
    QString Left, Right;
    quint8 Layout = 0;
    QDateTime LeftModified, RightModified;
    qint64 LeftSize = -1, RightSize = -1;
    bool operator==(const TPairKey&) const = default;
};

TPairKey KeyOf(const QString& left, const QString& right, quint8 layout)
{
    const QFileInfo l(left), r(right);
    return TPairKey{left,
                    right,
                    layout,
                    l.exists() ? l.lastModified() : QDateTime(),
                    r.exists() ? r.lastModified() : QDateTime(),
                    l.exists() ? l.size() : -1,
                    r.exists() ? r.size() : -1};
}

} // namespace

// The window check's state: a child object of the controller, so that the
// worker thread is stopped and joined when the controller goes.
class TWindowCheckState : public QObject {
public:
    explicit TWindowCheckState(QObject* owner) : QObject(owner) {}

    // Made with the first pair; it takes the computation in force then.
    std::unique_ptr<TDisparityRunner> Runner;
    std::optional<TPairKey> Key;
    TWindowCheck Check;
    // What the check was computed from: it is redone only when one changed.
    std::vector<QPoint> CheckedLeft, CheckedRight;
    std::shared_ptr<const TDisparityMap> CheckedMap;
    bool Valid = false;
    QString Text;

    bool Busy() const { return Runner && Runner->Busy(); }
    std::shared_ptr<const TDisparityMap> Map() const { return Runner ? Runner->Map() : nullptr; }
};

TWindowCheckState& TDM::WindowCheckState()
{
    if (!FWindowCheck)
        FWindowCheck = new TWindowCheckState(this);
    return *FWindowCheck;
}

void TDM::PairLoaded(const QString& left, const QString& right, quint8 layout)
{
    TWindowCheckState& state = WindowCheckState();
    if (!state.Runner) {
        // A copy of the computation: the worker must not reach back into the
        // controller, which may be going while the worker still runs.
        state.Runner = std::make_unique<TDisparityRunner>(
            [compute = ComputeDisparity](QImage l, QImage r, const std::function<bool()>& cancelled) {
                return compute ? compute(l, r, cancelled)
                               : ComputeDisparityMap(std::move(l), std::move(r), {}, cancelled);
            });
        connect(state.Runner.get(), &TDisparityRunner::MapReady, this,
                [this](quint64 generation) { WindowCheckMapArrived(generation); });
    }
    const TPairKey key = KeyOf(left, right, layout);
    const bool known = state.Key && *state.Key == key && (state.Busy() || state.Map());
    if (!known) {
        state.Key = key;
        state.Runner->Start(SourceLeft.Image, SourceRight.Image);
        state.Check = TWindowCheck{};
        state.Valid = false;
    }
    UpdateWindowCheck();
}

std::shared_ptr<const TDisparityMap> TDM::WindowCheckMap() const
{
    return FWindowCheck ? FWindowCheck->Map() : nullptr;
}

bool TDM::WindowCheckBusy() const { return FWindowCheck && FWindowCheck->Busy(); }

const TWindowCheck& TDM::WindowCheckResult() const
{
    static const TWindowCheck none;
    return FWindowCheck ? FWindowCheck->Check : none;
}

QString TDM::WindowCheckText() const { return FWindowCheck ? FWindowCheck->Text : QString(); }

void TDM::WindowCheckMapArrived(quint64)
{
    UpdateWindowCheckActions();
    if (OnRepaintRequest)
        OnRepaintRequest();
}

void TDM::UpdateWindowCheckActions()
{
    TPolygonListe* outline = PolygonListe();
    const std::shared_ptr<const TDisparityMap> map = WindowCheckMap();
    ActionFensterVor->setEnabled(outline && outline->IsDrawable() && map && !map->Empty());
    UpdateWindowCheck();
}

void TDM::UpdateWindowCheck()
{
    const bool on = ActionFensterpruefung->isChecked();
    TWindowCheckState& state = WindowCheckState();
    QString text;
    bool checkChanged = false;
    if (on) {
        TPolygonListe* outline = PolygonListe();
        const std::shared_ptr<const TDisparityMap> map = state.Map();
        if (state.Busy()) {
            text = kResWindowBeingChecked;
        } else if (outline) {
            const std::vector<QPoint>& left = outline->Points(0);
            const std::vector<QPoint>& right = outline->Points(1);
            if (!state.Valid || map != state.CheckedMap || left != state.CheckedLeft || right != state.CheckedRight) {
                state.Check = map ? CheckWindow(*outline, *map) : TWindowCheck{};
                state.CheckedLeft = left;
                state.CheckedRight = right;
                state.CheckedMap = map;
                state.Valid = true;
                checkChanged = true;
            }
            text = WindowCheckStatusText(state.Check);
        }
    }
    if (checkChanged && OnRepaintRequest)
        OnRepaintRequest();
    if (text != state.Text) {
        state.Text = text;
        if (OnWindowCheckChanged)
            OnWindowCheckChanged(text);
    }
}

void TDM::ActionFensterpruefungExecute(QAction* sender)
{
    // The click has already flipped Checked; the band and the text follow.
    UpdateWindowCheck();
    if (sender && OnRepaintRequest)
        OnRepaintRequest();
}

TDM::TWindowCheckStretches TDM::WindowCheckStretches(const TRect& leftHalf, const TRect& rightHalf) const
{
    TWindowCheckStretches out;
    if (!ActionFensterpruefung->isChecked() || WindowCheckBusy())
        return out;
    const TWindowCheck& check = WindowCheckResult();
    const int n = int(check.Samples.size());
    if (n == 0)
        return out;
    // Parallel view shows each picture in its own half; cross view swaps the
    // halves, and the anaglyph (one rectangle for both) follows the outline,
    // which places the right picture's x in the "left" rectangle there too.
    const bool parallel = ActionParallel->isChecked();
    const TRect& leftPictureRect = parallel ? leftHalf : rightHalf;
    const TRect& rightPictureRect = parallel ? rightHalf : leftHalf;
    const double s = CurrentScale();
    auto toWindow = [&](const QPointF& p, const TRect& r) {
        return QPointF((p.x() - VisibleSource.Left) * s + r.Left, (p.y() - VisibleSource.Top) * s + r.Top);
    };
    // Each sample stands for the edge half way to its neighbours, so a
    // stretch of one sample still shows, and the band covers the edge the
    // stretch's samples judged.
    auto halfWay = [&](int a, int b, bool rightPicture) {
        const TEdgeSample& sa = check.Samples[size_t(a)];
        const TEdgeSample& sb = check.Samples[size_t(b)];
        return rightPicture ? (sa.RightPoint() + sb.RightPoint()) / 2 : (sa.Point + sb.Point) / 2;
    };
    for (const TWindowViolation& v : check.Violations) {
        QPolygonF left, right;
        const int before = (v.First + n - 1) % n;
        left << toWindow(halfWay(before, v.First, false), leftPictureRect);
        right << toWindow(halfWay(before, v.First, true), rightPictureRect);
        for (int k = v.First;; k = (k + 1) % n) {
            const TEdgeSample& sample = check.Samples[size_t(k)];
            left << toWindow(sample.Point, leftPictureRect);
            right << toWindow(sample.RightPoint(), rightPictureRect);
            if (k == v.Last)
                break;
        }
        const int after = (v.Last + 1) % n;
        left << toWindow(halfWay(v.Last, after, false), leftPictureRect);
        right << toWindow(halfWay(v.Last, after, true), rightPictureRect);
        out.Left << left;
        out.Right << right;
    }
    return out;
}

void TDM::PaintWindowCheckOverlay(QPainter& canvas, const TRect& leftHalf, const TRect& rightHalf)
{
    const TWindowCheckStretches stretches = WindowCheckStretches(leftHalf, rightHalf);
    if (stretches.Left.isEmpty())
        return;
    canvas.save();
    canvas.setBrush(Qt::NoBrush);
    canvas.setPen(QPen(kViolationColour, kViolationPenWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    // Side by side, each picture's band keeps off the picture in the other
    // half, as its outline does; the anaglyph shows both in one picture.
    const bool sideBySide = !(leftHalf == rightHalf);
    QRegion clipLeftPicture, clipRightPicture;
    if (sideBySide) {
        const TRect b{leftHalf.Left, leftHalf.Top, rightHalf.Right, rightHalf.Bottom};
        const bool cross = ActionKreuz->isChecked();
        const TRect& otherOfLeft = cross ? PictureRectLeftHalf : PictureRectRightHalf;
        const TRect& otherOfRight = cross ? PictureRectRightHalf : PictureRectLeftHalf;
        clipLeftPicture = QRegion(b.ToQRect()).subtracted(QRegion(otherOfLeft.ToQRect()));
        clipRightPicture = QRegion(b.ToQRect()).subtracted(QRegion(otherOfRight.ToQRect()));
    }
    auto draw = [&](const QVector<QPolygonF>& lines, const QRegion& clip) {
        if (sideBySide)
            canvas.setClipRegion(clip);
        for (const QPolygonF& line : lines)
            canvas.drawPolyline(line);
    };
    draw(stretches.Left, clipLeftPicture);
    draw(stretches.Right, clipRightPicture);
    canvas.restore();
}

void TDM::ActionFensterVorExecute(QAction* sender)
{
    TPolygonListe* outline = PolygonListe();
    const std::shared_ptr<const TDisparityMap> map = WindowCheckMap();
    // Also guards a call while the command is disabled.
    if (!outline || !outline->IsDrawable() || !map)
        return;
    const std::optional<int> dz = WindowPlacingOffset(CheckWindow(*outline, *map));
    if (!dz) {
        if (sender)
            ShowUserMessage(kResCannotPlaceWindow, dkWarnung, dbOK);
        return;
    }
    // Already just in front: no change, so no step either; but a user who
    // chose the command is told why nothing moved.
    if (*dz == 0) {
        if (sender)
            ShowUserMessage(kResWindowAlreadyPlaced, dkInformation, dbOK);
        return;
    }
    ShiftWindowDepth(*outline, *dz);
    FinishMaskCommand(sender, kStepFensterVorName);
}
