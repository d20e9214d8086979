#include "PlayerOptionsModel.h"
#include "Store.h"

#include "Defaults.h"
#include "Pref.h"

#include <QVariantMap>
#include <cmath>

namespace {

const QLatin1StringView kRate("rate:");
const QLatin1StringView kCaption("caption:");
const QLatin1StringView kSleep("sleep:");

} // namespace

PlayerOptionsModel::PlayerOptionsModel(QObject *parent) : QObject(parent) {}

void PlayerOptionsModel::setPlayer(PlayerStore *player)
{
    assignAndNotify(this, m_player, player, &PlayerOptionsModel::storesChanged);
}

void PlayerOptionsModel::setOverlay(PlayerOverlayModel *overlay)
{
    assignAndNotify(this, m_overlay, overlay, &PlayerOptionsModel::storesChanged);
}

QString PlayerOptionsModel::rateText(float rate)
{
    const double r = rate;
    const QString number = r == std::trunc(r) ? QString::number(qint64(r))
                                              : QString::asprintf("%g", r).replace(QLatin1Char('.'), QLatin1Char(','));
    return number + QChar(0x00D7);
}

double PlayerOptionsModel::largerCaption(double scale) { return std::min(scale + captionStep, captionMax); }
double PlayerOptionsModel::smallerCaption(double scale) { return std::max(scale - captionStep, captionMin); }

QList<MenuEntry> PlayerOptionsModel::speedEntries() const
{
    const float speed = m_player ? m_player->speed() : 1.0f;
    QList<MenuEntry> out;
    for (size_t i = 0; i < std::size(rates); ++i)
        out.append(MenuEntry::choice(kRate + QString::number(i), rateText(rates[i]), rates[i] == speed));
    return out;
}

QList<MenuEntry> PlayerOptionsModel::captionEntries() const
{
    QList<MenuEntry> out;
    const QList<CaptionTrack> tracks = m_player ? m_player->captionTracks() : QList<CaptionTrack>{};
    const std::optional<QString> active = m_player ? m_player->activeCaption() : std::nullopt;
    if (tracks.isEmpty()) {
        out.append(MenuEntry::text(QStringLiteral("noCaptions"), QStringLiteral("Sin subtítulos")));
    } else {
        out.append(MenuEntry::choice(QStringLiteral("captionsOff"), QStringLiteral("Desactivados"), !active));
        for (const CaptionTrack &t : tracks)
            out.append(MenuEntry::choice(kCaption + t.lang, t.name, active == t.lang));
    }
    out.append(MenuEntry::separator(QStringLiteral("captionSeparator")));
    out.append(MenuEntry::button(QStringLiteral("captionLarger"), QStringLiteral("Texto más grande"), QStringLiteral("textformat.size.larger")));
    out.append(MenuEntry::button(QStringLiteral("captionSmaller"), QStringLiteral("Texto más pequeño"), QStringLiteral("textformat.size.smaller")));
    const bool backed = Defaults::shared().boolValue(Pref::captionBg);
    out.append(MenuEntry::button(QStringLiteral("captionBackground"), backed ? QStringLiteral("Quitar fondo") : QStringLiteral("Poner fondo"),
                      QStringLiteral("rectangle.fill")));
    return out;
}

QList<MenuEntry> PlayerOptionsModel::sleepEntries() const
{
    QList<MenuEntry> out{MenuEntry::button(kSleep + QStringLiteral("15"), QStringLiteral("15 minutos")),
                     MenuEntry::button(kSleep + QStringLiteral("30"), QStringLiteral("30 minutos")),
                     MenuEntry::button(kSleep + QStringLiteral("45"), QStringLiteral("45 minutos")),
                     MenuEntry::button(kSleep + QStringLiteral("60"), QStringLiteral("1 hora")),
                     MenuEntry::button(QStringLiteral("sleepAtEnd"), QStringLiteral("Al terminar el vídeo"))};
    if (m_player && (m_player->sleepEndsAt() || m_player->sleepAtEnd()))
        out.append(MenuEntry::button(QStringLiteral("sleepOff"), QStringLiteral("Desactivar"), {}, true));
    return out;
}

QList<MenuEntry> PlayerOptionsModel::loopEntries() const
{
    QList<MenuEntry> out{MenuEntry::button(QStringLiteral("loopA"), QStringLiteral("Marcar inicio (A)"), QStringLiteral("a.circle")),
                     MenuEntry::button(QStringLiteral("loopB"), QStringLiteral("Marcar final (B)"), QStringLiteral("b.circle"))};
    if (m_player && m_player->loopA())
        out.append(MenuEntry::button(QStringLiteral("loopClear"), QStringLiteral("Quitar bucle"), {}, true));
    return out;
}

