#include "ui/uDialogBox.h"

#include "ui/C_LabelFormat.h"

#include <gtest/gtest.h>

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QScreen>

#include <algorithm>
#include <stdexcept>

namespace {

// Installs an answerer for one test and puts the previous one back.
struct ScopedAnswerer {
    TFormDlgBox::TAnswerer previous;
    explicit ScopedAnswerer(TFormDlgBox::TAnswerer answerer)
        : previous(TFormDlgBox::SetAnswerer(std::move(answerer))) {}
    ~ScopedAnswerer() { TFormDlgBox::SetAnswerer(std::move(previous)); }
};

// A box laid out as the first one open.
struct Box : TFormDlgBox {
    Box(const char* text, int kind, unsigned buttons) { Build(QString::fromUtf8(text), kind, buttons, 1); }
    int Left(int slot) const { return ButtonSlot(slot)->x(); }
    QStringList Captions() const
    {
        QStringList out;
        for (int slot = 1; slot <= ButtonCount(); ++slot)
            out << ButtonSlot(slot)->text();
        return out;
    }
    // The result after the event; -1 when the box is still open.
    int ResultAfter(QEvent&& event)
    {
        setResult(-1);
        QCoreApplication::sendEvent(this, &event);
        return result();
    }
};

} // namespace

TEST(DlgBoxSizing, ShortYesNoTextGives300WideBoxWithCentredButtons)
{
    Box box("Weiter?", dkBestaetigung, dbYes | dbNo);
    // Height: the picture (64 + 2m) outweighs one text line; 51 below the
    // separator plus m.
    EXPECT_EQ(box.ClientSize(), QSize(300, 78 + 51 + 7));
    EXPECT_EQ(box.Left(1), 60);
    EXPECT_EQ(box.Left(2), 154);
    EXPECT_EQ(box.BevelLine().top(), 136 - 51);
    EXPECT_EQ(box.ButtonSlot(1)->y(), 85 + 22 - 12);
    EXPECT_EQ(box.LabelFormat()->pos(), QPoint(76, 32));

    Box none("x", dkInformation, 0);
    EXPECT_EQ(none.ButtonCount(), 0);
    EXPECT_EQ(none.ClientSize().width(), 300);
}

TEST(DlgBoxSizing, WideTallTextWidensBoxToLabelEdgePlus21AndPushesButtonsDown)
{
    Box box("Diese Zeile ist viel zu lang für die schmale Grundbreite des Fensters<LF>2<LF>3<LF>4<LF>5<LF>6<LF>7",
            dkInformation, dbOK);
    const QRect label = box.LabelFormat()->geometry();
    ASSERT_GT(label.right() + 1, 300 - 14);
    ASSERT_GT(label.bottom() + 1, 78);
    const QSize client = box.ClientSize();
    EXPECT_EQ(client, QSize(label.right() + 1 + 21, label.bottom() + 1 + 51 + 7));
    EXPECT_EQ(box.Left(1), client.width() / 2 - (21 + (94 + 21) / 2) + 14 + 21);
    EXPECT_EQ(box.ButtonSlot(1)->y(), client.height() - 41);
}

TEST(DlgBoxSizing, ManyButtonsWidenTheBox)
{
    Box box("x", dkWarnung, 0x07FF);
    ASSERT_EQ(box.ButtonCount(), 11);
    EXPECT_EQ(box.ClientSize().width(), 21 + 94 * 11 + 21 + 14);
    EXPECT_EQ(box.Left(1), 32);
    EXPECT_EQ(box.Left(11), 32 + 940);
}

TEST(DlgBoxPlacement, BoxesOpen20PixelsOffCentrePerOpenBoxHandBackTheAnswerAndReleaseTheNestingWhenTheAnswererThrows)
{
    QVector<QPair<int, QPoint>> seen; // nesting and position of each box
    ScopedAnswerer answer([&](TFormDlgBox& box) {
        seen.append({TFormDlgBox::Nesting(), box.BoxPosition()});
        if (seen.size() == 1)
            ShowDlgBox(QStringLiteral("x"), dkWarnung, dbNo);
        return box.ButtonResult(1);
    });
    EXPECT_EQ(ShowDlgBox(QStringLiteral("x"), dkWarnung, dbNo), mrNo);
    EXPECT_EQ(TFormDlgBox::Nesting(), 0);
    ASSERT_EQ(seen.size(), 2);
    EXPECT_EQ(seen[0].first, 1);
    EXPECT_EQ(seen[1].first, 2);
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const QSize client = Box("x", dkWarnung, dbNo).ClientSize();
    EXPECT_EQ(seen[0].second, QPoint((screen.width() / 2 - client.width() / 2 + 20) % (screen.width() - 50),
                                     (screen.height() / 2 - client.height() / 2 + 20) % (screen.height() - 50)));
    EXPECT_EQ(seen[1].second - seen[0].second, QPoint(20, 20));
    // The nesting is released when the answerer throws.
    ScopedAnswerer failing([](TFormDlgBox&) -> int { throw std::runtime_error("gone"); });
    EXPECT_THROW(ShowDlgBox(QStringLiteral("x"), dkWarnung, dbOK), std::runtime_error);
    EXPECT_EQ(TFormDlgBox::Nesting(), 0);
}

