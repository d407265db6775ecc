#include "stereo/JpegFile.h"

#include "stereo/StereoBitmap.h"

#include <algorithm>
#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <type_traits>
#include <limits>
#include <new>
#include <vector>
#include <utility>

#include <sys/stat.h>
#include <unistd.h>

#include <jerror.h>
#include <jpeglib.h>

// The library reports fatal errors through a callback that must not return.
// We leave it with longjmp, which skips destructors: every function below
// that calls setjmp holds only plain data, and all C++ objects (pictures,
// byte arrays, handlers) live in the callers, outside the jumped-over range.

namespace {

#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
// Format_RGB32 lies in memory as B, G, R, 0xFF. The alpha variant makes the
// library write 0xFF into the fourth byte, which Format_RGB32 requires.
constexpr J_COLOR_SPACE kReadSpace = JCS_EXT_BGRA;
constexpr J_COLOR_SPACE kWriteSpace = JCS_EXT_BGRX;
#else
constexpr J_COLOR_SPACE kReadSpace = JCS_EXT_ARGB;
constexpr J_COLOR_SPACE kWriteSpace = JCS_EXT_XRGB;
#endif

constexpr int kRowsPerCall = kJpegRowsPerBand;

// Size bombs. A JPEG header may claim up to 65500 x 65500 pixels in a few
// hundred bytes, and the decoder then allocates the picture (4 bytes a
// pixel) and, for progressive or multi-scan files, a whole-image buffer of
// coefficients (128 bytes per 8 x 8 block and component) before it finds out
// that the data is missing. So the claim is checked against the data first.
//
// The smallest real encodings, measured with libjpeg-turbo 2.1.5 on a flat
// grey picture at quality 1 (bits per 8 x 8 block, all components counted):
//
//                               4:2:0 colour           grey
//   baseline, standard tables   5.3 bits/block         6.0 bits/block
//   baseline, optimised tables  2.0                    2.0
//   progressive (simple script) 2.0                    2.0
//   arithmetic, sequential      208 bytes in all       125 bytes in all
//   arithmetic, progressive     363 bytes in all       206 bytes in all
//
// (4096 x 4096: 262 769, 98 585, 98 935 bytes in colour; the arithmetic sizes
// are the same from 1024 x 1024 up to 30000 x 16666.) A smooth synthetic
// photograph at quality 1 takes 2.3 to 5.8 bits per block with Huffman
// codes and 0.54 with arithmetic coding.
//
// Huffman codes cannot go below one bit per block (every block needs its DC
// symbol), so Huffman data can claim at most 512 grey pixels per byte: a
// 1 MB file may still claim 500 megapixels. Arithmetic coding has no floor
// at all: a flat picture of any size fits in a few hundred bytes. A bound
// taken from the encodings alone therefore cannot keep a small file from
// costing gigabytes. The rule ties the cost to the data instead: a file may
// cost BytesPerFileByte (256) bytes of memory per byte it holds. For a
// baseline picture that is one byte per 64 pixels, about 8 bits per block
// of a 4:2:0 picture: above every flat or quality-1 encoding in the table,
// but well below any photograph at an ordinary quality (a camera writes a
// byte per 2 to 4 pixels). Every file gets FreeBytes (256 MiB) whatever its
// size, so every picture up to 67 megapixels (38 in a progressive 4:2:0
// file, 26 in a progressive 4:4:4 one) opens even when it is flat. Refused
// are only larger pictures with less data than that, which are not
// photographs; and a file under 1 MiB never costs more than 256 MiB plus
// the library's row buffers.
constexpr qint64 kOutputBytesPerPixel = 4;
TJpegBudget gBudget;
// Row buffers, tables and pools the library allocates beside the whole-image
// buffer; its memory cap leaves this much room above that buffer.
constexpr long kLibraryWorkingBytes = 32l << 20;

struct TJpegError {
    jpeg_error_mgr pub;
    jmp_buf jump;
    int code;
    char text[JMSG_LENGTH_MAX];
    int warnings;
    char warningText[JMSG_LENGTH_MAX];
};

void JpegErrorExit(j_common_ptr info)
{
    TJpegError* err = reinterpret_cast<TJpegError*>(info->err);
    err->code = err->pub.msg_code;
    err->pub.format_message(info, err->text);
    longjmp(err->jump, 1);
}

// Corrupt-data warnings (premature end, bad Huffman codes, ...) are counted;
// the first one is kept for the message. Trace output is dropped.
void JpegEmitMessage(j_common_ptr info, int level)
{
    if (level >= 0)
        return;
    TJpegError* err = reinterpret_cast<TJpegError*>(info->err);
    if (err->warnings++ == 0)
        err->pub.format_message(info, err->warningText);
    err->pub.num_warnings++;
}

void InitError(TJpegError* err)
{
    std::memset(err, 0, sizeof(*err));
    jpeg_std_error(&err->pub);
    err->pub.error_exit = JpegErrorExit;
    err->pub.emit_message = JpegEmitMessage;
}

struct TJpegProgress {
    jpeg_progress_mgr pub;
    const TProgressHandler* handler = nullptr;
    int last = -1;
    const std::atomic<bool>* cancel = nullptr;
    bool tooManyScans = false;
};

// Any code the library never raises itself, so a stop on request is told
// apart from a real failure.
constexpr int kCancelCode = -2;

void JpegProgressMonitor(j_common_ptr info)
{
    TJpegProgress* p = reinterpret_cast<TJpegProgress*>(info->progress);
    if (p->cancel && p->cancel->load(std::memory_order_relaxed)) {
        TJpegError* err = reinterpret_cast<TJpegError*>(info->err);
        err->code = kCancelCode;
        longjmp(err->jump, 1);
    }
    // The library reads all scans of a multi-scan file before the first row
    // comes out, calling this once per row of blocks of each scan.
    if (info->is_decompressor && reinterpret_cast<j_decompress_ptr>(info)->input_scan_number > gBudget.MaxScans) {
        p->tooManyScans = true;
        ERREXIT(info, JERR_NOT_COMPILED);
    }
    const double passes = std::max(1, p->pub.total_passes);
    double done = p->pub.completed_passes;
    if (p->pub.pass_limit > 0)
        done += double(p->pub.pass_counter) / double(p->pub.pass_limit);
    const int percent = std::clamp(int(done * 100.0 / passes), 0, 100);
    if (percent != p->last) {
        p->last = percent;
        ReportProgress(p->handler, TProgressStage::Running, percent);
    }
}

// Reads the descriptor with pread from offset 0, so a shared descriptor's
// file position is never disturbed.
struct TFdSource {
    jpeg_source_mgr pub;
    int fd;
    off_t offset;
    bool startOfFile;
    JOCTET buffer[1 << 16];
};

void FdInitSource(j_decompress_ptr) {}
void FdTermSource(j_decompress_ptr) {}

boolean FdFillInput(j_decompress_ptr info)
{
    TFdSource* src = reinterpret_cast<TFdSource*>(info->src);
    ssize_t n;
    do
        n = pread(src->fd, src->buffer, sizeof(src->buffer), src->offset);
    while (n < 0 && errno == EINTR);
    if (n < 0)
        ERREXIT(info, JERR_FILE_READ);
    if (n == 0) {
        if (src->startOfFile)
            ERREXIT(info, JERR_INPUT_EMPTY);
        // Like the library's own sources: warn, then pretend the stream ends.
        WARNMS(info, JWRN_JPEG_EOF);
        src->buffer[0] = 0xFF;
        src->buffer[1] = JPEG_EOI;
        n = 2;
    } else {
        src->offset += n;
    }
    src->pub.next_input_byte = src->buffer;
    src->pub.bytes_in_buffer = size_t(n);
    src->startOfFile = false;
    return TRUE;
}

void FdSkipInput(j_decompress_ptr info, long count)
{
    TFdSource* src = reinterpret_cast<TFdSource*>(info->src);
    if (count <= 0)
        return;
    while (count > long(src->pub.bytes_in_buffer)) {
        count -= long(src->pub.bytes_in_buffer);
        FdFillInput(info);
    }
    src->pub.next_input_byte += count;
    src->pub.bytes_in_buffer -= size_t(count);
}

struct TDecodeJob {
    jpeg_decompress_struct info;
    TJpegError err;
    TJpegProgress progress;
    TFdSource* fdSource; // null: memory source
    const unsigned char* data;
    unsigned long size;
    qint64 fileSize; // -1 when unknown
    bool cmyk;
    int reduction; // 1, 2, 4 or 8: the decoder's own downscaling
};
// Cleared with memset before the library sees it, as the library's own
// structures expect.
static_assert(std::is_trivially_copyable_v<TDecodeJob>);

// Bytes of the whole-image coefficient buffer the library keeps for a
// progressive or multi-scan file (none for a single-scan one): 64 two-byte
// coefficients per block, rows and columns padded to whole MCUs.
qint64 WholeImageBytes(jpeg_decompress_struct* info)
{
    if (!jpeg_has_multiple_scans(info))
        return 0;
    qint64 bytes = 0;
    for (int c = 0; c < info->num_components; ++c) {
        const jpeg_component_info& comp = info->comp_info[c];
        const qint64 h = comp.h_samp_factor, v = comp.v_samp_factor;
        const qint64 columns = (qint64(comp.width_in_blocks) + h - 1) / h * h;
        const qint64 rows = (qint64(comp.height_in_blocks) + v - 1) / v * v;
        bytes += columns * rows * DCTSIZE2 * qint64(sizeof(JCOEF));
    }
    return bytes;
}

bool JpegOpen(TDecodeJob* job)
{
    if (setjmp(job->err.jump))
        return false;
    jpeg_create_decompress(&job->info);
    if (job->fdSource) {
        job->info.src = &job->fdSource->pub;
    } else {
        jpeg_mem_src(&job->info, job->data, job->size);
    }
    job->info.progress = &job->progress.pub;
    jpeg_read_header(&job->info, TRUE);
    job->cmyk = job->info.jpeg_color_space == JCS_CMYK || job->info.jpeg_color_space == JCS_YCCK;
    job->info.out_color_space = job->cmyk ? JCS_CMYK : kReadSpace;
    // Scaled decoding works on the DCT blocks themselves, so a preview never
    // computes the full resolution. Left alone at full size, so that the
    // decoded pixels stay what they have always been.
    if (job->reduction > 1) {
        job->info.scale_num = 1;
        job->info.scale_denom = unsigned(job->reduction);
    }
    jpeg_calc_output_dimensions(&job->info);
    // Whatever the library would otherwise go on to ask for, it gets no more
    // than the whole-image buffer this file needs plus its working room; a
    // larger request fails instead of allocating.
    job->info.mem->max_memory_to_use = long(WholeImageBytes(&job->info)) + kLibraryWorkingBytes;
    return true;
}

// Empty when the file may be decoded, else the German reason for refusing.
QString CheckDecodeCost(TDecodeJob* job)
{
    const qint64 w = job->info.output_width, h = job->info.output_height;
    if (!PictureSizeAllowed(w, h))
        return PictureSizeRefusal(w, h);
    const qint64 cost = w * h * kOutputBytesPerPixel + WholeImageBytes(&job->info);
    if (cost > JpegDecodeBudget(job->fileSize))
        return QStringLiteral("die Datei enthält zu wenige Daten für ein Bild von %1 × %2 Pixeln").arg(w).arg(h);
    return QString();
}

// The picture's header only.
bool JpegReadSize(TDecodeJob* job)
{
    if (setjmp(job->err.jump))
        return false;
    jpeg_create_decompress(&job->info);
    job->info.src = &job->fdSource->pub;
    jpeg_read_header(&job->info, TRUE);
    return true;
}

void InitFdSource(TFdSource* src, int fd)
{
    src->fd = fd;
    src->startOfFile = true;
    src->pub.init_source = FdInitSource;
    src->pub.fill_input_buffer = FdFillInput;
    src->pub.skip_input_data = FdSkipInput;
    src->pub.resync_to_restart = jpeg_resync_to_restart;
    src->pub.term_source = FdTermSource;
    src->pub.bytes_in_buffer = 0;
    src->pub.next_input_byte = nullptr;
}

bool JpegReadPixels(TDecodeJob* job, unsigned char* bits, size_t bytesPerLine)
{
    if (setjmp(job->err.jump))
        return false;
    jpeg_start_decompress(&job->info);
    JSAMPROW rows[kRowsPerCall];
    while (job->info.output_scanline < job->info.output_height) {
        const JDIMENSION first = job->info.output_scanline;
        const JDIMENSION count = std::min<JDIMENSION>(kRowsPerCall, job->info.output_height - first);
        for (JDIMENSION i = 0; i < count; ++i)
            rows[i] = bits + size_t(first + i) * bytesPerLine;
        jpeg_read_scanlines(&job->info, rows, count);
    }
    jpeg_finish_decompress(&job->info);
    return true;
}

// CMYK files (almost all written with inverted values) are turned into RGB
// in place; the four bytes per pixel fit the picture's own storage.
void CmykToRgb32(QImage& image)
{
    for (int y = 0; y < image.height(); ++y) {
        uchar* p = image.scanLine(y);
        QRgb* out = reinterpret_cast<QRgb*>(p);
        for (int x = 0; x < image.width(); ++x, p += 4) {
            const int k = p[3];
            out[x] = qRgb(p[0] * k / 255, p[1] * k / 255, p[2] * k / 255);
        }
    }
}

QString LibraryReason(const TJpegError& err)
{
    switch (err.code) {
    case JERR_NO_SOI:
        return QStringLiteral("keine JPEG-Datei");
    case JERR_INPUT_EMPTY:
        return QStringLiteral("die Datei ist leer");
    case JERR_FILE_READ:
        return QStringLiteral("die Datei kann nicht gelesen werden");
    case JERR_OUT_OF_MEMORY:
    case JERR_NO_BACKING_STORE:
        return QStringLiteral("nicht genug Arbeitsspeicher");
    default:
        return QStringLiteral("fehlerhafte JPEG-Daten (%1)").arg(QString::fromLocal8Bit(err.text));
    }
}

TPictureResult Decode(TDecodeJob* job, const TProgressHandler& progress)
{
    TPictureResult result;
    InitError(&job->err);
    job->info.err = &job->err.pub;
    job->progress.pub.progress_monitor = JpegProgressMonitor;
    job->progress.handler = &progress;
    job->progress.last = -1;
    ReportProgress(&progress, TProgressStage::Starting, 0);
    bool ok = JpegOpen(job);
    if (ok) {
        const qint64 w = job->info.output_width, h = job->info.output_height;
        result.Error = CheckDecodeCost(job);
        if (!result.Error.isEmpty()) {
            ok = false;
        } else {
            try {
                result.Image = NewRgb32(int(w), int(h));
            } catch (const std::bad_alloc&) {
                result.Error = QStringLiteral("nicht genug Arbeitsspeicher");
                ok = false;
            }
        }
        if (ok)
            ok = JpegReadPixels(job, result.Image.bits(), size_t(result.Image.bytesPerLine()));
        else
            job->err.code = -1;
    }
    if (!ok && result.Error.isEmpty())
        result.Error = job->progress.tooManyScans
            ? QStringLiteral("die JPEG-Datei hat mehr als %1 Abschnitte (Scans)").arg(gBudget.MaxScans)
            : LibraryReason(job->err);
    if (ok && job->cmyk)
        CmykToRgb32(result.Image);
    jpeg_destroy_decompress(&job->info);
    result.Ok = ok;
    if (!ok) {
        result.Image = QImage();
    } else if (job->err.warnings > 0) {
        result.Damaged = true;
        result.Warning = QStringLiteral("die JPEG-Daten sind unvollständig oder beschädigt (%1)")
                             .arg(QString::fromLocal8Bit(job->err.warningText));
    }
    ReportProgress(&progress, TProgressStage::Ending, 100);
    return result;
}

struct TEncodeJob {
    jpeg_compress_struct info;
    TJpegError err;
    TJpegProgress progress;
    unsigned char* buffer; // malloc'ed by the library's memory destination
    unsigned long size;
    const TJpegRowSource* source; // null: bits
    QRgb* scratch;
    const unsigned char* bits;
    size_t bytesPerLine;
    int width, height, quality;
    bool progressive;
};
static_assert(std::is_trivially_copyable_v<TEncodeJob>);

bool JpegCompress(TEncodeJob* job)
{
    if (setjmp(job->err.jump))
        return false;
    jpeg_create_compress(&job->info);
    jpeg_mem_dest(&job->info, &job->buffer, &job->size);
    job->info.progress = &job->progress.pub;
    job->info.image_width = JDIMENSION(job->width);
    job->info.image_height = JDIMENSION(job->height);
    job->info.input_components = 4;
    job->info.in_color_space = kWriteSpace;
    jpeg_set_defaults(&job->info);
    // Baseline-compatible tables even at the lowest qualities.
    jpeg_set_quality(&job->info, job->quality, TRUE);
    if (job->progressive)
        jpeg_simple_progression(&job->info);
    jpeg_start_compress(&job->info, TRUE);
    JSAMPROW rows[kRowsPerCall];
    while (job->info.next_scanline < job->info.image_height) {
        const JDIMENSION first = job->info.next_scanline;
        const JDIMENSION count = std::min<JDIMENSION>(kRowsPerCall, job->info.image_height - first);
        if (job->source) {
            const uchar* given[kRowsPerCall];
            (*job->source)(int(first), int(count), given, job->scratch);
            for (JDIMENSION i = 0; i < count; ++i)
                rows[i] = const_cast<JSAMPROW>(given[i]);
        } else {
            for (JDIMENSION i = 0; i < count; ++i)
                rows[i] = const_cast<JSAMPROW>(job->bits + size_t(first + i) * job->bytesPerLine);
        }
        jpeg_write_scanlines(&job->info, rows, count);
    }
    jpeg_finish_compress(&job->info);
    return true;
}

} // namespace

