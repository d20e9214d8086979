#include "MpvLibrary.h"

#include <QtGlobal>
#include <dlfcn.h>
#include <mutex>
#include <string>

namespace {

const MpvLibrary *open()
{
    // The major client API version is the library's so-name version.
    const std::string name = "libmpv.so." + std::to_string(MPV_CLIENT_API_VERSION >> 16);
    // Local: its libraries must not interpose on the symbols the app resolves.
    void *handle = dlopen(name.c_str(), RTLD_LAZY | RTLD_LOCAL);
    if (!handle) {
        qWarning("libmpv: %s", dlerror());
        return nullptr;
    }
    static MpvLibrary lib;
    bool complete = true;
    const auto bind = [&](auto &fn, const char *symbol) {
        fn = reinterpret_cast<std::remove_reference_t<decltype(fn)>>(dlsym(handle, symbol));
        if (!fn) {
            qWarning("libmpv: %s is missing", symbol);
            complete = false;
        }
    };
    bind(lib.create, "mpv_create");
    bind(lib.initialize, "mpv_initialize");
    bind(lib.terminate_destroy, "mpv_terminate_destroy");
    bind(lib.set_option_string, "mpv_set_option_string");
    bind(lib.set_property_string, "mpv_set_property_string");
    bind(lib.set_property_async, "mpv_set_property_async");
    bind(lib.get_property_async, "mpv_get_property_async");
    bind(lib.command_async, "mpv_command_async");
    bind(lib.observe_property, "mpv_observe_property");
    bind(lib.wakeup, "mpv_wakeup");
    bind(lib.wait_event, "mpv_wait_event");
    bind(lib.error_string, "mpv_error_string");
    bind(lib.render_context_create, "mpv_render_context_create");
    bind(lib.render_context_free, "mpv_render_context_free");
    bind(lib.render_context_render, "mpv_render_context_render");
    bind(lib.render_context_update, "mpv_render_context_update");
    bind(lib.render_context_set_update_callback, "mpv_render_context_set_update_callback");
    // The library stays open for the life of the process: cores may still
    // be shutting down on other threads at exit.
    return complete ? &lib : nullptr;
}

} // namespace

const MpvLibrary *MpvLibrary::get()
{
    static std::once_flag once;
    static const MpvLibrary *lib = nullptr;
    std::call_once(once, [] { lib = open(); });
    return lib;
}
