#include "ScreenSlot.h"
#include "Store.h"
#include <QFile>
#include <QQmlComponent>
#include <QQmlContext>
#include <QQmlEngine>

ScreenSlot::ScreenSlot(QQuickItem *parent) : QQuickItem(parent) {}

ScreenSlot::~ScreenSlot() = default;

bool ScreenSlot::exists(const QUrl &url)
{
    if (url.scheme() == QLatin1String("qrc"))
        return QFile::exists(QLatin1Char(':') + url.path());
    if (url.isLocalFile())
        return QFile::exists(url.toLocalFile());
    return false;
}

void ScreenSlot::setSource(const QUrl &source)
{
    if (!assignAndNotify(this, m_source, source, &ScreenSlot::sourceChanged))
        return;
    reload();
}

void ScreenSlot::setProperties(const QVariantMap &properties)
{
    if (!assignAndNotify(this, m_properties, properties, &ScreenSlot::propertiesChanged))
        return;
    if (!m_item)
        return;
    // Only what the screen declares; its own bindings stay as they are otherwise.
    for (auto it = m_properties.cbegin(); it != m_properties.cend(); ++it) {
        const QByteArray name = it.key().toUtf8();
        if (m_item->metaObject()->indexOfProperty(name.constData()) >= 0 && m_item->property(name.constData()) != it.value())
            m_item->setProperty(name.constData(), it.value());
    }
}

void ScreenSlot::setActive(bool active)
{
    if (!assignAndNotify(this, m_active, active, &ScreenSlot::activeChanged))
        return;
    reload();
}

void ScreenSlot::componentComplete()
{
    QQuickItem::componentComplete();
    m_complete = true;
    reload();
}

void ScreenSlot::geometryChange(const QRectF &newGeometry, const QRectF &oldGeometry)
{
    QQuickItem::geometryChange(newGeometry, oldGeometry);
    fit();
}

void ScreenSlot::clear()
{
    if (!m_item)
        return;
    QQuickItem *old = m_item;
    m_item = nullptr;
    old->setVisible(false);
    old->setParentItem(nullptr);
    // Later: the screen may be the sender of the signal that got us here.
    old->deleteLater();
    setImplicitSize(0, 0);
    emit itemChanged();
}

void ScreenSlot::reload()
{
    if (!m_complete)
        return;
    clear();
    if (!m_active || !exists(m_source))
        return;
    QQmlEngine *engine = qmlEngine(this);
    if (!engine)
        return;

    QQmlComponent component(engine, m_source, QQmlComponent::PreferSynchronous);
    if (component.isError()) {
        for (const QQmlError &e : component.errors())
            qWarning().noquote() << e.toString();
        return;
    }
    QObject *object = component.beginCreate(qmlContext(this));
    if (!object) {
        for (const QQmlError &e : component.errors())
            qWarning().noquote() << e.toString();
        return;
    }
    QVariantMap accepted;
    for (auto it = m_properties.cbegin(); it != m_properties.cend(); ++it)
        if (object->metaObject()->indexOfProperty(it.key().toUtf8().constData()) >= 0)
            accepted.insert(it.key(), it.value());
    component.setInitialProperties(object, accepted);
    auto *screen = qobject_cast<QQuickItem *>(object);
    if (screen)
        screen->setParentItem(this);
    component.completeCreate();
    if (!screen || component.isError()) {
        for (const QQmlError &e : component.errors())
            qWarning().noquote() << e.toString();
        delete object;
        return;
    }
    screen->setParent(this);
    m_item = screen;
    followImplicitSize();
    connect(screen, &QQuickItem::implicitWidthChanged, this, &ScreenSlot::followImplicitSize);
    connect(screen, &QQuickItem::implicitHeightChanged, this, &ScreenSlot::followImplicitSize);
    fit();
    emit itemChanged();
}

void ScreenSlot::fit()
{
    if (m_item)
        m_item->setSize(size());
}

void ScreenSlot::followImplicitSize()
{
    if (m_item)
        setImplicitSize(m_item->implicitWidth(), m_item->implicitHeight());
}