const QString kJpegCancelled = QStringLiteral("abgebrochen");

const TJpegBudget& JpegBudget() { return gBudget; }

TJpegBudget SetJpegBudget(const TJpegBudget& budget) { return std::exchange(gBudget, budget); }

qint64 JpegDecodeBudget(qint64 fileSize)
{
    // An unknown size (a descriptor that is no plain file) gets the free part.
    if (fileSize <= 0 || gBudget.BytesPerFileByte <= 0)
        return gBudget.FreeBytes;
    if (fileSize > std::numeric_limits<qint64>::max() / gBudget.BytesPerFileByte)
        return std::numeric_limits<qint64>::max();
    return std::max(gBudget.FreeBytes, fileSize * gBudget.BytesPerFileByte);
}

TPictureResult DecodeJpegData(const QByteArray& data, const TProgressHandler& progress)
{
    auto job = std::make_unique<TDecodeJob>();
    std::memset(static_cast<void*>(job.get()), 0, sizeof(TDecodeJob));
    job->data = reinterpret_cast<const unsigned char*>(data.constData());
    job->size = static_cast<unsigned long>(data.size());
    job->fileSize = data.size();
    if (data.isEmpty()) {
        TPictureResult result;
        result.Error = QStringLiteral("die Datei ist leer");
        return result;
    }
    return Decode(job.get(), progress);
}

