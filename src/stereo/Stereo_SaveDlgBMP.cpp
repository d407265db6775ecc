#include "stereo/Stereo_SaveDlgBMP.h"

#include "stereo/BmpFile.h"
#include "stereo/PictureHolder.h"
#include "stereo/StereoSaveNames.h"

#include <QGridLayout>
#include <QTimer>

TBMPPreferences::TBMPPreferences(QWidget* parent) : TSaveOptionsPanel(parent)
{
    setObjectName(QStringLiteral("BMPPreferences"));
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(4, 4, 4, 4);
    AddSizeRow(grid, 0);
    grid->setRowStretch(1, 1);
}

void TBMPPreferences::UpdateDisplay(bool computeSize)
{
    if (FHavePreview && !FPreview.isNull() && PreviewTarget)
        PreviewTarget->SetPicture(FPreview);
    if (!FHaveSave)
        return;
    if (computeSize)
        LabelFileSize->setText(FSave.IsNull() ? kSizeUnknown : FileSizeText(BmpFileSize(FSave.Width(), FSave.Height())));
    // A bitmap is written from the whole picture: a side-by-side one is put
    // together only now.
    if (OutputTarget && !FSave.IsNull())
        HoldSavePicture(FSave, sftBmp, TJpegOptions(), *OutputTarget);
}
