#include "ViewRows.h"
#include "QmlHarness.h"

#include <QAbstractItemModel>
#include <QQuickWindow>
#include <QTest>
#include <algorithm>

namespace {

QQuickItem *rowAt(QQuickItem *view, int index)
{
    QQuickItem *item = nullptr;
    QMetaObject::invokeMethod(view, "itemAtIndex", Q_RETURN_ARG(QQuickItem *, item), Q_ARG(int, index));
    return item;
}

QAbstractItemModel *modelOf(QQuickItem *view)
{
    return qobject_cast<QAbstractItemModel *>(view->property("model").value<QObject *>());
}

int roleOf(QAbstractItemModel *model, const QByteArray &role)
{
    return model ? model->roleNames().key(role, -1) : -1;
}

// Opacity as drawn: the item's own times that of everything up to the list's content.
qreal drawnOpacity(QQuickItem *item, QQuickItem *content)
{
    qreal o = 1;
    for (QQuickItem *i = item; i && i != content; i = i->parentItem())
        o *= i->isVisible() ? i->opacity() : 0;
    return o;
}

QString describe(QQuickItem *item)
{
    return QString::fromLatin1(item->metaObject()->className()) + u' ' + item->objectName() + u'@'
           + QString::number(item->y()) + u'+' + QString::number(item->height()) + u" z"_qs + QString::number(item->z());
}

} // namespace

namespace ViewRows {

QStringList model(QQuickItem *view, const QByteArray &role)
{
    QStringList out;
    QAbstractItemModel *m = modelOf(view);
    const int r = roleOf(m, role);
    for (int i = 0; m && r >= 0 && i < m->rowCount(); ++i)
        out.append(m->data(m->index(i, 0), r).toString());
    return out;
}

QStringList made(QQuickItem *view, const QByteArray &role)
{
    QStringList out;
    const int count = view->property("count").toInt();
    for (int i = 0; i < count; ++i)
        if (QQuickItem *row = rowAt(view, i))
            out.append(row->property(role.constData()).toString());
    return out;
}

QString problem(QQuickItem *view, const QByteArray &role, qreal spacing)
{
    if (!view)
        return u"no view"_qs;
    auto *content = view->property("contentItem").value<QQuickItem *>();
    const QStringList ids = model(view, role);
    const int count = view->property("count").toInt();
    if (count != ids.size())
        return u"the view counts %1 rows, the model holds %2"_qs.arg(count).arg(ids.size());
    if (spacing < 0)
        spacing = view->property("spacing").toReal();

    // The view's own highlight, empty without a component, draws nothing.
    auto *highlight = view->property("highlightItem").value<QQuickItem *>();
    QList<QQuickItem *> rows;
    int firstMade = -1;
    for (int i = 0; i < count; ++i) {
        QQuickItem *row = rowAt(view, i);
        if (!row)
            continue;
        if (firstMade < 0)
            firstMade = i;
        if (i != firstMade + rows.size())
            return u"the made rows skip before row %1"_qs.arg(i);
        const QString id = row->property(role.constData()).toString();
        if (id != ids.at(i))
            return u"row %1 shows %2 where the model has %3"_qs.arg(i).arg(id, ids.at(i));
        const qreal opacity = drawnOpacity(row, content);
        if (!qFuzzyCompare(opacity, 1.0))
            return u"row %1 (%2) is drawn at opacity %3"_qs.arg(i).arg(id).arg(opacity);
        const QVariant offset = row->property("offset");
        if (offset.isValid() && offset.toReal() != 0)
            return u"row %1 (%2) stays swiped by %3"_qs.arg(i).arg(id).arg(offset.toReal());
        if (!rows.isEmpty()) {
            QQuickItem *above = rows.last();
            const qreal gap = row->y() - (above->y() + above->height());
            // Whatever the list draws between them (a section header) fills the gap.
            qreal between = 0;
            for (QQuickItem *c : content->childItems())
                if (!rows.contains(c) && c != row && c != highlight && c->isVisible() && c->height() > 0
                    && c->y() >= above->y() + above->height() - 0.5 && c->y() + c->height() <= row->y() + 0.5)
                    between += c->height();
            if (gap < spacing - 0.5)
                return u"row %1 (%2) overlaps the row above by %3"_qs.arg(i).arg(id).arg(spacing - gap);
            if (gap - between > spacing + 0.5)
                return u"a hole of %1 above row %2 (%3)"_qs.arg(gap - between - spacing).arg(i).arg(id);
        }
        rows.append(row);
    }

    // Nothing else drawn lies over another: a row left over from before
    // would sit on the rows that took its place.
    QList<QQuickItem *> drawn;
    for (QQuickItem *c : content->childItems())
        if (c != highlight && c->isVisible() && c->height() > 0 && drawnOpacity(c, content) > 0)
            drawn.append(c);
    std::sort(drawn.begin(), drawn.end(), [](QQuickItem *a, QQuickItem *b) { return a->y() < b->y(); });
    for (qsizetype i = 1; i < drawn.size(); ++i) {
        QQuickItem *a = drawn.at(i - 1);
        QQuickItem *b = drawn.at(i);
        if (b->y() < a->y() + a->height() - 0.5 && b->x() < a->x() + a->width() && a->x() < b->x() + b->width())
            return u"%1 is drawn over %2"_qs.arg(describe(b), describe(a));
    }
    return {};
}

void swipeAway(QQuickItem *row)
{
    QQuickWindow *window = row->window();
    const QPoint from = row->mapToScene(QPointF(row->width() - 20, row->height() / 2)).toPoint();
    QmlHarness::drag(window, from, QPoint(-int(row->width() * 0.9), 0));
}

} // namespace ViewRows
