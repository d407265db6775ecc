// JPEG files that claim far more pixels than their data can hold are refused
// before the picture is allocated, and the work a file may cause is tied to
// its size.

#include "stereo/JpegFile.h"

#include <gtest/gtest.h>

#include <QFile>

#include <cstdio>
#include <random>
#include <vector>

#include <jpeglib.h>

namespace {

struct TFlatPicture {
    int width = 64, height = 64;
    bool grey = false;
    bool progressive = false;
    bool arithmetic = false;
    bool noise = false;
    int quality = 1;
    bool full = false; // 4:4:4 instead of 4:2:0
    std::vector<jpeg_scan_info> scans = {}; // empty: the library's script
};

// Encodes with the library directly, for the codings the program's own
// writer does not offer (arithmetic, grey, hand-made scan scripts).
QByteArray Encode(const TFlatPicture& picture)
{
    jpeg_compress_struct info;
    jpeg_error_mgr err;
    info.err = jpeg_std_error(&err);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = JDIMENSION(picture.width);
    info.image_height = JDIMENSION(picture.height);
    info.input_components = picture.grey ? 1 : 3;
    info.in_color_space = picture.grey ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, picture.quality, FALSE);
    if (picture.full)
        info.comp_info[0].h_samp_factor = info.comp_info[0].v_samp_factor = 1;
    info.arith_code = picture.arithmetic ? TRUE : FALSE;
    if (!picture.scans.empty()) {
        info.scan_info = picture.scans.data();
        info.num_scans = int(picture.scans.size());
    } else if (picture.progressive) {
        jpeg_simple_progression(&info);
    }
    jpeg_start_compress(&info, TRUE);
    std::vector<unsigned char> row(size_t(picture.width) * size_t(info.input_components), 128);
    std::mt19937 rng(9);
    while (info.next_scanline < info.image_height) {
        if (picture.noise)
            for (unsigned char& c : row)
                c = (unsigned char)(rng());
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&info, &r, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    QByteArray data(reinterpret_cast<const char*>(buffer), qsizetype(size));
    std::free(buffer);
    return data;
}

// Rewrites the size in the start-of-frame segment, of whatever coding.
QByteArray WithFrameSize(QByteArray data, int width, int height)
{
    const auto* d = reinterpret_cast<const unsigned char*>(data.constData());
    for (qsizetype pos = 2; pos + 9 <= data.size() && d[pos] == 0xFF; pos += 2 + ((d[pos + 2] << 8) | d[pos + 3])) {
        const int m = d[pos + 1];
        if (m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC) {
            data[pos + 5] = char(height >> 8), data[pos + 6] = char(height);
            data[pos + 7] = char(width >> 8), data[pos + 8] = char(width);
            return data;
        }
    }
    ADD_FAILURE() << "no frame header";
    return data;
}

// Sets a budget for the test's lifetime.
struct TBudget {
    TJpegBudget Previous;
    explicit TBudget(const TJpegBudget& b) : Previous(SetJpegBudget(b)) {}
    ~TBudget() { SetJpegBudget(Previous); }
};

TJpegBudget FreeOnly(qint64 bytes)
{
    TJpegBudget b;
    b.FreeBytes = bytes;
    b.BytesPerFileByte = 0;
    return b;
}

const QString kTooLittleData = QStringLiteral("zu wenige Daten");

} // namespace

TEST(JpegBombs, FilesClaimingFarMorePixelsThanTheirDataHoldAreRefusedLikeDamagedPictures)
{
    for (const char* name : {"jpeg-huge-dims-baseline.jpg", "jpeg-huge-dims-progressive.jpg"}) {
        SCOPED_TRACE(name);
        const QString path = QStringLiteral(PLENOPTRA_FUZZ_DATA "/reproducers/jpeg/") + QLatin1String(name);
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const TPictureResult r = DecodeJpegData(file.readAll());
        EXPECT_FALSE(r.Ok);
        EXPECT_TRUE(r.Image.isNull());
        EXPECT_EQ(r.Error, QStringLiteral("die Datei enthält zu wenige Daten für ein Bild von 30000 × 16666 Pixeln"));
        try {
            LoadPictureFile(path);
            ADD_FAILURE() << "no error raised";
        } catch (const EPictureError& e) {
            EXPECT_EQ(e.Message(), QStringLiteral("Das Bild \"%1\" kann nicht geladen werden: %2.").arg(path, r.Error));
        }
    }
    // Flat pictures of every coding with a forged size.
    const TFlatPicture pictures[] = {{}, {.grey = true}, {.progressive = true}, {.arithmetic = true},
                               {.grey = true, .progressive = true, .arithmetic = true}};
    for (const TFlatPicture& picture : pictures) {
        SCOPED_TRACE(testing::Message() << picture.grey << picture.progressive << picture.arithmetic);
        const QByteArray flat = Encode(picture);
        ASSERT_TRUE(DecodeJpegData(flat).Ok) << "the picture itself is fine";
        // 400 megapixels: within the size limits, far beyond the data.
        const TPictureResult r = DecodeJpegData(WithFrameSize(flat, 20000, 20000));
        EXPECT_FALSE(r.Ok);
        EXPECT_TRUE(r.Error.contains(kTooLittleData)) << r.Error.toStdString();
        // 8200 x 8200 costs 269 MB, just over the 256 MiB any file may cost.
        EXPECT_FALSE(DecodeJpegData(WithFrameSize(flat, 8200, 8200)).Ok);
    }
}

