#include "ReadOnlyTextKeys.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QKeySequence>

void ReadOnlyTextKeys::install()
{
    static ReadOnlyTextKeys *keys = nullptr;
    if (keys || !QCoreApplication::instance())
        return;
    keys = new ReadOnlyTextKeys(QCoreApplication::instance());
    QCoreApplication::instance()->installEventFilter(keys);
}

bool ReadOnlyTextKeys::isReadOnlyText(const QObject *object)
{
    return object && (object->inherits("QQuickTextEdit") || object->inherits("QQuickTextInput"))
           && object->property("readOnly").toBool();
}

bool ReadOnlyTextKeys::eventFilter(QObject *watched, QEvent *event)
{
    // The focus object is asked first whether it wants a key for itself;
    // only then do the shortcuts get it.
    if (event->type() != QEvent::ShortcutOverride || !isReadOnlyText(watched))
        return false;
    auto *key = static_cast<QKeyEvent *>(event);
    key->setAccepted(key->matches(QKeySequence::Copy) || key->matches(QKeySequence::SelectAll));
    return true;
}
