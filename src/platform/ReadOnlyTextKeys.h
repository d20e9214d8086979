#pragma once
#include <QObject>

// Keys while text that takes no typing has the focus. Qt Quick's TextEdit,
// focused by the click that selects in it, claims every key ahead of the
// window's shortcuts even when read-only, so the player's Escape and Space
// (and a sheet's Escape) stopped working after a click on a description or
// a comment. Such text keeps only the keys it acts on (copying, selecting
// all); every other key reaches the shortcuts as if nothing had the focus.
// Text that takes typing keeps all it claims. Held for every window.
class ReadOnlyTextKeys : public QObject
{
    Q_OBJECT

public:
    // Watches every window of the application; once is enough.
    static void install();
    // A read-only TextEdit or TextInput (and the controls built on them).
    static bool isReadOnlyText(const QObject *object);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    using QObject::QObject;
};