QList<MenuEntry> PlayerOptionsModel::entries() const
{
    const PlayerStore *p = m_player;
    const bool loop = p && p->loop();
    const bool muted = p && p->muted();
    const bool audioOnly = p && p->audioOnly();
    const bool fill = p && p->fillScreen();
    const bool stats = m_overlay && m_overlay->showStats();
    const qsizetype queued = p ? p->queue().size() : 0;

    return {
        MenuEntry::submenu(QStringLiteral("speed"), QStringLiteral("Velocidad (") + rateText(p ? p->speed() : 1.0f) + QLatin1Char(')'),
                QStringLiteral("speedometer"), speedEntries()),
        MenuEntry::submenu(QStringLiteral("captions"), QStringLiteral("Subtítulos"), QStringLiteral("captions.bubble"), captionEntries()),
        MenuEntry::submenu(QStringLiteral("sleep"), QStringLiteral("Temporizador"), QStringLiteral("moon.zzz"), sleepEntries()),
        MenuEntry::submenu(QStringLiteral("loopAB"), QStringLiteral("Bucle A–B"), QStringLiteral("repeat"), loopEntries()),
        MenuEntry::button(QStringLiteral("repeat"), loop ? QStringLiteral("Repetir: activado") : QStringLiteral("Repetir vídeo"),
               loop ? QStringLiteral("repeat.1") : QStringLiteral("repeat")),
        MenuEntry::button(QStringLiteral("mute"), muted ? QStringLiteral("Activar sonido") : QStringLiteral("Silenciar"),
               muted ? QStringLiteral("speaker.wave.2") : QStringLiteral("speaker.slash")),
        MenuEntry::button(QStringLiteral("audioOnly"), audioOnly ? QStringLiteral("Volver a vídeo") : QStringLiteral("Solo audio (ahorra datos)"),
               QStringLiteral("waveform")),
        MenuEntry::button(QStringLiteral("fill"), fill ? QStringLiteral("Ajustar al marco") : QStringLiteral("Rellenar pantalla"),
               fill ? QStringLiteral("arrow.down.right.and.arrow.up.left") : QStringLiteral("rectangle.expand.vertical")),
        MenuEntry::button(QStringLiteral("queue"), QStringLiteral("Cola (") + QString::number(queued) + QLatin1Char(')'),
               QStringLiteral("list.bullet")),
        MenuEntry::button(QStringLiteral("lock"), QStringLiteral("Bloquear controles"), QStringLiteral("lock")),
        MenuEntry::button(QStringLiteral("stats"), stats ? QStringLiteral("Ocultar estadísticas") : QStringLiteral("Estadísticas"),
               QStringLiteral("chart.bar")),
    };
}

QVariantList PlayerOptionsModel::menuModel() const { return MenuEntry::toModel(entries()); }

void PlayerOptionsModel::markLoopB()
{
    const std::optional<double> a = m_player->loopA();
    if (!a)
        return;
    const double t = m_player->player()->currentTime();
    if (*a + 1.0 < t) {
        m_player->setLoopB(t);
        m_player->showToast(QStringLiteral("Bucle activado"));
    } else {
        m_player->showToast(QStringLiteral("El final debe ir después del inicio"));
    }
}

void PlayerOptionsModel::trigger(const QString &id)
{
    // The overlay's entries work without a store, the store's without an overlay.
    if (m_overlay) {
        if (id == QLatin1String("queue")) {
            m_overlay->setShowQueue(true);
            return;
        }
        if (id == QLatin1String("lock")) {
            m_overlay->setLocked(true);
            m_overlay->setShowControls(false);
            return;
        }
        if (id == QLatin1String("stats")) {
            m_overlay->setShowStats(!m_overlay->showStats());
            return;
        }
    }
    if (id == QLatin1String("captionLarger") || id == QLatin1String("captionSmaller")) {
        const double scale = Defaults::shared().doubleValue(Pref::captionSize);
        Defaults::shared().setValue(Pref::captionSize,
                                    id == QLatin1String("captionLarger") ? largerCaption(scale) : smallerCaption(scale));
        return;
    }
    if (id == QLatin1String("captionBackground")) {
        Defaults::shared().setValue(Pref::captionBg, !Defaults::shared().boolValue(Pref::captionBg));
        return;
    }
    PlayerStore *p = m_player;
    if (!p)
        return;
    if (id.startsWith(kRate)) {
        bool ok = false;
        const uint i = id.mid(kRate.size()).toUInt(&ok);
        if (ok && i < std::size(rates))
            p->setSpeed(rates[i]);
    } else if (id == QLatin1String("captionsOff")) {
        p->selectCaption(std::optional<QString>());
    } else if (id.startsWith(kCaption)) {
        p->selectCaption(std::optional<QString>(id.mid(kCaption.size())));
    } else if (id.startsWith(kSleep)) {
        p->setSleep(id.mid(kSleep.size()).toInt(), false);
    } else if (id == QLatin1String("sleepAtEnd")) {
        p->setSleep(QVariant(), true);
    } else if (id == QLatin1String("sleepOff")) {
        p->setSleepEndsAt(std::nullopt);
        p->setSleepAtEnd(false);
    } else if (id == QLatin1String("loopA")) {
        p->markLoopA();
    } else if (id == QLatin1String("loopB")) {
        markLoopB();
    } else if (id == QLatin1String("loopClear")) {
        p->clearLoop();
    } else if (id == QLatin1String("repeat")) {
        p->setLoop(!p->loop());
    } else if (id == QLatin1String("mute")) {
        p->toggleMute();
    } else if (id == QLatin1String("audioOnly")) {
        p->setAudioOnly(!p->audioOnly());
    } else if (id == QLatin1String("fill")) {
        p->setFillScreen(!p->fillScreen());
    }
}
