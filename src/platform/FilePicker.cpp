#include "FilePicker.h"

#include "AppScheme.h"
#include "Colors.h"

#include <QDir>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickWindow>
#include <QStandardPaths>
#include <functional>
#include <private/qquickpalette_p.h>
#include <private/qquickpopup_p.h>

namespace {
QByteArray g_module = QByteArrayLiteral("Qt.labs.folderlistmodel");
}

void FilePicker::setModuleForTests(const char *module)
{
    g_module = module;
}

bool FilePicker::dialogLoads(QQmlEngine &engine)
{
    QQmlComponent probe(&engine);
    probe.setData("import QtQuick.Dialogs\nimport " + g_module + "\nimport QtQml\nQtObject {}\n", QUrl());
    return probe.isReady();
}

FilePicker *FilePicker::create(QQmlEngine *engine, QJSEngine *)
{
    return new FilePicker(engine);
}

QUrl FilePicker::startFolder()
{
    return QUrl::fromLocalFile(QStandardPaths::writableLocation(QStandardPaths::HomeLocation));
}

QUrl FilePicker::offered(const QUrl &file)
{
    if (file.isEmpty() || !file.isRelative())
        return file;
    return QUrl::fromLocalFile(QDir(startFolder().toLocalFile()).filePath(file.path()));
}

void FilePicker::followScheme(QObject *dialog)
{
    // Shown, the dialog is a popup of its window's; before, of the dialog.
    auto *window = dialog ? qobject_cast<QQuickWindow *>(dialog->property("parentWindow").value<QWindow *>()) : nullptr;
    QList<QQuickPopup *> popups = dialog ? dialog->findChildren<QQuickPopup *>() : QList<QQuickPopup *>();
    if (window)
        popups += window->findChildren<QQuickPopup *>(Qt::FindDirectChildrenOnly);
    for (QQuickPopup *popup : std::as_const(popups)) {
        if (!popup->inherits("QQuickFileDialogImpl") || popup->property("followsScheme").toBool())
            continue;
        popup->setProperty("followsScheme", true);
        // Parts of Qt's dialog set a colour of their own (its header, its
        // footer), and Qt 6.4 then keeps their other colours from before:
        // each part made so far is given the scheme, later ones inherit it.
        const auto apply = [popup] {
            const QPalette scheme = Colors::palette(AppScheme::shared().dark());
            QList<QObject *> parts{popup};
            std::function<void(QQuickItem *)> collect = [&](QQuickItem *item) {
                if (item->metaObject()->indexOfProperty("palette") >= 0)
                    parts << item;
                for (QQuickItem *child : item->childItems())
                    collect(child);
            };
            if (QQuickItem *item = popup->popupItem())
                collect(item);
            for (QObject *part : std::as_const(parts)) {
                if (auto *palette = part->property("palette").value<QQuickPalette *>())
                    palette->fromQPalette(scheme);
                // The path bar's ground is drawn white whatever the palette says.
                if (part->inherits("QQuickFolderBreadcrumbBar"))
                    if (auto *ground = part->property("background").value<QQuickItem *>())
                        ground->setProperty("color", scheme.color(QPalette::Base));
            }
        };
        apply();
        connect(&AppScheme::shared(), &AppScheme::darkChanged, popup, apply);
    }
}

bool FilePicker::canOpen()
{
    if (!m_canOpen)
        m_canOpen = dialogLoads(*m_engine);
    return *m_canOpen;
}
