#include "ui/About.h"

#include "ui/C_LabelFormat.h"
#include "ui/VersionBlock.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QIcon>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

#include <algorithm>

namespace {

constexpr qint64 kScanChunk = 1 << 20;
const QString kTranslationPath = QStringLiteral("\\VarFileInfo\\Translation");

quint32 Read32(const char* p)
{
    const auto* u = reinterpret_cast<const unsigned char*>(p);
    return quint32(u[0]) | quint32(u[1]) << 8 | quint32(u[2]) << 16 | quint32(u[3]) << 24;
}

quint16 Read16(const char* p)
{
    const auto* u = reinterpret_cast<const unsigned char*>(p);
    return quint16(u[0] | u[1] << 8);
}

QByteArrayView MagicView()
{
    return QByteArrayView(reinterpret_cast<const char*>(kVersionBlockMagic.data()),
                          qsizetype(kVersionBlockMagic.size()));
}

} // namespace

TVersionInfoFile::TVersionInfoFile(const QString& fileName)
{
    const QString path = fileName.isEmpty() ? QCoreApplication::applicationFilePath() : fileName;
    if (!ReadBlock(path)) {
        FSize = 0;
        FData = QByteArray();
        FEntries.clear();
    }
}

bool TVersionInfoFile::ReadBlock(const QString& fileName)
{
    // Only regular files: a device or a pipe could be endless or block.
    const QFileInfo info(fileName);
    if (fileName.isEmpty() || !info.isFile())
        return false;
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const qint64 fileSize = file.size();
    const auto tryBlockAt = [&](qint64 at) {
        if (at + qint64(kVersionBlockHeaderSize) > fileSize || !file.seek(at + qint64(kVersionBlockMagicSize)))
            return false;
        const QByteArray header = file.read(8);
        if (header.size() != 8)
            return false;
        const quint32 size = Read32(header.constData());
        const quint32 checksum = Read32(header.constData() + 4);
        if (size > kVersionBlockMaxPayload || at + qint64(kVersionBlockHeaderSize) + size > fileSize)
            return false;
        const QByteArray payload = file.read(size);
        if (payload.size() != qsizetype(size)
            || VersionBlockChecksum(reinterpret_cast<const unsigned char*>(payload.constData()),
                                    payload.size()) != checksum
            || !ParsePayload(payload))
            return false;
        FSize = int(size);
        FData = payload;
        return true;
    };

    // Scan in chunks; the chunks overlap by the magic's length less one byte
    // so that a header across a chunk border is still seen.
    const qsizetype overlap = qsizetype(kVersionBlockMagicSize) - 1;
    QByteArray carried;
    qint64 offset = 0;
    while (offset < fileSize) {
        if (!file.seek(offset))
            return false;
        const QByteArray chunk = file.read(std::min(kScanChunk, fileSize - offset));
        if (chunk.isEmpty())
            return false;
        const QByteArray window = carried + chunk;
        const qint64 base = offset - carried.size();
        for (qsizetype hit = window.indexOf(MagicView()); hit >= 0;
             hit = window.indexOf(MagicView(), hit + 1)) {
            FEntries.clear();
            if (tryBlockAt(base + hit))
                return true;
        }
        offset += chunk.size();
        carried = window.right(overlap);
    }
    return false;
}

bool TVersionInfoFile::ParsePayload(const QByteArray& payload)
{
    FEntries.clear();
    const char* p = payload.constData();
    const qsizetype size = payload.size();
    qsizetype pos = 0;
    while (pos < size) {
        if (size - pos < 2)
            return false;
        const quint16 pathSize = Read16(p + pos);
        pos += 2;
        if (size - pos < pathSize + 2)
            return false;
        const QString path = QString::fromUtf8(p + pos, pathSize);
        pos += pathSize;
        const quint16 valueSize = Read16(p + pos);
        pos += 2;
        if (size - pos < valueSize)
            return false;
        FEntries.append({path, QByteArray(p + pos, valueSize)});
        pos += valueSize;
    }
    return true;
}

QByteArray TVersionInfoFile::QueryValue(const QString& subBlock) const
{
    for (const auto& entry : FEntries)
        if (entry.first.compare(subBlock, Qt::CaseInsensitive) == 0)
            return entry.second;
    return QByteArray();
}

QString TVersionInfoFile::GetValue(const QString& key) const
{
    if (!HasData())
        return QString();
    const QByteArray translation = QueryValue(kTranslationPath);
    if (translation.size() < 4)
        return QString();
    const quint16 language = Read16(translation.constData());
    const quint16 codePage = Read16(translation.constData() + 2);
    const QString path = QStringLiteral("\\StringFileInfo\\%1%2\\")
                             .arg(language, 4, 16, QLatin1Char('0'))
                             .arg(codePage, 4, 16, QLatin1Char('0'))
                             .toUpper()
        + key;
    const QByteArray value = QueryValue(path);
    if (value.isNull())
        return QString();
    const qsizetype end = value.indexOf('\0');
    return QString::fromUtf8(end < 0 ? value : value.left(end));
}

TVersionInfoFile::TVersionParts TVersionInfoFile::SplitVersion(const QString& version)
{
    QString text = version;
    const qsizetype nul = text.indexOf(QChar(0));
    if (nul >= 0)
        text.truncate(nul);
    const qsizetype firstDot = text.indexOf(QLatin1Char('.'));
    const qsizetype secondDot = firstDot < 0 ? -1 : text.indexOf(QLatin1Char('.'), firstDot + 1);
    if (secondDot < 0)
        return {text, QString()};
    return {text.left(secondDot), text.mid(secondDot + 1)};
}

