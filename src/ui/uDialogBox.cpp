#include "ui/uDialogBox.h"

#include "ui/C_LabelFormat.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QSvgRenderer>

#include <algorithm>

// Outside any namespace: the resource initialiser is a global function.
static void InitUiResources()
{
    Q_INIT_RESOURCE(plenoptra_ui);
}

namespace {

struct TButtonDef {
    unsigned Bit;
    const char* Caption;
    int Result;
};

// Order matters: the set bits fill the slots from the left in this order.
constexpr TButtonDef kButtonDefs[TFormDlgBox::kButtonSlots] = {
    {dbYes, "&Ja", mrYes},
    {dbNo, "&Nein", mrNo},
    {dbOK, "OK", mrOk},
    {dbCancel, "Abbrechen", mrCancel},
    {dbAbort, "Abbrechen", mrAbort},
    {dbRetry, "&Wiederholen", mrRetry},
    {dbIgnore, "&Ignorieren", mrIgnore},
    {dbAll, "&Alle", mrAll},
    {dbNoToAll, "&Alle Nein", mrNoToAll},
    {dbYesToAll, "A&lle Ja", mrYesToAll},
    {dbSaveAs, "Speichern &unter...", mrSaveAs},
    {dbQuitWithoutSaving, "&Trotzdem beenden", mrQuitWithoutSaving},
    {dbHelp, "&Hilfe", mrNone},
};

constexpr int kStartClientWidth = 300;
constexpr int kStartClientHeight = 250;
// Space the separator keeps to the bottom edge: 3m + 30.
constexpr int kLineToBottom = 3 * TFormDlgBox::kMargin + 30;
constexpr int kButtonGap = 4;

int gNesting = 0;
TFormDlgBox::TAnswerer gAnswerer;

// Counts a box as open for exactly as long as the call runs, even when the
// answerer or the event loop throws.
struct TNestingGuard {
    TNestingGuard() { ++gNesting; }
    ~TNestingGuard() { --gNesting; }
};

QPixmap RenderPicture(int index)
{
    QImage image(TFormDlgBox::kPictureWidth, TFormDlgBox::kPictureHeight,
                 QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QSvgRenderer renderer(QStringLiteral(":/ui/dlg_%1.svg").arg(index));
    if (renderer.isValid()) {
        QPainter painter(&image);
        renderer.render(&painter, QRectF(image.rect()));
    }
    return QPixmap::fromImage(image);
}

// C's remainder, but a screen too small for the wrap-around leaves the value.
int WrapPosition(int value, int modulus)
{
    return modulus > 0 ? value % modulus : value;
}

} // namespace

TFormDlgBox::TAnswerer TFormDlgBox::SetAnswerer(TAnswerer answerer)
{
    TAnswerer previous = std::move(gAnswerer);
    gAnswerer = std::move(answerer);
    return previous;
}

const TFormDlgBox::TAnswerer& TFormDlgBox::Answerer()
{
    return gAnswerer;
}

int TFormDlgBox::Nesting()
{
    return gNesting;
}

QString TFormDlgBox::KindTitle(int kind)
{
    switch (kind) {
    case dkWarnung:
        return QStringLiteral("Warnung");
    case dkFehler:
        return QStringLiteral("Fehler");
    case dkInformation:
        return QStringLiteral("Informationen");
    case dkBestaetigung:
        return QStringLiteral("Bestätigung");
    default:
        return QGuiApplication::applicationDisplayName();
    }
}

TFormDlgBox::TFormDlgBox(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint
                          | Qt::WindowCloseButtonHint)
{
    InitUiResources();
    setFont(TLabelFormat::PlatformFont(QStringLiteral("MS Sans Serif"), 8));
    QPalette pal = palette();
    pal.setColor(QPalette::Window, pal.color(QPalette::Button));
    setPalette(pal);
    setAutoFillBackground(true);

    for (int i = 0; i < kPictureCount; ++i)
        FPictures.append(RenderPicture(i));

    const int m = kMargin;
    FClientWidth = kStartClientWidth;
    FClientHeight = kStartClientHeight;
    FBevelRect = QRect(m, m, FClientWidth - 2 * m, FClientHeight - 2 * m);
    FBevelLine = QRect(3 * m, FClientHeight - kLineToBottom, FClientWidth - 6 * m, 2);
    setFixedSize(FClientWidth, FClientHeight);

    FLabel = new TLabelFormat(this);
    FLabel->setObjectName(QStringLiteral("LabelFormat"));
    FLabel->SetTransparent(true);
    FLabel->move(kPictureWidth + 4 * m, kLabelTop);
}

void TFormDlgBox::SetClientSize(int width, int height)
{
    // The frame follows all four edges, the separator left, right and bottom,
    // the buttons left and bottom.
    const int dw = width - FClientWidth;
    const int dh = height - FClientHeight;
    FBevelRect.setSize(FBevelRect.size() + QSize(dw, dh));
    FBevelLine = QRect(FBevelLine.left(), FBevelLine.top() + dh, FBevelLine.width() + dw,
                       FBevelLine.height());
    for (QPushButton* button : FButtons)
        if (button)
            button->move(button->x(), button->y() + dh);
    FClientWidth = width;
    FClientHeight = height;
    setFixedSize(width, height);
}

void TFormDlgBox::CreateButton(int slot, unsigned bit, int top)
{
    const TButtonDef* def = std::find_if(std::begin(kButtonDefs), std::end(kButtonDefs),
                                         [bit](const TButtonDef& d) { return d.Bit == bit; });
    auto* button = new QPushButton(QString::fromUtf8(def->Caption), this);
    button->setGeometry(3 * kMargin, top, kButtonWidth, kButtonHeight);
    FButtons[slot - 1] = button;
    FResults[slot - 1] = def->Result;
    FBits[slot - 1] = bit;
    const int result = def->Result;
    // Help has no result: the box stays open.
    if (result != mrNone)
        connect(button, &QPushButton::clicked, this, [this, result] { done(result); });
}

void TFormDlgBox::Build(const QString& text, int kind, unsigned buttons, int nesting)
{
    const int m = kMargin;
    SetClientSize(kStartClientWidth, kStartClientHeight);

    FLabel->SetAutoSize(true);
    FLabel->SetCaption(text);
    FLabel->AdjustBounds();

    FKind = kind;
    setWindowTitle(KindTitle(kind));
    FHelpContext = 0;

    const int frameBottom = FBevelRect.top() + FBevelRect.height();
    const int buttonTop = FBevelLine.top() + (frameBottom - FBevelLine.top()) / 2 - 12;

    int n = 0;
    for (const TButtonDef& def : kButtonDefs) {
        const bool wanted = (buttons & def.Bit) != 0 || (def.Bit == dbHelp && FHelpContext != 0);
        if (wanted)
            CreateButton(++n, def.Bit, buttonTop);
    }
    bool haveDefault = false;
    for (int i = 0; i < n; ++i) {
        if (!haveDefault && (FBits[i] == dbOK || FBits[i] == dbYes)) {
            FButtons[i]->setDefault(true);
            haveDefault = true;
        }
    }

    // All buttons are 90 wide, unless a caption needs more; then all of them
    // take the width of the widest, so the row keeps one rhythm.
    int buttonWidth = kButtonWidth;
    for (int i = 0; i < n; ++i)
        buttonWidth = std::max(buttonWidth, FButtons[i]->sizeHint().width());
    for (int i = 0; i < n; ++i)
        FButtons[i]->resize(buttonWidth, FButtons[i]->height());

    if (n >= 1) {
        const int w = FButtons[0]->width();
        for (int i = 0; i < n; ++i)
            FButtons[i]->move(i * (w + kButtonGap) + 3 * m, FButtons[i]->y());
    }

    const int labelRight = FLabel->x() + FLabel->width();
    if (FClientWidth - 2 * m < labelRight)
        SetClientSize(labelRight + 3 * m, FClientHeight);
    if (n >= 1) {
        const int w = FButtons[0]->width();
        const int rowRight = FButtons[0]->x() + (w + kButtonGap) * n + 3 * m;
        if (FClientWidth - 2 * m < rowRight)
            SetClientSize(rowRight + 2 * m, FClientHeight);
        const int offset = FClientWidth / 2
            - (FButtons[0]->x() + ((w + kButtonGap) * n + 3 * m) / 2) + 2 * m;
        for (int i = 0; i < n; ++i)
            FButtons[i]->move(FButtons[i]->x() + offset, FButtons[i]->y());
    }

    FLabel->AdjustBounds();
    const int labelBottom = FLabel->y() + FLabel->height();
    SetClientSize(FClientWidth, std::max(labelBottom, kPictureHeight + 2 * m) + FClientHeight
                                    - FBevelLine.top() + m);

    QRect screen(0, 0, 0, 0);
    if (const QScreen* primary = QGuiApplication::primaryScreen())
        screen = primary->geometry();
    const int left = WrapPosition(screen.width() / 2 - FClientWidth / 2 + kNestingOffset * nesting,
                                  screen.width() - 50);
    const int top = WrapPosition(screen.height() / 2 - FClientHeight / 2 + kNestingOffset * nesting,
                                 screen.height() - 50);
    FPosition = screen.topLeft() + QPoint(left, top);
    move(FPosition);
}

QPushButton* TFormDlgBox::ButtonSlot(int slot) const
{
    return (slot >= 1 && slot <= kButtonSlots) ? FButtons[slot - 1] : nullptr;
}

int TFormDlgBox::ButtonCount() const
{
    return int(std::count_if(FButtons.begin(), FButtons.end(), [](auto* b) { return b != nullptr; }));
}

int TFormDlgBox::ButtonResult(int slot) const
{
    return (slot >= 1 && slot <= kButtonSlots && FButtons[slot - 1]) ? FResults[slot - 1] : mrNone;
}

const QPixmap& TFormDlgBox::Picture(int index) const
{
    static const QPixmap none;
    return (index >= 0 && index < FPictures.size()) ? FPictures[index] : none;
}

void TFormDlgBox::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QColor shadow = palette().color(QPalette::Dark);
    const QColor light = palette().color(QPalette::Light);
    painter.setPen(shadow);
    painter.drawRect(FBevelRect.adjusted(0, 0, -2, -2));
    painter.setPen(light);
    painter.drawRect(FBevelRect.adjusted(1, 1, -1, -1));
    const int lineY = FBevelLine.top();
    painter.setPen(shadow);
    painter.drawLine(FBevelLine.left(), lineY, FBevelLine.right(), lineY);
    painter.setPen(light);
    painter.drawLine(FBevelLine.left(), lineY + 1, FBevelLine.right(), lineY + 1);
    painter.drawPixmap(2 * kMargin, 2 * kMargin, Picture(FKind));
}

void TFormDlgBox::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    raise();
    activateWindow();
}

void TFormDlgBox::closeEvent(QCloseEvent* event)
{
    done(mrCancel);
    event->accept();
}

void TFormDlgBox::reject()
{
    done(mrCancel);
}

void TFormDlgBox::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        // Escape belongs to the cancel buttons (Cancel, No); a box without one
        // ignores it and is left only through a button or the close command.
        for (int i = 0; i < kButtonSlots; ++i) {
            if (FButtons[i] && (FBits[i] == dbCancel || FBits[i] == dbNo)) {
                FButtons[i]->click();
                break;
            }
        }
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

int ShowDlgBox(const QString& text, int kind, unsigned buttons)
{
    TNestingGuard open;
    TFormDlgBox box;
    box.Build(text, kind, buttons, TFormDlgBox::Nesting());
    // A copy: the answerer may install another one while it runs.
    const TFormDlgBox::TAnswerer answerer = TFormDlgBox::Answerer();
    if (answerer)
        return answerer(box);
    return box.exec();
}
