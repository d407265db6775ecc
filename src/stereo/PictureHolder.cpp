#include "stereo/PictureHolder.h"

#include "stereo/BmpFile.h"
#include "stereo/PictureFiles.h"

#include <QIODevice>

void TPictureHolder::SetEncoded(const QByteArray& data)
{
    FBitmap = QImage();
    FEncoded = data;
}

void TPictureHolder::SetBitmap(const QImage& picture)
{
    FEncoded = QByteArray();
    FBitmap = picture;
}

void TPictureHolder::Clear()
{
    FEncoded = QByteArray();
    FBitmap = QImage();
}

qint64 TPictureHolder::FileSize() const
{
    if (!FEncoded.isEmpty())
        return FEncoded.size();
    return FBitmap.isNull() ? 0 : BmpFileSize(FBitmap);
}

bool TPictureHolder::SaveToFile(const QString& fileName, QString* error) const
{
    if (!FEncoded.isEmpty())
        return WriteFileReplacing(
            fileName, [this](QIODevice& device) { return device.write(FEncoded) == FEncoded.size(); }, error);
    if (!FBitmap.isNull())
        return SaveBmpFile(FBitmap, fileName, error);
    if (error)
        *error = QStringLiteral("Die Datei \"%1\" kann nicht geschrieben werden: das Bild konnte nicht kodiert werden.")
                     .arg(fileName);
    return false;
}
