#pragma once

#include <QPixmap>
#include <QSize>
#include <QString>

// The picture above the setup window's texts, at the pixel density of the screen it is shown on.
namespace splash {

inline constexpr QSize area(620, 396); // in points

// The file to draw for a device pixel ratio: the "@2x" variant beside `path` for any ratio above 1
// when the bundle carries it, otherwise `path` itself.
QString variantFor(const QString &path, qreal ratio);

// Fitted to the area with its aspect kept, in device pixels of that ratio; null when no file decodes.
QPixmap pixmapFor(const QString &path, qreal ratio);

} // namespace splash
