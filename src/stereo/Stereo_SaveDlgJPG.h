#pragma once
// TJPGPreferences: the JPEG options of the save dialog. Quality and coding
// are chosen here; the preview shows the picture decoded from its own
// compression, and the size label the size of a real compression of the
// full-resolution picture. That compression runs on a thread of its own;
// the bytes measured are the bytes written.

#include "stereo/JpegBackgroundEncoder.h"
#include "stereo/Stereo_SaveDlgPanel.h"

#include <memory>

class QRadioButton;
class QScrollBar;

class TJPGPreferences : public TSaveOptionsPanel {
    Q_OBJECT
public:
    static constexpr int kDefaultQuality = 96;

    explicit TJPGPreferences(QWidget* parent = nullptr);
    ~TJPGPreferences() override;

    void ClearPictures() override;
    // Quality from the bar, coding from the radio buttons.
    void UpdateDisplay(bool computeSize) override;

    TJpegOptions Options() const;
    // A size compression is running in the background ("…" is shown).
    bool Measuring() const { return FPendingTicket != 0; }

    QLabel* Label1 = nullptr; // "Bildqualität:"
    QLabel* LabelQuali = nullptr;
    QScrollBar* ScrollBarQuali = nullptr;
    QLabel* Label2 = nullptr; // "niedrig"
    QLabel* Label3 = nullptr; // "hoch"
    QRadioButton* RadioButtonStandKod = nullptr;
    QRadioButton* RadioButtonProgrKod = nullptr;

public slots:
    void ScrollBarQualiChange();
    void RadioButtonKodClick();

private:
    // What a compression was made of: the picture's contents, quality and
    // coding. Equal keys give equal bytes.
    struct TKey {
        TSavePicture::TKey Picture;
        int Quality = 0;
        bool Progressive = false;
        bool operator==(const TKey&) const = default;
    };
    TKey KeyOf(const TSavePicture& picture) const;
    void EncodedInBackground(const TJpegBackgroundEncoder::TResult& result);
    void ShowMeasured(const TKey& key, const QByteArray& data);

    std::unique_ptr<TJpegBackgroundEncoder> FEncoder;
    quint64 FPendingTicket = 0;
    TKey FPendingKey;
    TKey FMeasuredKey;
    QByteArray FMeasured; // the last compression whose size was shown
    bool FUpdating = false;
};
