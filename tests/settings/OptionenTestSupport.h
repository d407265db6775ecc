#pragma once
// Shared pieces of the settings dialog tests: a live record that keeps the
// words it was sent, an answerer for the shared colour dialog, and typing
// into a field as the keyboard does.
#include "history/Streams.h"
#include "settings/Desktop_Object.h"
#include "settings/OptionenColorDialog.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QKeyEvent>
#include <QWidget>

#include <vector>

struct TLiveRecord {
    TDesktopData data;
    std::vector<quint16> words;
    TLiveRecord()
    {
        data.OnChange = [this](TDesktopData* sender, quint16 what) {
            EXPECT_EQ(sender, &data);
            words.push_back(what);
        };
    }
    quint16 LastWord() const { return words.empty() ? quint16(0xFFFF) : words.back(); }
};

// Answers the colour dialog: confirms with answer unless told to cancel,
// and keeps the colours it was preset with.
struct TColorAnswer {
    bool confirm = true;
    TColor answer = 0;
    std::vector<TColor> presets;
    TColorDialog::TAnswerer previous;
    TColorAnswer()
    {
        previous = TColorDialog::SetAnswerer([this](TColor& colour) {
            presets.push_back(colour);
            if (!confirm)
                return false;
            colour = answer;
            return true;
        });
    }
    ~TColorAnswer() { TColorDialog::SetAnswerer(previous); }
};

// The record's stream block: equal blocks mean equal fields.
inline QByteArray Block(const TDesktopData& d)
{
    TMemoryStream s;
    d.WriteToStream(1, s);
    return s.Data();
}

inline void TypeText(QWidget* target, const QString& text)
{
    for (QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QCoreApplication::sendEvent(target, &press);
    }
}
