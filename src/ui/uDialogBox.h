#pragma once
// The program's own message box: the text is markup for TLabelFormat, so
// messages can carry bold words, colours, sizes and line breaks. The box sizes
// itself to the text and to its buttons.

// Kinds, button bits and results are the core's own numbers.
#include "history/UserMessage.h"

#include <QDialog>
#include <QPixmap>
#include <QVector>

#include <array>
#include <functional>

class QPushButton;
class TLabelFormat;

class TFormDlgBox : public QDialog {
    Q_OBJECT

public:
    static constexpr int kMargin = 7;           // m
    static constexpr int kPictureWidth = 48;
    static constexpr int kPictureHeight = 64;
    static constexpr int kPictureCount = 6;
    // One slot for every kind of button, so no combination loses a button.
    static constexpr int kButtonSlots = 13;
    static constexpr int kButtonWidth = 90;
    static constexpr int kButtonHeight = 25;
    static constexpr int kLabelTop = 32;
    static constexpr int kNestingOffset = 20;

    // Called with the laid-out box instead of showing it modally; returns the
    // result the call hands back. Lets tests and automation answer a box.
    using TAnswerer = std::function<int(TFormDlgBox&)>;
    static TAnswerer SetAnswerer(TAnswerer answerer);
    static const TAnswerer& Answerer();

    // Number of boxes open at the moment.
    static int Nesting();

    explicit TFormDlgBox(QWidget* parent = nullptr);

    // Runs the whole sizing for text, kind and buttons and places the box for
    // nesting open boxes (this one included).
    void Build(const QString& text, int kind, unsigned buttons, int nesting);

    int Kind() const { return FKind; }
    QSize ClientSize() const { return QSize(FClientWidth, FClientHeight); }
    QPoint BoxPosition() const { return FPosition; }
    QRect BevelRect() const { return FBevelRect; }
    QRect BevelLine() const { return FBevelLine; }
    TLabelFormat* LabelFormat() const { return FLabel; }

    // Slots 1..11; null for a slot without a button.
    QPushButton* ButtonSlot(int slot) const;
    int ButtonCount() const;
    int ButtonResult(int slot) const;

    const QPixmap& Picture(int index) const;

    static QString KindTitle(int kind);

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

public slots:
    void reject() override;

private:
    void SetClientSize(int width, int height);
    void CreateButton(int slot, unsigned bit, int top);

    TLabelFormat* FLabel = nullptr;
    int FKind = dkWarnung;
    int FHelpContext = 0;
    int FClientWidth = 0;
    int FClientHeight = 0;
    QRect FBevelRect;
    QRect FBevelLine;
    QPoint FPosition;
    std::array<QPushButton*, kButtonSlots> FButtons{};
    std::array<int, kButtonSlots> FResults{};
    std::array<unsigned, kButtonSlots> FBits{};
    QVector<QPixmap> FPictures;
};

// Shows text (markup) in a fresh modal box of the given kind with the given
// buttons and returns the result of the button pressed; closing the window
// gives mrCancel.
int ShowDlgBox(const QString& text, int kind, unsigned buttons);
