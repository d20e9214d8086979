#pragma once
#include <QObject>
#include <QStringList>
#include <QtQml/qqmlregistration.h>

// Long outside text cut into blocks that each stay small enough to lay out
// and draw as one text item; shown one under the other they read as the
// whole text. Cuts fall at line breaks (the break itself is dropped), else
// after the last space, else anywhere but inside a surrogate pair.
class TextBlocks : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON

public:
    using QObject::QObject;

    static constexpr qsizetype defaultSize = 2000;

    // At least one block, each at most `size` characters.
    Q_INVOKABLE static QStringList split(const QString &text, qsizetype size = defaultSize);
};
