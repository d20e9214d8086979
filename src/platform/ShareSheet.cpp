#include "ShareSheet.h"
#include "BackgroundPool.h"
#include "Opener.h"
#include "Pasteboard.h"
#include <QFile>
#include <QFileInfo>
#include <QJSEngine>
#include <QSaveFile>
#include <QThreadPool>

namespace {

QString localPath(const QString &pathOrUrl)
{
    if (pathOrUrl.startsWith(QLatin1String("file:"), Qt::CaseInsensitive))
        return QUrl(pathOrUrl).toLocalFile();
    return pathOrUrl;
}

bool copyFile(const QString &from, const QString &to)
{
    QFile in(from);
    if (!in.open(QIODevice::ReadOnly))
        return false;
    const QByteArray data = in.readAll();
    if (in.error() != QFileDevice::NoError)
        return false;
    QSaveFile out(to);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    if (out.write(data) != data.size()) {
        out.cancelWriting();
        return false;
    }
    return out.commit();
}

} // namespace

ShareSheet &ShareSheet::shared()
{
    static ShareSheet *s = new ShareSheet;
    return *s;
}

ShareSheet *ShareSheet::create(QQmlEngine *, QJSEngine *)
{
    ShareSheet *s = &shared();
    QJSEngine::setObjectOwnership(s, QJSEngine::CppOwnership);
    return s;
}

bool ShareSheet::share(const QVariant &item, const QString &title)
{
    Kind kind = None;
    QUrl url;
    QString text;
    if (item.typeId() == QMetaType::QUrl) {
        url = item.toUrl();
        if (url.isLocalFile() && !url.toLocalFile().isEmpty())
            kind = File;
        else if (Opener::isOpenable(url))
            kind = Link;
    } else if (item.canConvert<QString>()) {
        text = item.toString();
        const QUrl asUrl(text.trimmed(), QUrl::StrictMode);
        if (Opener::isOpenable(asUrl) && asUrl.scheme() != QLatin1String("mailto")) {
            kind = Link;
            url = asUrl;
        } else if (asUrl.isLocalFile() && !asUrl.toLocalFile().isEmpty()) {
            kind = File;
            url = asUrl;
        } else if (!text.isEmpty()) {
            kind = Text;
        }
    }
    if (kind == None)
        return false;
    if (kind == Link)
        text = url.toString();
    else if (kind == File)
        text = url.toLocalFile();

    m_kind = kind;
    m_url = url;
    m_text = text;
    m_title = title;
    emit itemChanged();
    setActive(true);
    return true;
}

void ShareSheet::dismiss() { setActive(false); }

QString ShareSheet::fileName() const
{
    return m_kind == File ? QFileInfo(m_url.toLocalFile()).fileName() : QString();
}

QStringList ShareSheet::nameFilters() const
{
    const QString suffix = QFileInfo(fileName()).suffix();
    if (suffix.isEmpty())
        return {};
    return {QStringLiteral("%1 (*.%2)").arg(suffix.toUpper(), suffix)};
}

void ShareSheet::copyLink()
{
    if (m_kind == Link || m_kind == Text)
        Pasteboard::shared().setString(m_text);
}

bool ShareSheet::openInBrowser()
{
    return m_kind == Link && Opener::shared().open(m_url);
}

void ShareSheet::saveFileTo(const QString &path)
{
    const QString to = localPath(path);
    if (m_kind != File || to.isEmpty() || m_saving) {
        emit saveFinished(false, to);
        return;
    }
    const QString from = m_url.toLocalFile();
    setSaving(true);
    backgroundPool()->start([this, from, to] {
        const bool ok = copyFile(from, to);
        QMetaObject::invokeMethod(this, [this, ok, to] {
            setSaving(false);
            emit saveFinished(ok, to);
        }, Qt::QueuedConnection);
    });
}

void ShareSheet::setActive(bool v)
{
    if (m_active == v)
        return;
    m_active = v;
    emit activeChanged();
}

void ShareSheet::setSaving(bool v)
{
    if (m_saving == v)
        return;
    m_saving = v;
    emit savingChanged();
}
