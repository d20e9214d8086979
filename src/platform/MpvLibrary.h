#pragma once
#include <mpv/client.h>
#include <mpv/render.h>

// libmpv, opened at run time rather than linked: it brings some two hundred
// shared libraries, and loading them at process start would hold back the
// first frame. The engine opens it on a worker thread when a player is
// first wanted.
struct MpvLibrary
{
    decltype(&::mpv_create) create;
    decltype(&::mpv_initialize) initialize;
    decltype(&::mpv_terminate_destroy) terminate_destroy;
    decltype(&::mpv_set_option_string) set_option_string;
    decltype(&::mpv_set_property_string) set_property_string;
    decltype(&::mpv_set_property_async) set_property_async;
    decltype(&::mpv_get_property_async) get_property_async;
    decltype(&::mpv_command_async) command_async;
    decltype(&::mpv_command_node_async) command_node_async;
    decltype(&::mpv_observe_property) observe_property;
    decltype(&::mpv_wakeup) wakeup;
    decltype(&::mpv_wait_event) wait_event;
    decltype(&::mpv_error_string) error_string;
    decltype(&::mpv_render_context_create) render_context_create;
    decltype(&::mpv_render_context_free) render_context_free;
    decltype(&::mpv_render_context_render) render_context_render;
    decltype(&::mpv_render_context_update) render_context_update;
    decltype(&::mpv_render_context_set_update_callback) render_context_set_update_callback;

    // Opens the library once, from any thread; later calls wait for the
    // first. Null when it is missing or lacks a function.
    static const MpvLibrary *get();

    // Loading the library and its few hundred dependencies reads all their
    // relocation tables and runs their start-up code (some 35 MB), and the
    // first file a core opens is probed by every demuxer: pages nothing
    // needs again, yet they stayed resident. This lets go of the pages of
    // those libraries' never-writable segments. Opening does it itself; the
    // engine again once the first file has loaded.
    static void releaseStartupPages();
};
