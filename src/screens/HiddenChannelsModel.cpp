#include "HiddenChannelsModel.h"
#include "LibraryLink.h"

HiddenChannelsModel::HiddenChannelsModel(QObject *parent) : RowListModel(parent) {}

void HiddenChannelsModel::setLibrary(LibraryStore *library)
{
    if (!relinkLibrary(this, m_library, library, &LibraryStore::hiddenChannelsChanged, &HiddenChannelsModel::refresh))
        return;
    emit libraryChanged();
    refresh();
}

void HiddenChannelsModel::refresh()
{
    setRows(m_names, m_library ? m_library->hiddenChannels() : QStringList(), [](const QString &n) { return n; });
}

QVariant HiddenChannelsModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= count() || role != NameRole)
        return {};
    return m_names.at(index.row());
}

void HiddenChannelsModel::show(const QString &name)
{
    if (m_library)
        m_library->unhideChannel(name);
}
