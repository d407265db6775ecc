#pragma once
// TFrameOptionen: the base of every page of the settings dialog. A page edits
// one group of the live settings record in place: each control writes its
// field at once and refreshes the page with its change word, which reaches
// the controller through the record's Changed.

#include "settings/Desktop_Object.h"

#include <QFrame>

class QGridLayout;
class QLabel;
class QPushButton;
class TColorDialog;
class TColorSquare;

extern const char* const kCaptionColorButton; // "Farbe Ändern..."
extern const char* const kCaptionDefaultValues; // "Vorgaben"

class TFrameOptionen : public QFrame {
    Q_OBJECT
public:
    // groupWord: the word the dialog sends when it shows this page.
    TFrameOptionen(quint16 groupWord, QWidget* parent = nullptr);
    ~TFrameOptionen() override;

    const quint16 GroupWord;
    TDesktopData* Data = nullptr; // the edited record, not owned
    TColorDialog* ColorDialog = nullptr; // shared by all pages, not owned
    QPushButton* BitBtnDefaultValues = nullptr; // "Vorgaben"

    // Copies the record into the controls, then sends what through the
    // record's Changed. Pages override it to copy their fields and then call
    // this one.
    virtual void UpdateControls(quint16 what);

protected:
    // A "Farbe Ändern..." button with its colour square, placed in row of
    // grid from column on (square first).
    struct TColorRow {
        QPushButton* Button = nullptr;
        TColorSquare* Square = nullptr;
    };
    TColorRow AddColorRow(QGridLayout* grid, int row, int column);
    // Presets the shared colour dialog with field; only when the user
    // confirms is the new colour stored and the page refreshed with word.
    void ChangeColor(TColor TDesktopData::*field, quint16 word);
    // Clicking button runs ChangeColor(field, word).
    void ConnectColor(QPushButton* button, TColor TDesktopData::*field, quint16 word);
    // The "Vorgaben" button at the bottom right of layout's last row; the page
    // gets clicks through DefaultValuesClick.
    void AddDefaultButton(QGridLayout* grid, int row, int columns);
    virtual void DefaultValuesClick() = 0;
};
