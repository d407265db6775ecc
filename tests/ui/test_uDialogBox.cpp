#include "ui/uDialogBox.h"

#include "ui/C_LabelFormat.h"

#include <gtest/gtest.h>

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QScreen>

#include <stdexcept>

namespace {

// Installs an answerer for one test and puts the previous one back.
struct ScopedAnswerer {
    TFormDlgBox::TAnswerer previous;
    explicit ScopedAnswerer(TFormDlgBox::TAnswerer answerer)
        : previous(TFormDlgBox::SetAnswerer(std::move(answerer))) {}
    ~ScopedAnswerer() { TFormDlgBox::SetAnswerer(std::move(previous)); }
};

struct Seen {
    QSize client;
    QPoint position;
    QRect label;
    QRect line;
    QVector<int> lefts;
    QVector<int> tops;
    QStringList captions;
    int nesting = 0;
    QString title;
};

Seen Capture(TFormDlgBox& box)
{
    Seen s;
    s.client = box.ClientSize();
    s.position = box.BoxPosition();
    s.label = box.LabelFormat()->geometry();
    s.line = box.BevelLine();
    for (int slot = 1; slot <= box.ButtonCount(); ++slot) {
        s.lefts << box.ButtonSlot(slot)->x();
        s.tops << box.ButtonSlot(slot)->y();
        s.captions << box.ButtonSlot(slot)->text();
    }
    s.nesting = TFormDlgBox::Nesting();
    s.title = box.windowTitle();
    return s;
}

int Answer(const QString& text, int kind, unsigned buttons, Seen& seen, int result = mrOk)
{
    ScopedAnswerer answer([&](TFormDlgBox& box) {
        seen = Capture(box);
        return result;
    });
    return ShowDlgBox(text, kind, buttons);
}

QRect Screen()
{
    return QGuiApplication::primaryScreen()->geometry();
}

} // namespace

TEST(DlgBoxSizing, ShortYesNoTextGives300WideBoxWithCentredButtons)
{
    Seen s;
    EXPECT_EQ(Answer(QStringLiteral("Weiter?"), dkBestaetigung, dbYes | dbNo, s, mrYes), mrYes);
    EXPECT_EQ(s.client.width(), 300);
    ASSERT_EQ(s.lefts.size(), 2);
    EXPECT_EQ(s.lefts[0], 60);
    EXPECT_EQ(s.lefts[1], 154);
    // Height: the picture (64 + 2m) outweighs one text line; 51 below the
    // separator plus m.
    EXPECT_EQ(s.client.height(), 78 + 51 + 7);
    EXPECT_EQ(s.line.top(), 136 - 51);
    EXPECT_EQ(s.tops[0], 85 + 22 - 12);
    EXPECT_EQ(s.label.topLeft(), QPoint(76, 32));
}

TEST(DlgBoxSizing, WideTextWidensBoxToLabelEdgePlus21)
{
    Seen s;
    const QString text = QStringLiteral("Diese Zeile ist viel zu lang für die schmale Grundbreite des Fensters");
    Answer(text, dkInformation, dbOK, s);
    ASSERT_GT(s.label.right() + 1, 300 - 14);
    EXPECT_EQ(s.client.width(), s.label.x() + s.label.width() + 21);
    ASSERT_EQ(s.lefts.size(), 1);
    EXPECT_EQ(s.lefts[0], s.client.width() / 2 - (21 + (94 + 21) / 2) + 14 + 21);
}

TEST(DlgBoxSizing, ManyButtonsWidenTheBox)
{
    Seen s;
    Answer(QStringLiteral("x"), dkWarnung, 0x07FF, s);
    ASSERT_EQ(s.lefts.size(), 11);
    EXPECT_EQ(s.client.width(), 21 + 94 * 11 + 21 + 14);
    EXPECT_EQ(s.lefts[0], 32);
    EXPECT_EQ(s.lefts[10], 32 + 940);
}

TEST(DlgBoxSizing, TallTextPushesButtonsDown)
{
    Seen s;
    Answer(QStringLiteral("1<LF>2<LF>3<LF>4<LF>5<LF>6<LF>7"), dkFehler, dbOK, s);
    const int labelBottom = s.label.y() + s.label.height();
    ASSERT_GT(labelBottom, 78);
    EXPECT_EQ(s.client.height(), labelBottom + 51 + 7);
    EXPECT_EQ(s.tops[0], s.client.height() - 41);
}

TEST(DlgBoxSizing, SingleBoxOpens20PixelsOffCentre)
{
    Seen s;
    Answer(QStringLiteral("x"), dkWarnung, dbOK, s);
    const QRect screen = Screen();
    EXPECT_EQ(s.nesting, 1);
    EXPECT_EQ(s.position.x(), (screen.width() / 2 - s.client.width() / 2 + 20) % (screen.width() - 50));
    EXPECT_EQ(s.position.y(), (screen.height() / 2 - s.client.height() / 2 + 20) % (screen.height() - 50));
}

TEST(DlgBoxSizing, BoxOpenedFromABoxIsOffset20More)
{
    Seen outer;
    Seen inner;
    int depth = 0;
    ScopedAnswerer answer([&](TFormDlgBox& box) {
        ++depth;
        if (depth == 1) {
            outer = Capture(box);
            ShowDlgBox(QStringLiteral("x"), dkWarnung, dbOK);
        } else {
            inner = Capture(box);
        }
        return int(mrOk);
    });
    ShowDlgBox(QStringLiteral("x"), dkWarnung, dbOK);
    EXPECT_EQ(outer.nesting, 1);
    EXPECT_EQ(inner.nesting, 2);
    EXPECT_EQ(inner.position - outer.position, QPoint(20, 20));
    EXPECT_EQ(TFormDlgBox::Nesting(), 0);
}

