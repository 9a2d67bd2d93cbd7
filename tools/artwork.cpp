// Draws the launcher's splash image (at 1x and 2x) and application icon from code, so the artwork can be
// regenerated and reviewed like any other source. Usage: vlmr_artwork <output folder>

#include <QBuffer>
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QTextStream>
#include <QtEndian>

#include <array>
#include <cmath>
#include <vector>

namespace {

// The window behind the splash is white level 0.105; the splash edges must match it exactly.
const QColor kBackground(27, 27, 27);
const QColor kAccentCool(86, 208, 192);
const QColor kAccentWarm(146, 126, 242);
const QColor kInk(242, 242, 244);
const QColor kMuted(146, 146, 152);

constexpr int kSplashWidth = 620;
constexpr int kSplashHeight = 396;
constexpr double kPi = 3.14159265358979323846;

QColor withAlpha(QColor color, double alpha)
{
    color.setAlphaF(float(alpha));
    return color;
}

QColor mix(const QColor &a, const QColor &b, double t)
{
    return QColor::fromRgbF(float(a.redF() + (b.redF() - a.redF()) * t),
                            float(a.greenF() + (b.greenF() - a.greenF()) * t),
                            float(a.blueF() + (b.blueF() - a.blueF()) * t));
}

QImage blankImage(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

// Fonts are loaded from their files so the output does not depend on font configuration.
void loadFonts()
{
    for (const char *file : {"DejaVuSans.ttf", "DejaVuSans-ExtraLight.ttf", "DejaVuSans-Bold.ttf"})
        QFontDatabase::addApplicationFont(QStringLiteral("/usr/share/fonts/truetype/dejavu/") + QLatin1String(file));
}

QFont dejaVu(QFont::Weight weight, double pixelSize, double spacing)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setWeight(weight);
    font.setPixelSize(int(std::lround(pixelSize)));
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setLetterSpacing(QFont::AbsoluteSpacing, spacing);
    font.setKerning(true);
    return font;
}

// Text as outlines: unhinted, antialiased alike on every machine, and centred on its ink.
void drawCentredText(QPainter &painter, const QString &text, const QFont &font, double centreX, double baseline,
                     const QBrush &brush)
{
    QPainterPath path;
    path.addText(0, 0, font, text);
    const QRectF ink = path.boundingRect();
    painter.fillPath(path.translated(centreX - ink.center().x(), baseline), brush);
}

// A spoken phrase as seen in an editor: two loud syllable groups, a quiet tail, soft edges.
double speechEnvelope(double t)
{
    const auto bump = [](double x, double centre, double width) {
        const double d = (x - centre) / width;
        return std::exp(-d * d);
    };
    const double body = 0.92 * bump(t, 0.36, 0.15) + 0.74 * bump(t, 0.63, 0.12) + 0.34 * bump(t, 0.84, 0.08);
    const double texture = 0.62 + 0.22 * std::sin(t * 71.0) + 0.16 * std::sin(t * 173.0 + 1.3);
    return std::min(1.0, body * texture + 0.035);
}

void drawSplashGlow(QPainter &painter)
{
    // Elliptical, and gone well before the bottom edge so the splash melts into the window.
    painter.save();
    painter.translate(kSplashWidth / 2.0, 146);
    painter.scale(1.7, 1.0);
    QRadialGradient glow(QPointF(0, 0), 150);
    glow.setColorAt(0.0, withAlpha(mix(kAccentCool, kAccentWarm, 0.5), 0.16));
    glow.setColorAt(0.55, withAlpha(mix(kAccentCool, kAccentWarm, 0.5), 0.05));
    glow.setColorAt(1.0, withAlpha(kAccentWarm, 0.0));
    painter.fillRect(QRectF(-200, -160, 400, 320), glow);
    painter.restore();
}

void drawSplashWaveform(QPainter &painter)
{
    constexpr double left = 58;
    constexpr double right = kSplashWidth - 58;
    constexpr double centreY = 146;
    constexpr double maxHalf = 66;
    constexpr double pitch = 7.5;
    constexpr double barWidth = 3.5;
    const int bars = int((right - left) / pitch) + 1;

    // Hairline axis the bars grow from.
    QLinearGradient axis(left - 20, 0, right + 20, 0);
    axis.setColorAt(0.0, withAlpha(kInk, 0.0));
    axis.setColorAt(0.5, withAlpha(kInk, 0.14));
    axis.setColorAt(1.0, withAlpha(kInk, 0.0));
    painter.fillRect(QRectF(left - 20, centreY - 0.5, right - left + 40, 1.0), axis);

    for (int i = 0; i < bars; ++i) {
        const double t = double(i) / double(bars - 1);
        const double x = left + i * pitch;
        const double half = std::max(1.75, maxHalf * speechEnvelope(t));
        const double edgeFade = std::sin(kPi * t);
        const QColor colour = withAlpha(mix(kAccentCool, kAccentWarm, t), 0.30 + 0.70 * std::pow(edgeFade, 0.6));
        painter.setPen(Qt::NoPen);
        painter.setBrush(colour);
        painter.drawRoundedRect(QRectF(x - barWidth / 2, centreY - half, barWidth, 2 * half), barWidth / 2,
                                barWidth / 2);
    }
}

// `scale` device pixels per point: the 2x variant is drawn from the same outlines, never enlarged.
QImage splashImage(int scale)
{
    QImage image = blankImage(kSplashWidth * scale, kSplashHeight * scale);
    image.fill(kBackground);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(scale, scale);
    drawSplashGlow(painter);
    drawSplashWaveform(painter);

    const double centreX = kSplashWidth / 2.0;
    drawCentredText(painter, QStringLiteral("Vellmora"), dejaVu(QFont::ExtraLight, 58, 3.0), centreX, 284, kInk);

    // Short accent rule between the name and the subtitle.
    QLinearGradient rule(centreX - 22, 0, centreX + 22, 0);
    rule.setColorAt(0.0, kAccentCool);
    rule.setColorAt(1.0, kAccentWarm);
    painter.fillRect(QRectF(centreX - 22, 304, 44, 1.5), rule);

    drawCentredText(painter, QStringLiteral("LOCAL VOICE STUDIO"), dejaVu(QFont::Normal, 12, 3.6), centreX, 330,
                    kMuted);
    painter.end();
    return image.convertToFormat(QImage::Format_RGB32);
}

// --- Icon -------------------------------------------------------------------------------------

struct IconStyle
{
    double margin; // empty border around the tile, as a share of the canvas
    bool macGrid;  // large sizes keep the wider platform margin on macOS
};

// Bar heights (share of the tile's usable height): a short burst of speech, loudest just left
// of centre. Small sizes get fewer, wider bars so each stays a clean column of whole pixels.
std::vector<double> barHeights(int size)
{
    if (size <= 16)
        return {0.42, 0.95, 0.62};
    if (size <= 32)
        return {0.34, 0.74, 1.0, 0.60, 0.36};
    return {0.24, 0.50, 0.86, 1.0, 0.68, 0.44, 0.26};
}

QPainterPath tilePath(const QRectF &tile)
{
    QPainterPath path;
    const double radius = tile.width() * 0.225;
    path.addRoundedRect(tile, radius, radius);
    return path;
}

void drawTile(QPainter &painter, const QRectF &tile, int size)
{
    const QPainterPath path = tilePath(tile);
    QLinearGradient body(tile.topLeft(), tile.bottomLeft());
    body.setColorAt(0.0, QColor(48, 48, 54));
    body.setColorAt(1.0, QColor(18, 18, 21));
    painter.fillPath(path, body);

    QRadialGradient glow(tile.center() + QPointF(0, tile.height() * 0.04), tile.width() * 0.55);
    glow.setColorAt(0.0, withAlpha(mix(kAccentCool, kAccentWarm, 0.5), 0.22));
    glow.setColorAt(1.0, withAlpha(kAccentWarm, 0.0));
    painter.fillPath(path, glow);

    if (size >= 32) {
        // A lit upper rim: reads as a physical tile on light and dark panels alike.
        const double inset = std::max(0.5, size / 512.0);
        QLinearGradient rim(tile.topLeft(), tile.bottomLeft());
        rim.setColorAt(0.0, withAlpha(QColor(Qt::white), 0.22));
        rim.setColorAt(0.5, withAlpha(QColor(Qt::white), 0.04));
        rim.setColorAt(1.0, withAlpha(QColor(Qt::white), 0.02));
        painter.setPen(QPen(QBrush(rim), inset * 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(tilePath(tile.adjusted(inset, inset, -inset, -inset)));
    }
}

void drawIconBars(QPainter &painter, const QRectF &tile, int size)
{
    const std::vector<double> heights = barHeights(size);
    const int count = int(heights.size());
    // Bars take 60% of the pitch and sit on whole pixels; small sizes also snap their ends.
    const double span = tile.width() * (size <= 16 ? 0.74 : 0.66);
    double pitch = span / (count - 0.4);
    double width = pitch * 0.6;
    pitch = std::round(pitch);
    width = std::max(1.0, std::round(width));
    const double total = pitch * (count - 1) + width;
    const double left = std::round(tile.center().x() - total / 2);
    const bool snap = size < 64;
    const double usable = tile.height() * 0.62;
    const double centreY = tile.center().y();

    QLinearGradient accent(tile.topLeft(), tile.bottomRight());
    accent.setColorAt(0.0, kAccentCool);
    accent.setColorAt(1.0, kAccentWarm);
    painter.setPen(Qt::NoPen);
    painter.setBrush(accent);
    for (int i = 0; i < count; ++i) {
        const double half = std::max(width / 2, usable * heights[std::size_t(i)] / 2);
        double top = centreY - half;
        double bottom = centreY + half;
        if (snap) {
            top = std::round(top);
            bottom = std::round(bottom);
        }
        const QRectF bar(left + i * pitch, top, width, bottom - top);
        const double radius = size <= 16 ? 0.0 : width / 2;
        painter.drawRoundedRect(bar, radius, radius);
    }
}

QImage iconImage(int size, const IconStyle &style)
{
    QImage image = blankImage(size, size);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    double margin = size * style.margin;
    if (!style.macGrid)
        margin = std::max(size <= 16 ? 0.0 : 1.0, std::round(margin));
    const QRectF tile(margin, margin, size - 2 * margin, size - 2 * margin);
    drawTile(painter, tile, size);
    drawIconBars(painter, tile, size);
    painter.end();
    return image.convertToFormat(QImage::Format_ARGB32);
}

QByteArray pngBytes(const QImage &image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG", 0);
    return bytes;
}

void appendBigEndian32(QByteArray &out, quint32 value)
{
    char bytes[4];
    qToBigEndian(value, bytes);
    out.append(bytes, 4);
}

// The container is a magic, a total length, then typed entries each carrying its own length.
// Only PNG-encoded types are used: other readers' JPEG 2000 entries are not portable.
QByteArray icnsBytes(const IconStyle &style)
{
    struct Entry
    {
        const char *type;
        int size;
    };
    const std::array<Entry, 7> entries{
        {{"icp4", 16}, {"icp5", 32}, {"icp6", 64}, {"ic07", 128}, {"ic08", 256}, {"ic09", 512}, {"ic10", 1024}}};
    QByteArray body;
    for (const Entry &entry : entries) {
        const QByteArray png = pngBytes(iconImage(entry.size, style));
        body.append(entry.type, 4);
        appendBigEndian32(body, quint32(png.size() + 8));
        body.append(png);
    }
    QByteArray out("icns");
    appendBigEndian32(out, quint32(body.size() + 8));
    out.append(body);
    return out;
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(path.section(QLatin1Char('/'), 0, -2));
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    QTextStream err(stderr);
    if (argc != 2) {
        err << "usage: vlmr_artwork <output folder>\n";
        return 2;
    }
    loadFonts();
    const QString out = QFile::decodeName(argv[1]);
    const IconStyle macStyle{100.0 / 1024.0, true};
    const IconStyle desktopStyle{1.0 / 16.0, false};

    bool ok = writeFile(out + QStringLiteral("/splash-quenby.png"), pngBytes(splashImage(1)));
    ok = writeFile(out + QStringLiteral("/splash-quenby@2x.png"), pngBytes(splashImage(2))) && ok;
    ok = writeFile(out + QStringLiteral("/Tarnwick.icns"), icnsBytes(macStyle)) && ok;
    for (int size : {16, 32, 48, 64, 128, 256, 512}) {
        const QString dir = QStringLiteral("%1/icons/hicolor/%2x%2/apps").arg(out).arg(size);
        ok = writeFile(dir + QStringLiteral("/vellmora.png"), pngBytes(iconImage(size, desktopStyle))) && ok;
    }
    if (!ok) {
        err << "vlmr_artwork: could not write into " << out << '\n';
        return 1;
    }
    return 0;
}
