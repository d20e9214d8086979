#include "DefaultOutputWatch.h"

#include <pulse/context.h>
#include <pulse/introspect.h>
#include <pulse/subscribe.h>
#include <pulse/thread-mainloop.h>

bool DefaultOutputWatch::Tracker::update(const Sink &sink)
{
    const auto old = m_sinks.constFind(sink.index);
    const bool unplugged = old != m_sinks.constEnd() && sink.name == m_default && !old->activePort.isEmpty()
        && !old->unpluggedPorts.contains(old->activePort) && sink.unpluggedPorts.contains(old->activePort);
    m_sinks.insert(sink.index, sink);
    return unplugged;
}

bool DefaultOutputWatch::Tracker::remove(quint32 index)
{
    const auto it = m_sinks.constFind(index);
    if (it == m_sinks.constEnd())
        return false;
    const bool wasDefault = it->name == m_default;
    m_sinks.erase(it);
    return wasDefault;
}

namespace {

void drop(pa_operation *operation)
{
    if (operation)
        pa_operation_unref(operation);
}

} // namespace

template<class F>
void DefaultOutputWatch::post(void *self, F handle)
{
    auto *watch = static_cast<DefaultOutputWatch *>(self);
    QMetaObject::invokeMethod(watch, [watch, handle = std::move(handle)] { handle(watch); }, Qt::QueuedConnection);
}

DefaultOutputWatch::DefaultOutputWatch(QObject *parent) : QObject(parent)
{
    m_loop = pa_threaded_mainloop_new();
    if (!m_loop)
        return;
    m_context = pa_context_new(pa_threaded_mainloop_get_api(m_loop), "Nimbelora");
    if (m_context && pa_threaded_mainloop_start(m_loop) >= 0) {
        pa_threaded_mainloop_lock(m_loop);
        pa_context_set_state_callback(m_context, &DefaultOutputWatch::onState, this);
        // Never start a server of our own: none running means nothing to follow.
        pa_context_connect(m_context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr);
        pa_threaded_mainloop_unlock(m_loop);
    }
}

DefaultOutputWatch::~DefaultOutputWatch()
{
    if (!m_loop)
        return;
    pa_threaded_mainloop_lock(m_loop);
    if (m_context) {
        pa_context_set_state_callback(m_context, nullptr, nullptr);
        pa_context_set_subscribe_callback(m_context, nullptr, nullptr);
        pa_context_disconnect(m_context);
        pa_context_unref(m_context);
    }
    pa_threaded_mainloop_unlock(m_loop);
    pa_threaded_mainloop_stop(m_loop);
    pa_threaded_mainloop_free(m_loop);
}

void DefaultOutputWatch::onState(pa_context *context, void *self)
{
    if (pa_context_get_state(context) != PA_CONTEXT_READY)
        return;
    pa_context_set_subscribe_callback(
        context, [](pa_context *c, pa_subscription_event_type_t t, uint32_t i, void *s) { onEvent(c, int(t), i, s); },
        self);
    drop(pa_context_subscribe(context, pa_subscription_mask_t(PA_SUBSCRIPTION_MASK_SINK | PA_SUBSCRIPTION_MASK_SERVER),
                              nullptr, nullptr));
    drop(pa_context_get_server_info(context, &onServer, self));
    drop(pa_context_get_sink_info_list(context, &onSink, self));
}

void DefaultOutputWatch::onEvent(pa_context *context, int type, quint32 index, void *self)
{
    const int facility = type & PA_SUBSCRIPTION_EVENT_FACILITY_MASK;
    const int kind = type & PA_SUBSCRIPTION_EVENT_TYPE_MASK;
    if (facility == PA_SUBSCRIPTION_EVENT_SERVER) {
        drop(pa_context_get_server_info(context, &onServer, self));
    } else if (facility == PA_SUBSCRIPTION_EVENT_SINK && kind == PA_SUBSCRIPTION_EVENT_REMOVE) {
        post(self, [index](DefaultOutputWatch *watch) {
            if (watch->m_tracker.remove(index))
                emit watch->defaultOutputLost();
        });
    } else if (facility == PA_SUBSCRIPTION_EVENT_SINK) {
        drop(pa_context_get_sink_info_by_index(context, index, &onSink, self));
    }
}

void DefaultOutputWatch::onServer(pa_context *, const pa_server_info *info, void *self)
{
    if (!info)
        return;
    const QString name = QString::fromUtf8(info->default_sink_name);
    post(self, [name](DefaultOutputWatch *watch) { watch->m_tracker.setDefault(name); });
}

void DefaultOutputWatch::onSink(pa_context *, const pa_sink_info *info, int eol, void *self)
{
    if (eol || !info)
        return;
    DefaultOutputWatch::Sink sink;
    sink.index = info->index;
    sink.name = QString::fromUtf8(info->name);
    if (info->active_port)
        sink.activePort = QString::fromUtf8(info->active_port->name);
    for (uint32_t i = 0; i < info->n_ports; ++i)
        if (info->ports[i]->available == PA_PORT_AVAILABLE_NO)
            sink.unpluggedPorts.insert(QString::fromUtf8(info->ports[i]->name));
    post(self, [sink](DefaultOutputWatch *watch) {
        if (watch->m_tracker.update(sink))
            emit watch->defaultOutputLost();
    });
}
