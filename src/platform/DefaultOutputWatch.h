#pragma once
#include <QHash>
#include <QObject>
#include <QSet>
#include <QString>

struct pa_context;
struct pa_server_info;
struct pa_sink_info;
struct pa_threaded_mainloop;

// Follows the sound server's default output over the PulseAudio protocol
// (PipeWire serves it too) and tells when it goes away: the output itself is
// removed (a USB or Bluetooth headset), or its active port is unplugged
// (headphones in the jack). Without a sound server it does nothing. The
// server's news arrive on a thread of libpulse's own and are handled on the
// watch's thread.
class DefaultOutputWatch : public QObject
{
    Q_OBJECT

public:
    // One output as the server describes it.
    struct Sink
    {
        quint32 index = 0;
        QString name;
        QString activePort;
        QSet<QString> unpluggedPorts;
    };

    // The rule, fed with the server's news in the order they come; each call
    // answers whether that news is the loss of the default output.
    class Tracker
    {
    public:
        void setDefault(const QString &name) { m_default = name; }
        bool update(const Sink &sink);
        bool remove(quint32 index);

    private:
        QString m_default;
        QHash<quint32, Sink> m_sinks;
    };

    explicit DefaultOutputWatch(QObject *parent = nullptr);
    ~DefaultOutputWatch() override;

signals:
    void defaultOutputLost();

private:
    static void onState(pa_context *context, void *self);
    static void onEvent(pa_context *context, int type, quint32 index, void *self);
    static void onServer(pa_context *context, const pa_server_info *info, void *self);
    static void onSink(pa_context *context, const pa_sink_info *info, int eol, void *self);
    // On libpulse's thread: runs `handle` on the watch's thread.
    template<class F>
    static void post(void *self, F handle);

    pa_threaded_mainloop *m_loop = nullptr;
    pa_context *m_context = nullptr;
    Tracker m_tracker;
};
