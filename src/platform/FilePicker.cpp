#include "FilePicker.h"

#include "AppScheme.h"
#include "Colors.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QQmlComponent>
#include <QQmlContext>
#include <QQmlEngine>
#include <QQmlProperty>
#include <QQuickWindow>
#include <QStandardPaths>
#include <QTranslator>
#include <functional>
#include <private/qquickitemview_p.h>
#include <private/qquickitemview_p_p.h>
#include <private/qquickpalette_p.h>
#include <private/qquickpopup_p.h>
#include <private/qquicktextinput_p.h>

namespace {

QByteArray g_module = QByteArrayLiteral("Qt.labs.folderlistmodel");

// The two labels of Qt's own file dialog: Qt's Spanish catalogues (qtbase,
// qtdeclarative) have its buttons but not these.
class DialogTexts : public QTranslator
{
public:
    using QTranslator::QTranslator;

    bool isEmpty() const override { return false; }
    QString translate(const char *context, const char *source, const char *, int) const override
    {
        if (qstrcmp(context, "FileDialog") != 0)
            return {};
        if (qstrcmp(source, "File name") == 0)
            return QStringLiteral("Nombre");
        if (qstrcmp(source, "Filter") == 0)
            return QStringLiteral("Filtro");
        return {};
    }
};

QQuickItem *itemNamed(QQuickItem *item, QStringView name)
{
    if (!item || item->objectName() == name)
        return item;
    for (QQuickItem *child : item->childItems()) {
        if (QQuickItem *found = itemNamed(child, name))
            return found;
    }
    return nullptr;
}

// Qt's own dialog as the FileDialog `dialog` draws it: shown, a popup of its
// window's; before, of the dialog. Of those the window has, the open one.
QQuickPopup *drawnDialog(QObject *dialog)
{
    auto *window = dialog ? qobject_cast<QQuickWindow *>(dialog->property("parentWindow").value<QWindow *>()) : nullptr;
    QList<QQuickPopup *> popups = dialog ? dialog->findChildren<QQuickPopup *>() : QList<QQuickPopup *>();
    if (window)
        popups += window->findChildren<QQuickPopup *>(Qt::FindDirectChildrenOnly);
    QQuickPopup *drawn = nullptr;
    for (QQuickPopup *popup : std::as_const(popups)) {
        if (popup->inherits("QQuickFileDialogImpl") && (!drawn || popup->isVisible()))
            drawn = popup;
    }
    return drawn;
}

QUrl fileIn(const QUrl &folder, const QString &name)
{
    return name.isEmpty() ? QUrl() : QUrl::fromLocalFile(QDir(folder.toLocalFile()).filePath(name));
}

// Qt's dialog made fit once, then told of each opening. It lives as long as
// that dialog.
class DrawnDialogFit : public QObject
{
    Q_OBJECT

public:
    DrawnDialogFit(QQuickPopup *drawn, QQmlComponent *row) : QObject(drawn), m_drawn(drawn)
    {
        followScheme();
        QQuickItem *content = drawn->popupItem();
        m_name = qobject_cast<QQuickTextInput *>(itemNamed(content, u"fileNameTextField"));
        m_list = qobject_cast<QQuickItemView *>(itemNamed(content, u"fileDialogListView"));
        layOutFooter();
        if (m_list && row)
            m_list->setDelegate(row);
        if (m_name) {
            connect(m_name, &QQuickTextInput::textEdited, this, &DrawnDialogFit::nameTyped);
            connect(m_name, &QQuickTextInput::textChanged, this, &DrawnDialogFit::nameShown);
        }
        if (m_list) {
            connect(m_list, &QQuickItemView::currentItemChanged, this, &DrawnDialogFit::rowHighlighted);
            connect(m_list, &QQuickItemView::countChanged, this, &DrawnDialogFit::markLater);
        }
        connect(drawn, SIGNAL(currentFolderChanged(QUrl)), this, SLOT(folderEntered()));
    }

