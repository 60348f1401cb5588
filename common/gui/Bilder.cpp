#include "common/gui/Bilder.h"

#include <QPainter>
#include <QSvgRenderer>

namespace nuvar {

QPixmap SvgBild(const QString& resource, const QSize& groesse) {
    QPixmap p(groesse);
    p.fill(Qt::transparent);
    QSvgRenderer r(resource);
    if (r.isValid()) {
        QPainter maler(&p);
        r.render(&maler);
    }
    return p;
}

QIcon SvgIcon(const QString& resource, std::initializer_list<QSize> groessen) {
    QIcon icon;
    for (const QSize& g : groessen) icon.addPixmap(SvgBild(resource, g));
    return icon;
}

} // namespace nuvar
