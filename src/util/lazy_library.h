// Functions of a library opened on first use: each is defined under its own
// name and forwards to the library's, looked up the first time it is called.
// Without the library (or the function) the call returns `failed` instead,
// and the caller takes its usual error path.
#pragma once

#include <dlfcn.h>

namespace kelp::util {

template <typename Function>
Function lazySymbol(void *library, const char *name)
{
    return library ? reinterpret_cast<Function>(::dlsym(library, name)) : nullptr;
}

} // namespace kelp::util

// `library` is a function returning the library's handle (null: not there).
#define KELP_LAZY_FORWARD(library, failed, result, name, params, args)                                                 \
    extern "C" result name params                                                                                      \
    {                                                                                                                  \
        static const auto real = kelp::util::lazySymbol<result(*) params>(library(), #name);                           \
        return real ? real args : failed;                                                                              \
    }

// The same for a function without a result; `otherwise` runs without the library.
#define KELP_LAZY_FORWARD_VOID(library, name, params, args, otherwise)                                                 \
    extern "C" void name params                                                                                        \
    {                                                                                                                  \
        static const auto real = kelp::util::lazySymbol<void(*) params>(library(), #name);                             \
        if (real)                                                                                                      \
            real args;                                                                                                 \
        else                                                                                                           \
            otherwise;                                                                                                 \
    }
