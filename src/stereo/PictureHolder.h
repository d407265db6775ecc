#pragma once
// TPictureHolder: what an options panel of the save dialog hands over for
// writing. A JPEG panel hands the file's bytes exactly as they were measured
// for the size display; a bitmap panel hands the picture, which is written as
// a 24-bit bitmap file without an extra copy in memory.

#include <QByteArray>
#include <QImage>
#include <QString>

class TPictureHolder {
public:
    void SetEncoded(const QByteArray& data);
    void SetBitmap(const QImage& picture);
    void Clear();
    // Nothing was handed over (or the hand-over failed): no file is written.
    bool Empty() const { return FEncoded.isEmpty() && FBitmap.isNull(); }
    const QByteArray& Encoded() const { return FEncoded; }
    const QImage& Bitmap() const { return FBitmap; }
    // The size of the file SaveToFile writes; 0 when empty.
    qint64 FileSize() const;
    // Writes through a temporary file in the same folder that replaces the
    // target only when complete. False with a German message naming the file
    // and the reason; an empty holder is a failure too.
    bool SaveToFile(const QString& fileName, QString* error) const;

private:
    QByteArray FEncoded;
    QImage FBitmap;
};
