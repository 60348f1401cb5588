#pragma once
// Pictures of the programs: SVG resources drawn at the size a control asks
// for, so they stay sharp at any scale.
#include <QIcon>
#include <QPixmap>
#include <QSize>
#include <QString>

namespace nuvar {

// resource: a Qt resource path (":/...svg"). A missing picture gives a
// transparent pixmap of the size.
QPixmap SvgBild(const QString& resource, const QSize& groesse);
// An icon with the picture at the sizes given (first is the main size).
QIcon SvgIcon(const QString& resource, std::initializer_list<QSize> groessen);

} // namespace nuvar
