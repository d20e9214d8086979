#include "FilePicker.h"

#include <QQmlComponent>
#include <QQmlEngine>
#include <QStandardPaths>

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

bool FilePicker::canOpen()
{
    if (!m_canOpen)
        m_canOpen = dialogLoads(*m_engine);
    return *m_canOpen;
}