TEST(DlgBoxSizing, NestingIsReleasedWhenTheAnswererThrows)
{
    ScopedAnswerer answer([](TFormDlgBox&) -> int { throw std::runtime_error("gone"); });
    EXPECT_THROW(ShowDlgBox(QStringLiteral("x"), dkWarnung, dbOK), std::runtime_error);
    EXPECT_EQ(TFormDlgBox::Nesting(), 0);
}

TEST(DlgBoxButtons, CaptionsAndResultsInTableOrder)
{
    const struct {
        unsigned bit;
        const char* caption;
        int result;
    } table[] = {
        {dbYes, "&Ja", 6},           {dbNo, "&Nein", 7},         {dbOK, "OK", 1},
        {dbCancel, "Abbrechen", 2},  {dbAbort, "Abbrechen", 3},  {dbRetry, "&Wiederholen", 4},
        {dbIgnore, "&Ignorieren", 5}, {dbAll, "&Alle", 8},       {dbNoToAll, "&Alle Nein", 9},
        {dbYesToAll, "A&lle Ja", 10},
    };
    for (const auto& row : table) {
        ScopedAnswerer answer([](TFormDlgBox& box) {
            box.ButtonSlot(1)->click();
            return box.result();
        });
        EXPECT_EQ(ShowDlgBox(QStringLiteral("x"), dkWarnung, row.bit), row.result) << row.caption;
        Seen s;
        Answer(QStringLiteral("x"), dkWarnung, row.bit, s);
        EXPECT_EQ(s.captions, QStringList{QString::fromUtf8(row.caption)});
    }
    Seen all;
    Answer(QStringLiteral("x"), dkWarnung, dbHelp | dbOK | dbYes, all);
    EXPECT_EQ(all.captions, (QStringList{QStringLiteral("&Ja"), QStringLiteral("OK"), QStringLiteral("&Hilfe")}));
}

TEST(DlgBoxButtons, HelpKeepsTheBoxOpen)
{
    ScopedAnswerer answer([](TFormDlgBox& box) {
        box.setResult(-1);
        box.ButtonSlot(1)->click();
        return box.result();
    });
    EXPECT_EQ(ShowDlgBox(QStringLiteral("x"), dkWarnung, dbHelp), -1);
}

TEST(DlgBoxButtons, CloseCommandGivesCancel)
{
    ScopedAnswerer answer([](TFormDlgBox& box) {
        QCloseEvent close;
        QCoreApplication::sendEvent(&box, &close);
        return box.result();
    });
    EXPECT_EQ(ShowDlgBox(QStringLiteral("x"), dkBestaetigung, dbYes | dbNo), mrCancel);
    EXPECT_EQ(ShowDlgBox(QStringLiteral("x"), dkBestaetigung, 0), mrCancel);
}

TEST(DlgBoxButtons, EmptySetHasNoButtons)
{
    Seen s;
    Answer(QStringLiteral("x"), dkInformation, 0, s);
    EXPECT_TRUE(s.lefts.isEmpty());
    EXPECT_EQ(s.client.width(), 300);
}

TEST(DlgBoxButtons, EscapePressesCancelButtonOnly)
{
    const auto pressEscape = [](TFormDlgBox& box) {
        box.setResult(-1);
        QKeyEvent key(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QCoreApplication::sendEvent(&box, &key);
        return box.result();
    };
    ScopedAnswerer answer(pressEscape);
    EXPECT_EQ(ShowDlgBox(QStringLiteral("x"), dkBestaetigung, dbYes | dbNo), mrNo);
    EXPECT_EQ(ShowDlgBox(QStringLiteral("x"), dkBestaetigung, dbOK | dbCancel), mrCancel);
    EXPECT_EQ(ShowDlgBox(QStringLiteral("x"), dkFehler, dbOK), -1);
}

TEST(DlgBoxButtons, YesAndOkAreDefault)
{
    ScopedAnswerer answer([](TFormDlgBox& box) {
        return (box.ButtonSlot(1)->isDefault() ? 1 : 0) + (box.ButtonSlot(2)->isDefault() ? 2 : 0);
    });
    EXPECT_EQ(ShowDlgBox(QStringLiteral("x"), dkBestaetigung, dbYes | dbNo), 1);
    EXPECT_EQ(ShowDlgBox(QStringLiteral("x"), dkBestaetigung, dbOK | dbCancel), 1);
}

TEST(DlgBoxKinds, TitlesFollowTheKind)
{
    QGuiApplication::setApplicationDisplayName(QStringLiteral("Plenoptra"));
    const char* titles[] = {"Warnung", "Fehler", "Informationen", "Bestätigung", "Plenoptra"};
    for (int kind = 0; kind < 5; ++kind) {
        Seen s;
        Answer(QStringLiteral("x"), kind, dbOK, s);
        EXPECT_EQ(s.title, QString::fromUtf8(titles[kind]));
    }
}

TEST(DlgBoxKinds, SixDistinctPicturesOf48By64)
{
    TFormDlgBox box;
    QVector<QImage> images;
    for (int i = 0; i < TFormDlgBox::kPictureCount; ++i) {
        const QImage image = box.Picture(i).toImage().convertToFormat(QImage::Format_ARGB32);
        ASSERT_EQ(image.size(), QSize(48, 64)) << i;
        int opaque = 0;
        for (int y = 0; y < image.height(); ++y) {
            const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
            for (int x = 0; x < image.width(); ++x)
                opaque += qAlpha(line[x]) > 128 ? 1 : 0;
        }
        EXPECT_GT(opaque, 48 * 64 / 5) << "picture " << i << " is nearly blank";
        for (const QImage& other : images)
            EXPECT_NE(image, other) << "picture " << i << " repeats another";
        images << image;
    }
}