namespace {

// A cleared decoding job that reads from fd through source.
void StartFdJob(TDecodeJob* job, TFdSource* source, int fd)
{
    std::memset(static_cast<void*>(job), 0, sizeof(TDecodeJob));
    std::memset(source, 0, sizeof(TFdSource));
    InitFdSource(source, fd);
    job->fdSource = source;
}

} // namespace

TPictureResult DecodeJpegFd(int fd, const TProgressHandler& progress, const TPictureReduction& reduction)
{
    auto job = std::make_unique<TDecodeJob>();
    auto source = std::make_unique<TFdSource>();
    StartFdJob(job.get(), source.get(), fd);
    struct stat st;
    job->fileSize = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) ? qint64(st.st_size) : -1;
    if (reduction) {
        // The size comes from a first look at the header; the decoder reads
        // it again from the start.
        const QSize size = ReadJpegSizeFd(fd);
        // A picture too large to open is not previewed either: read at full
        // size, it is refused as it would be when opened.
        if (!size.isEmpty() && PictureSizeAllowed(size.width(), size.height())) {
            const int factor = reduction(size);
            job->reduction = factor >= 8 ? 8 : factor >= 4 ? 4 : factor >= 2 ? 2 : 1;
        }
    }
    return Decode(job.get(), progress);
}

