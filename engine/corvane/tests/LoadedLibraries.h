// Which shared objects the test process has loaded (Linux), for tests that
// hold the window system to loading only at the first real window.
#pragma once

#if defined(__linux__)
#include <link.h>

#include <cstring>

// True when a loaded object's path contains `fragment`.
inline bool libraryLoaded(const char* fragment) {
    struct Search {
        const char* fragment;
        bool found;
    } search{fragment, false};
    dl_iterate_phdr(
        [](dl_phdr_info* info, std::size_t, void* data) {
            auto* s = static_cast<Search*>(data);
            if (info->dlpi_name && std::strstr(info->dlpi_name, s->fragment)) s->found = true;
            return 0;
        },
        &search);
    return search.found;
}
#endif
