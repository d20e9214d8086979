#pragma once
#include <QPointer>
#include <QQuickItem>
#include <QUrl>
#include <QVariantMap>
#include <QtQml/qqmlregistration.h>

// Shows the screen of another layer by its resource URL, filling the slot.
// A screen whose file is not among the app's resources yet shows nothing.
// `properties` are handed to the screen at creation, each only when the
// screen declares it, so every screen can take the stores it needs (player,
// library, router, auth, avatars) and leave the others.
class ScreenSlot : public QQuickItem
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QUrl source READ source WRITE setSource NOTIFY sourceChanged)
    Q_PROPERTY(QVariantMap properties READ properties WRITE setProperties NOTIFY propertiesChanged)
    Q_PROPERTY(bool active READ active WRITE setActive NOTIFY activeChanged)
    Q_PROPERTY(bool available READ available NOTIFY sourceChanged)
    Q_PROPERTY(QQuickItem *item READ item NOTIFY itemChanged)

public:
    explicit ScreenSlot(QQuickItem *parent = nullptr);
    ~ScreenSlot() override;

    QUrl source() const { return m_source; }
    void setSource(const QUrl &source);
    QVariantMap properties() const { return m_properties; }
    void setProperties(const QVariantMap &properties);
    bool active() const { return m_active; }
    void setActive(bool active);
    bool available() const { return exists(m_source); }
    QQuickItem *item() const { return m_item; }

    // Whether a qrc: (or file) URL names an existing file.
    Q_INVOKABLE static bool exists(const QUrl &url);

signals:
    void sourceChanged();
    void propertiesChanged();
    void activeChanged();
    void itemChanged();

protected:
    void componentComplete() override;
    void geometryChange(const QRectF &newGeometry, const QRectF &oldGeometry) override;

private:
    void reload();
    void clear();
    void fit();
    void followImplicitSize();

    QUrl m_source;
    QVariantMap m_properties;
    bool m_active = true;
    bool m_complete = false;
    QPointer<QQuickItem> m_item;
};