QSize ReadJpegSizeFd(int fd)
{
    auto job = std::make_unique<TDecodeJob>();
    auto source = std::make_unique<TFdSource>();
    StartFdJob(job.get(), source.get(), fd);
    InitError(&job->err);
    job->info.err = &job->err.pub;
    QSize size;
    if (JpegReadSize(job.get()))
        size = QSize(int(job->info.image_width), int(job->info.image_height));
    jpeg_destroy_decompress(&job->info);
    return size;
}

namespace {

// The coding shared by both entry points: from the picture's own rows when
// source is null, else band by band from source.
bool Encode(int width, int height, const unsigned char* bits, size_t bytesPerLine, const TJpegRowSource* source,
            const TJpegOptions& options, QByteArray* out, QString* error, const TProgressHandler& progress,
            const std::atomic<bool>* cancel)
{
    auto fail = [&](const QString& reason) {
        if (error)
            *error = reason;
        return false;
    };
    if (width <= 0 || height <= 0)
        return fail(QStringLiteral("kein Bild vorhanden"));
    if (width > JPEG_MAX_DIMENSION || height > JPEG_MAX_DIMENSION)
        return fail(QStringLiteral("das Bild ist für JPEG zu groß (höchstens %1 Pixel je Seite)").arg(JPEG_MAX_DIMENSION));
    std::vector<QRgb> scratch;
    try {
        if (source)
            scratch.resize(size_t(kRowsPerCall) * size_t(width));
    } catch (const std::bad_alloc&) {
        return fail(QStringLiteral("nicht genug Arbeitsspeicher"));
    }
    auto job = std::make_unique<TEncodeJob>();
    std::memset(static_cast<void*>(job.get()), 0, sizeof(TEncodeJob));
    InitError(&job->err);
    job->info.err = &job->err.pub;
    job->progress.pub.progress_monitor = JpegProgressMonitor;
    job->progress.handler = &progress;
    job->progress.last = -1;
    job->progress.cancel = cancel;
    job->source = source;
    job->scratch = scratch.data();
    job->bits = bits;
    job->bytesPerLine = bytesPerLine;
    job->width = width;
    job->height = height;
    job->quality = std::clamp(options.Quality, 1, 100);
    job->progressive = options.Progressive;
    ReportProgress(&progress, TProgressStage::Starting, 0);
    const bool ok = JpegCompress(job.get());
    jpeg_destroy_compress(&job->info);
    bool copied = false;
    if (ok && out) {
        try {
            *out = QByteArray(reinterpret_cast<const char*>(job->buffer), qsizetype(job->size));
            copied = true;
        } catch (const std::bad_alloc&) {
        }
    }
    std::free(job->buffer);
    ReportProgress(&progress, TProgressStage::Ending, 100);
    if (!ok && job->err.code == kCancelCode)
        return fail(kJpegCancelled);
    if (!ok)
        return fail(QStringLiteral("JPEG-Kodierung fehlgeschlagen (%1)").arg(QString::fromLocal8Bit(job->err.text)));
    if (out && !copied)
        return fail(QStringLiteral("nicht genug Arbeitsspeicher"));
    return true;
}

} // namespace