QString TVersionInfoFile::VersionLine(const QString& version)
{
    const TVersionParts parts = SplitVersion(version);
    return QStringLiteral("Version: %1 %2").arg(parts.First, parts.Second);
}

namespace {

const QColor kPanelColor = TLabelFormat::ToQColor(0xFFFFD2);
const QColor kCreditsColor = TLabelFormat::ToQColor(0x804000);
constexpr int kPanelInset = 4; // single border line + border width 1 + inner bevel 2

const char* const kCredits = "Stereofenster für Fotos";
const char* const kContact =
    "<C><c4><FB>Kontakt: Plenoptra-Projekt<LF><C><c5>Fehlerberichte: Plenoptra-Projekt";
const char* const kThanks =
    "<C><FB>Für die Übersetzungen bedanke ich mich bei: <FN><LF>"
    "<C><FS10>dem Plenoptra-Projekt selbst (Englisch)<LF>"
    "<C>dem Plenoptra-Projekt selbst (Französisch)";

// The panel filling the box: a single border line, one pixel of border
// width, then a lowered bevel two pixels wide.
class TAboutPanel : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        const QRect r = rect();
        painter.fillRect(r, kPanelColor);
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawRect(r.adjusted(0, 0, -1, -1));
        const QRect bevel = r.adjusted(2, 2, -2, -2);
        const QColor shadow = palette().color(QPalette::Dark);
        const QColor light = palette().color(QPalette::Light);
        for (int i = 0; i < 2; ++i) {
            const QRect b = bevel.adjusted(i, i, -i - 1, -i - 1);
            painter.setPen(shadow);
            painter.drawLine(b.topLeft(), b.topRight());
            painter.drawLine(b.topLeft(), b.bottomLeft());
            painter.setPen(light);
            painter.drawLine(b.bottomLeft(), b.bottomRight());
            painter.drawLine(b.topRight(), b.bottomRight());
        }
    }
};

QLabel* MakeLabel(QWidget* parent, const QString& text, const QFont& font, const QColor& color)
{
    auto* label = new QLabel(text, parent);
    label->setFont(font);
    label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, color);
    label->setPalette(pal);
    return label;
}

QFont Styled(const QString& family, int points, bool bold)
{
    QFont font = TLabelFormat::PlatformFont(family, points);
    font.setBold(bold);
    return font;
}

} // namespace

TAboutBox::TAboutBox(QWidget* parent, const QString& versionFile)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
{
    setWindowTitle(QStringLiteral("Info"));
    setFont(TLabelFormat::PlatformFont(QStringLiteral("MS Sans Serif"), 8));
    setFixedSize(kClientWidth, kClientHeight);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - QPoint(kClientWidth / 2, kClientHeight / 2));

    auto* panel = new TAboutPanel(this);
    panel->setGeometry(0, 0, kClientWidth, kClientHeight);
    const QFont panelFont = TLabelFormat::PlatformFont(QStringLiteral("Arial"), 8);
    panel->setFont(panelFont);
    const QColor textColor = palette().color(QPalette::WindowText);

    const int width = kClientWidth - 2 * kPanelInset;
    int y = kPanelInset;
    const auto stack = [&](QWidget* w, int height) {
        w->setGeometry(kPanelInset, y, width, height);
        y += height;
    };
    stack(MakeLabel(panel, QString(), panelFont, textColor), 27); // Label1
    FComments = MakeLabel(panel, QStringLiteral("Plenoptra"), Styled(QStringLiteral("Arial"), 18, true),
                          Qt::red);
    stack(FComments, 33);

    const TVersionInfoFile version(versionFile);
    FLabelVersion = MakeLabel(panel, TVersionInfoFile::VersionLine(version.GetValue(QStringLiteral("FileVersion"))),
                              Styled(QStringLiteral("Arial"), 10, true), Qt::blue);
    stack(FLabelVersion, 32);
    FCredits = MakeLabel(panel, QString::fromUtf8(kCredits), Styled(QStringLiteral("MS Sans Serif"), 14, true),
                         kCreditsColor);
    stack(FCredits, 30);

    FLabel2 = new TLabelFormat(panel);
    FLabel2->setFont(panelFont);
    FLabel2->SetTransparent(true);
    stack(FLabel2, 50);
    FLabel2->SetCaption(QString::fromUtf8(kContact));

    FLabelFormatDanke = new TLabelFormat(panel);
    FLabelFormatDanke->setFont(panelFont);
    FLabelFormatDanke->SetTransparent(true);
    stack(FLabelFormatDanke, kClientHeight - kPanelInset - y);
    FLabelFormatDanke->SetCaption(QString::fromUtf8(kThanks));

    FProgramIcon = new QLabel(panel);
    FProgramIcon->setGeometry(23, 32, 32, 32);
    const QString iconFile = QStringLiteral(":/icons/plenoptra.svg");
    const QIcon icon = QFile::exists(iconFile) ? QIcon(iconFile) : QApplication::windowIcon();
    FProgramIcon->setPixmap(icon.pixmap(32, 32));

    panel->installEventFilter(this);
    for (QWidget* child : panel->findChildren<QWidget*>())
        child->installEventFilter(this);
}

bool TAboutBox::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonPress) {
        close();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TAboutBox::mousePressEvent(QMouseEvent*)
{
    close();
}