TEST(JpegBudget, TheCostIsThePictureAndForMultiScanFilesTheCoefficientsToo)
{
    const struct {
        TFlatPicture picture;
        qint64 cost;
    } cases[] = {
        // 4 bytes a pixel.
        {{.width = 1024, .height = 1024}, 4'194'304},
        // + 128 bytes for each of 128 x 128 luminance and 2 x 64 x 64
        // chrominance blocks.
        {{.width = 1024, .height = 1024, .progressive = true}, 4'194'304 + 3'145'728},
        // 125 x 125 grey blocks.
        {{.width = 1000, .height = 1000, .grey = true, .progressive = true}, 4'000'000 + 2'000'000},
        // The luminance blocks are padded to whole MCUs: 126 x 126, then
        // 2 x 63 x 63 chrominance blocks.
        {{.width = 1000, .height = 1000, .progressive = true}, 4'000'000 + 3'048'192},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.cost);
        const QByteArray data = Encode(c.picture);
        {
            TBudget exact(FreeOnly(c.cost));
            const TPictureResult r = DecodeJpegData(data);
            EXPECT_TRUE(r.Ok) << r.Error.toStdString();
        }
        TBudget short_(FreeOnly(c.cost - 1));
        const TPictureResult r = DecodeJpegData(data);
        EXPECT_FALSE(r.Ok);
        EXPECT_TRUE(r.Error.contains(kTooLittleData));
    }
}

TEST(JpegBudget, FlatPicturesWithinTheFreePartOpenBeyondItEachByteOfTheFileBuysTwoHundredFiftySixBytes)
{
    // 2000 x 2000 flat grey, arithmetic: a couple of hundred bytes for 16 MB.
    const QByteArray flat = Encode({.width = 2000, .height = 2000, .arithmetic = true});
    ASSERT_LT(flat.size(), 1000);
    const TPictureResult r = DecodeJpegData(flat);
    ASSERT_TRUE(r.Ok) << r.Error.toStdString();
    EXPECT_FALSE(r.Damaged);
    EXPECT_EQ(r.Image.size(), QSize(2000, 2000));
    // A progressive 4:4:4 file needs a coefficient buffer larger than the
    // picture; the library's memory cap leaves room for it.
    EXPECT_TRUE(DecodeJpegData(Encode({.width = 600, .height = 400, .progressive = true, .noise = true,
                                       .quality = 90, .full = true})).Ok);

    TJpegBudget b;
    b.FreeBytes = 0;
    TBudget budget(b);
    EXPECT_EQ(JpegDecodeBudget(1000), 256'000);
    EXPECT_EQ(JpegDecodeBudget(-1), 0) << "an unknown size gets the free part only";
    // A photograph-like 512 x 512 picture costs 1 MiB and holds far more
    // than 4 KiB; the same size in flat grey holds far less.
    const QByteArray noisy = Encode({.width = 512, .height = 512, .noise = true, .quality = 90});
    const QByteArray flatSmall = Encode({.width = 512, .height = 512, .progressive = true});
    ASSERT_GT(noisy.size(), 4096);
    ASSERT_LT(flatSmall.size(), 4096);
    EXPECT_TRUE(DecodeJpegData(noisy).Ok);
    EXPECT_TRUE(DecodeJpegData(flatSmall).Error.contains(kTooLittleData));
}

TEST(JpegScans, AFileWithMoreScansThanTheLimitIsRefusedOneWithinItOpens)
{
    // A valid script of 127 scans: DC, then every AC coefficient on its own,
    // first its upper bits, then its last one.
    TFlatPicture picture{.width = 16, .height = 16, .grey = true, .quality = 90};
    picture.scans.push_back({1, {0}, 0, 0, 0, 0});
    for (int al : {1, 0})
        for (int k = 1; k <= 63; ++k)
            picture.scans.push_back({1, {0}, k, k, al == 1 ? 0 : 1, al});
    const QByteArray data = Encode(picture);
    const TPictureResult refused = DecodeJpegData(data);
    EXPECT_FALSE(refused.Ok);
    EXPECT_EQ(refused.Error, QStringLiteral("die JPEG-Datei hat mehr als 100 Abschnitte (Scans)"));
    TJpegBudget more;
    more.MaxScans = 127;
    TBudget budget(more);
    const TPictureResult read = DecodeJpegData(data);
    ASSERT_TRUE(read.Ok) << read.Error.toStdString();
    EXPECT_EQ(qGray(read.Image.pixel(8, 8)), 128);
}
