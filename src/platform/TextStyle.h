#pragma once
#include <QFont>
#include <QObject>
#include <QtQml/qqmlregistration.h>

class QQmlEngine;
class QJSEngine;

// The text styles, sizes in logical pixels, set in Inter (the desktop's
// default sans-serif when Inter is not installed).
class TextStyle : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
    Q_PROPERTY(QString family READ family CONSTANT)
    Q_PROPERTY(QFont largeTitle READ largeTitle CONSTANT)
    Q_PROPERTY(QFont title READ title CONSTANT)
    Q_PROPERTY(QFont title2 READ title2 CONSTANT)
    Q_PROPERTY(QFont title3 READ title3 CONSTANT)
    Q_PROPERTY(QFont headline READ headline CONSTANT)
    Q_PROPERTY(QFont body READ body CONSTANT)
    Q_PROPERTY(QFont callout READ callout CONSTANT)
    Q_PROPERTY(QFont subheadline READ subheadline CONSTANT)
    Q_PROPERTY(QFont footnote READ footnote CONSTANT)
    Q_PROPERTY(QFont caption READ caption CONSTANT)
    Q_PROPERTY(QFont caption2 READ caption2 CONSTANT)

public:
    static TextStyle &shared();
    static TextStyle *create(QQmlEngine *, QJSEngine *);

    QString family() const { return m_family; }
    QFont largeTitle() const { return font(34); }
    QFont title() const { return font(28); }
    QFont title2() const { return font(22); }
    QFont title3() const { return font(20); }
    QFont headline() const { return font(17, QFont::DemiBold); }
    QFont body() const { return font(17); }
    QFont callout() const { return font(16); }
    QFont subheadline() const { return font(15); }
    QFont footnote() const { return font(13); }
    QFont caption() const { return font(12); }
    QFont caption2() const { return font(11); }

    // Any other size in the same family ("system font of size 17").
    Q_INVOKABLE QFont font(int pixelSize, int weight = QFont::Normal) const;

private:
    explicit TextStyle(QObject *parent = nullptr);

    QString m_family;
};