    void opened(bool saving)
    {
        m_saving = saving;
        m_folder = folder();
        m_chosen = saving && m_name ? m_name->text() : QString();
        nameShown();
        rowHighlighted();
    }

private slots:
    // Qt's dialog empties the name as it enters a folder: the name chosen
    // so far names the file there.
    void folderEntered()
    {
        m_folder = folder();
        // The list keeps the reason of the click that entered the folder,
        // and Qt's dialog takes the first row the new folder's list marks
        // for the user's pick: in the save dialog its name replaced the
        // one chosen, depending on how soon the folder was read.
        forgetMoveReason();
        if (!m_saving)
            return;
        if (m_name && m_name->text() != m_chosen)
            m_name->setText(m_chosen);
        select(fileIn(m_folder, m_chosen));
        markLater();
    }

    // In the save dialog the list marks the file the name chosen names, if
    // the folder has one, else none: a row the list marked by itself (the
    // first, or the one at the place of the folder just entered) looked like
    // the file the copy would go over. A folder the user picked stays
    // marked: it is where the copy goes. Run after the dialog's own
    // handling of the change, which may mark a row.
    void markChosen()
    {
        if (!m_saving || !m_list)
            return;
        if (QQuickItem *row = m_list->currentItem()) {
            const QUrl file = row->property("file").toUrl();
            if (file == selected() && QFileInfo(file.toLocalFile()).isDir())
                return;
        }
        int index = -1;
        QObject *model = m_list->model().value<QObject *>();
        if (model && !m_chosen.isEmpty())
            QMetaObject::invokeMethod(model, "indexOf", Q_RETURN_ARG(int, index), Q_ARG(QUrl, fileIn(m_folder, m_chosen)));
        if (m_list->currentIndex() != index) {
            m_list->setCurrentIndex(index);
            forgetMoveReason();
        }
    }

private:
    void markLater() { QMetaObject::invokeMethod(this, &DrawnDialogFit::markChosen, Qt::QueuedConnection); }
    // Qt Quick does not export the view's private class, so the checked
    // build cannot look its type up: the cast goes unchecked.
#if defined(__clang__) || defined(__GNUC__)
    __attribute__((no_sanitize("vptr")))
#endif
    void forgetMoveReason()
    {
        if (m_list)
            static_cast<QQuickItemViewPrivate *>(QObjectPrivate::get(m_list.data()))->moveReason = QQuickItemViewPrivate::Other;
    }

    QUrl folder() const { return m_drawn->property("currentFolder").toUrl(); }
    QUrl selected() const { return m_drawn->property("selectedFile").toUrl(); }
    void select(const QUrl &file)
    {
        if (file != selected())
            m_drawn->setProperty("selectedFile", file);
    }

    // Qt's dialog takes a typed name only at Return or when the field is
    // left, so its accept button stayed grey while the name was typed.
    void nameTyped()
    {
        m_chosen = m_name->text();
        select(fileIn(m_folder, m_chosen));
        markLater();
    }

    void nameShown()
    {
        if (!m_name || !m_saving)
            return;
        // A file picked in the list names the copy; a folder picked there
        // is only where it goes, but Qt writes its name in the field.
        const QFileInfo picked(selected().toLocalFile());
        if (folder() == m_folder && picked.fileName() == m_name->text() && !m_name->hasActiveFocus()) {
            if (picked.isFile())
                m_chosen = picked.fileName();
            else if (picked.isDir())
                m_name->setText(m_chosen);
        }
        // A name the dialog writes shows from its start, not its end.
        if (!m_name->hasActiveFocus())
            m_name->setCursorPosition(0);
    }