TEST(DlgBoxButtons, CaptionsAndResultsInTableOrderHelpKeepsTheBoxOpen)
{
    const struct { unsigned bit; const char* caption; int result; } table[] = {
        {dbYes, "&Ja", 6},           {dbNo, "&Nein", 7},         {dbOK, "OK", 1},
        {dbCancel, "Abbrechen", 2},  {dbAbort, "Abbrechen", 3},  {dbRetry, "&Wiederholen", 4},
        {dbIgnore, "&Ignorieren", 5}, {dbAll, "&Alle", 8},       {dbNoToAll, "&Alle Nein", 9},
        {dbYesToAll, "A&lle Ja", 10}, {dbHelp, "&Hilfe", -1}, // help keeps the box open
    };
    for (const auto& row : table) {
        SCOPED_TRACE(row.caption);
        Box box("x", dkWarnung, row.bit);
        EXPECT_EQ(box.Captions(), QStringList{QString::fromUtf8(row.caption)});
        box.setResult(-1);
        box.ButtonSlot(1)->click();
        EXPECT_EQ(box.result(), row.result);
    }
    EXPECT_EQ(Box("x", dkWarnung, dbHelp | dbOK | dbYes).Captions(),
              (QStringList{QStringLiteral("&Ja"), QStringLiteral("OK"), QStringLiteral("&Hilfe")}));
}

TEST(DlgBoxButtons, TheChoicesAfterAFailedWorkStateWriteKeepTheirWholeCaptions)
{
    Box box("x", dkFehler, dbCancel | dbRetry | dbSaveAs | dbQuitWithoutSaving);
    EXPECT_EQ(box.Captions(), (QStringList{QStringLiteral("Abbrechen"), QStringLiteral("&Wiederholen"),
                                           QStringLiteral("Speichern &unter..."), QStringLiteral("&Trotzdem beenden")}));
    const int results[] = {mrCancel, mrRetry, mrSaveAs, mrQuitWithoutSaving};
    int widest = 0;
    for (int slot = 1; slot <= 4; ++slot) {
        EXPECT_EQ(box.ButtonResult(slot), results[slot - 1]);
        widest = std::max(widest, box.ButtonSlot(slot)->sizeHint().width());
    }
    // One width for the row, wide enough for the longest caption.
    const int w = box.ButtonSlot(1)->width();
    EXPECT_EQ(w, std::max(90, widest));
    for (int slot = 2; slot <= 4; ++slot) {
        EXPECT_EQ(box.ButtonSlot(slot)->width(), w);
        EXPECT_EQ(box.Left(slot) - box.Left(slot - 1), w + 4);
    }
    EXPECT_GE(box.ClientSize().width(), box.Left(4) + w + 14);
    // Escape goes back to the program, as Cancel does.
    EXPECT_EQ(box.ResultAfter(QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier)), mrCancel);
}

TEST(DlgBoxButtons, EscapePressesCancelOrNoOnlyClosingGivesCancelYesAndOkAreDefault)
{
    const struct { unsigned buttons; int escape; } rows[] = {
        {dbYes | dbNo, mrNo}, {dbOK | dbCancel, mrCancel}, {dbOK, -1}, {0, -1}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.buttons);
        Box box("x", dkBestaetigung, row.buttons);
        EXPECT_EQ(box.ResultAfter(QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier)), row.escape);
        EXPECT_EQ(box.ResultAfter(QCloseEvent()), mrCancel);
        if (box.ButtonCount() == 2) {
            EXPECT_TRUE(box.ButtonSlot(1)->isDefault());
            EXPECT_FALSE(box.ButtonSlot(2)->isDefault());
        }
    }
}

TEST(DlgBoxKinds, TitlesFollowTheKindAndSixDistinctPicturesOf48By64)
{
    QGuiApplication::setApplicationDisplayName(QStringLiteral("Plenoptra"));
    const char* titles[] = {"Warnung", "Fehler", "Informationen", "Bestätigung", "Plenoptra"};
    for (int kind = 0; kind < 5; ++kind)
        EXPECT_EQ(Box("x", kind, dbOK).windowTitle(), QString::fromUtf8(titles[kind]));
    TFormDlgBox box;
    QVector<QImage> images;
    for (int i = 0; i < TFormDlgBox::kPictureCount; ++i) {
        const QImage image = box.Picture(i).toImage().convertToFormat(QImage::Format_ARGB32);
        ASSERT_EQ(image.size(), QSize(48, 64)) << i;
        int opaque = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                opaque += qAlpha(image.pixel(x, y)) > 128 ? 1 : 0;
        EXPECT_GT(opaque, 48 * 64 / 5) << "picture " << i << " is nearly blank";
        for (const QImage& other : images)
            EXPECT_NE(image, other) << "picture " << i << " repeats another";
        images << image;
    }
}
