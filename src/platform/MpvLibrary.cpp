#include "MpvLibrary.h"

#include <QtGlobal>
#include <dlfcn.h>
#include <link.h>
#include <mutex>
#include <set>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

namespace {

using Objects = std::set<ElfW(Addr)>;

// The library and the objects it brought with it.
Objects &mpvObjects()
{
    static Objects objects;
    return objects;
}

Objects loadedObjects()
{
    Objects bases;
    dl_iterate_phdr(
        [](dl_phdr_info *info, size_t, void *data) {
            static_cast<Objects *>(data)->insert(info->dlpi_addr);
            return 0;
        },
        &bases);
    return bases;
}

// The loader writes into an object's code when it has text relocations.
bool writesIntoReadOnly(const dl_phdr_info *info)
{
    for (int i = 0; i < info->dlpi_phnum; ++i) {
        const ElfW(Phdr) &ph = info->dlpi_phdr[i];
        if (ph.p_type != PT_DYNAMIC)
            continue;
        for (auto *d = reinterpret_cast<const ElfW(Dyn) *>(info->dlpi_addr + ph.p_vaddr); d->d_tag != DT_NULL; ++d) {
            if (d->d_tag == DT_TEXTREL || (d->d_tag == DT_FLAGS && (d->d_un.d_val & DF_TEXTREL)))
                return true;
        }
    }
    return false;
}

// Segments that were never writable are still the files' own pages, so
// letting go of them loses nothing: what is used again comes back from the
// page cache on first touch.
void releaseReadOnlyPages(const Objects &only)
{
    struct Walk
    {
        const Objects *only;
        uintptr_t page;
    } walk{&only, uintptr_t(sysconf(_SC_PAGESIZE))};
    dl_iterate_phdr(
        [](dl_phdr_info *info, size_t, void *data) {
            const auto &w = *static_cast<const Walk *>(data);
            if (!w.only->count(info->dlpi_addr) || writesIntoReadOnly(info))
                return 0;
            for (int i = 0; i < info->dlpi_phnum; ++i) {
                const ElfW(Phdr) &ph = info->dlpi_phdr[i];
                if (ph.p_type != PT_LOAD || (ph.p_flags & PF_W))
                    continue;
                // Whole pages only: a neighbouring segment may share a partial one.
                const uintptr_t from = (info->dlpi_addr + ph.p_vaddr + w.page - 1) & ~(w.page - 1);
                const uintptr_t to = (info->dlpi_addr + ph.p_vaddr + ph.p_memsz) & ~(w.page - 1);
                if (to > from)
                    madvise(reinterpret_cast<void *>(from), to - from, MADV_DONTNEED);
            }
            return 0;
        },
        &walk);
}

const MpvLibrary *open()
{
    // The major client API version is the library's so-name version.
    const std::string name = "libmpv.so." + std::to_string(MPV_CLIENT_API_VERSION >> 16);
    const Objects before = loadedObjects();
    // Local: its libraries must not interpose on the symbols the app resolves.
    void *handle = dlopen(name.c_str(), RTLD_LAZY | RTLD_LOCAL);
    if (!handle) {
        qWarning("libmpv: %s", dlerror());
        return nullptr;
    }
    // The library stays loaded, so neither it nor what it brought ever moves.
    for (ElfW(Addr) base : loadedObjects())
        if (!before.count(base))
            mpvObjects().insert(base);
    releaseReadOnlyPages(mpvObjects());
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
    bind(lib.command_node_async, "mpv_command_node_async");
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

void MpvLibrary::releaseStartupPages()
{
    if (get())
        releaseReadOnlyPages(mpvObjects());
}