    // The list marks a current row as it fills, but Qt's dialog takes a row
    // only when it is clicked or reached by the keys: "Abrir" stayed grey
    // under a marked file. The marked row is the choice, however marked.
    void rowHighlighted()
    {
        if (m_saving) {
            markLater();
            return;
        }
        if (!m_list)
            return;
        if (QQuickItem *row = m_list->currentItem()) {
            const QUrl file = row->property("file").toUrl();
            if (!file.isEmpty())
                select(file);
        }
    }

    // The name and the filter shared a line each with the buttons, which
    // left them a fifth of a phone-wide window: the buttons go to a line of
    // their own under them.
    void layOutFooter()
    {
        QQuickItem *grid = m_name ? m_name->parentItem() : nullptr;
        if (!grid || !grid->inherits("QQuickGridLayout"))
            return;
        QQuickItem *buttons = nullptr;
        QQuickItem *filter = nullptr;
        for (QQuickItem *child : grid->childItems()) {
            if (child->inherits("QQuickDialogButtonBox"))
                buttons = child;
            else if (child->inherits("QQuickComboBox"))
                filter = child;
        }
        if (!buttons || !filter)
            return;
        const auto set = [](QQuickItem *item, const char *attached, const QVariant &value) {
            QQmlProperty(item, QLatin1String(attached), qmlContext(item)).write(value);
        };
        grid->setProperty("columns", 2);
        set(buttons, "Layout.row", 2);
        set(buttons, "Layout.column", 0);
        set(buttons, "Layout.columnSpan", 2);
        set(buttons, "Layout.alignment", int(Qt::AlignRight));
        // The buttons' margin was the line's.
        for (QQuickItem *field : {static_cast<QQuickItem *>(m_name.data()), filter})
            set(field, "Layout.rightMargin", 20);
    }

    // Qt's dialog draws with its own controls, in the colours of a palette:
    // the app's scheme as one, now and at every change of the scheme.
    void followScheme()
    {
        // Parts of Qt's dialog set a colour of their own (its header, its
        // footer), and Qt 6.4 then keeps their other colours from before:
        // each part made so far is given the scheme, later ones inherit it.
        const auto apply = [popup = m_drawn] {
            QPalette scheme = Colors::palette(AppScheme::shared().dark());
            // Its controls mark the current row (and the filter's current
            // entry) with a pale tint of the highlight, not a fill: the text
            // on it is the text's own colour, not white.
            scheme.setColor(QPalette::HighlightedText, scheme.color(QPalette::Active, QPalette::Text));
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
        connect(&AppScheme::shared(), &AppScheme::darkChanged, m_drawn, apply);
    }

    QQuickPopup *m_drawn;
    QPointer<QQuickTextInput> m_name;
    QPointer<QQuickItemView> m_list;
    bool m_saving = false;
    QUrl m_folder;
    // The name the copy gets, as offered, typed or picked.
    QString m_chosen;
};

} // namespace

FilePicker::FilePicker(QQmlEngine *engine) : m_engine(engine)
{
    // Before Qt's dialog is first made, which reads its labels as it is
    // made; and the windows hear of it now, not once the dialog is open:
    // its button box would put back Qt's "Abrir" in place of "Guardar".
    static const bool translated = [] {
        QCoreApplication::installTranslator(new DialogTexts(QCoreApplication::instance()));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);
        return true;
    }();
    Q_UNUSED(translated);
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

QObject *FilePicker::fit(QObject *dialog, QQmlComponent *row)
{
    QQuickPopup *drawn = drawnDialog(dialog);
    if (!drawn)
        return nullptr;
    auto *fit = drawn->findChild<DrawnDialogFit *>(QString(), Qt::FindDirectChildrenOnly);
    if (!fit)
        fit = new DrawnDialogFit(drawn, row);
    // FileDialog.SaveFile
    fit->opened(dialog->property("fileMode").toInt() == 2);
    return drawn;
}

bool FilePicker::canOpen()
{
    if (!m_canOpen)
        m_canOpen = dialogLoads(*m_engine);
    return *m_canOpen;
}

#include "FilePicker.moc"
