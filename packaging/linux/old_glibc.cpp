// Linked into the Linux folder's programs only (VARNO_FOLDER): stand-ins for
// the two functions of glibc newer than 2.34 that Debian 12's static libstdc++
// and libgcc call, so that the programs run on any glibc from 2.34 on (Ubuntu
// 22.04, SteamOS 3.5). Defined in the program, they are bound when it is
// linked and never asked of the system's glibc.
#include <dlfcn.h>
#include <link.h>
#include <sys/random.h>

#include <cstdint>
#include <cstdlib>

namespace {

struct Search {
    uintptr_t address;
    dl_find_object* found;
};

// One loaded object: when one of its loaded segments holds the address, its
// span and its exception frames' index (the PT_GNU_EH_FRAME segment).
int look_in(dl_phdr_info* object, size_t, void* data)
{
    Search* s = static_cast<Search*>(data);
    uintptr_t start = UINTPTR_MAX, end = 0;
    void* eh_frame = nullptr;
    bool holds = false;
    for (int i = 0; i < object->dlpi_phnum; ++i) {
        const ElfW(Phdr)& segment = object->dlpi_phdr[i];
        const uintptr_t at = object->dlpi_addr + segment.p_vaddr;
        if (segment.p_type == PT_LOAD) {
            start = at < start ? at : start;
            end = at + segment.p_memsz > end ? at + segment.p_memsz : end;
            holds = holds || (s->address >= at && s->address < at + segment.p_memsz);
        } else if (segment.p_type == PT_GNU_EH_FRAME) {
            eh_frame = reinterpret_cast<void*>(at);
        }
    }
    if (!holds)
        return 0;
    *s->found = dl_find_object{};
    s->found->dlfo_map_start = reinterpret_cast<void*>(start);
    s->found->dlfo_map_end = reinterpret_cast<void*>(end);
    s->found->dlfo_eh_frame = eh_frame;
    return eh_frame ? 1 : -1;
}

}  // namespace

// glibc 2.35: the unwinder's look-up of the object an address lies in, here
// through dl_iterate_phdr as unwinders did before it.
extern "C" int _dl_find_object(void* address, dl_find_object* result) noexcept
{
    Search s{reinterpret_cast<uintptr_t>(address), result};
    return dl_iterate_phdr(look_in, &s) == 1 ? 0 : -1;
}

// glibc 2.36: std::random_device's source, here the kernel's (getrandom, 2.25).
extern "C" uint32_t arc4random() noexcept
{
    uint32_t value = 0;
    while (getrandom(&value, sizeof value, 0) != ssize_t(sizeof value)) {
    }
    return value;
}