bool EncodeJpeg(const QImage& image, const TJpegOptions& options, QByteArray* out, QString* error,
                const TProgressHandler& progress, const std::atomic<bool>* cancel)
{
    if (image.isNull() || image.width() <= 0 || image.height() <= 0) {
        if (error)
            *error = QStringLiteral("kein Bild vorhanden");
        return false;
    }
    QImage rgb = image;
    try {
        SwitchToRgb32(rgb);
    } catch (const std::bad_alloc&) {
        if (error)
            *error = QStringLiteral("nicht genug Arbeitsspeicher");
        return false;
    }
    return Encode(rgb.width(), rgb.height(), rgb.constBits(), size_t(rgb.bytesPerLine()), nullptr, options, out, error,
                  progress, cancel);
}

bool EncodeJpegRows(int width, int height, const TJpegRowSource& source, const TJpegOptions& options, QByteArray* out,
                    QString* error, const TProgressHandler& progress, const std::atomic<bool>* cancel)
{
    return Encode(width, height, nullptr, 0, &source, options, out, error, progress, cancel);
}

bool SaveJpegFile(const QImage& image, const QString& fileName, const TJpegOptions& options, QString* error,
                  const TProgressHandler& progress)
{
    QByteArray data;
    if (!EncodeJpeg(image, options, &data, error, progress))
        return false;
    return WriteFileReplacing(
        fileName, [&](QIODevice& device) { return device.write(data) == data.size(); }, error);
}
