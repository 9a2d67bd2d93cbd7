#include "setupwindow/splash.h"

#include <QFileInfo>
#include <QImage>

namespace splash {

QString variantFor(const QString &path, qreal ratio)
{
    if (ratio <= 1)
        return path;
    const QString suffix = QFileInfo(path).suffix();
    const QString extension = suffix.isEmpty() ? QString() : QLatin1Char('.') + suffix;
    const QString doubled = path.chopped(extension.size()) + QStringLiteral("@2x") + extension;
    return QFileInfo::exists(doubled) ? doubled : path;
}

QPixmap pixmapFor(const QString &path, qreal ratio)
{
    const QString chosen = variantFor(path, ratio);
    QImage image(chosen);
    if (image.isNull() && chosen != path)
        image.load(path); // a damaged 2x file must not cost the picture
    if (image.isNull())
        return {};
    // A variant drawn for this ratio comes back unchanged; any other is resampled to fit.
    image = image.scaled((QSizeF(area) * ratio).toSize(), Qt::KeepAspectRatio, Qt::SmoothTransformation);
    image.setDevicePixelRatio(ratio);
    return QPixmap::fromImage(std::move(image));
}

} // namespace splash
