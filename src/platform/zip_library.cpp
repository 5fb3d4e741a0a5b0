// libzip, loaded on first use: it brings a cryptography library of a
// megabyte and a half, resident as soon as it is mapped, and the trainer
// needs zip files only when a learner exports to or imports from Anki. Each
// function the program calls is defined here under its own name and
// forwards to the library, opened the first time any is called; without it
// every call fails as a broken archive does, and says why.
#include "util/lazy_library.h"

#include <zip.h>

#include <cstring>

#include <dlfcn.h>

namespace {

void *library()
{
    static void *const handle = ::dlopen("libzip.so.4", RTLD_NOW | RTLD_LOCAL);
    return handle;
}

const char kUnloaded[] = "libzip (libzip.so.4) cannot be loaded";

} // namespace

#define KELP_ZIP(failed, result, name, params, args) KELP_LAZY_FORWARD(library, failed, result, name, params, args)
#define KELP_ZIP_VOID(name, params, args, otherwise) KELP_LAZY_FORWARD_VOID(library, name, params, args, otherwise)

// Opening, reading and writing archives.
KELP_ZIP(nullptr, zip_t *, zip_open, (const char *path, int flags, int *error), (path, flags, error))
KELP_ZIP(nullptr, zip_t *, zip_open_from_source, (zip_source_t * source, int flags, zip_error_t *error),
         (source, flags, error))
KELP_ZIP(-1, int, zip_close, (zip_t * archive), (archive))
KELP_ZIP_VOID(zip_discard, (zip_t * archive), (archive), (void)archive)
KELP_ZIP(-1, zip_int64_t, zip_name_locate, (zip_t * archive, const char *name, zip_flags_t flags),
         (archive, name, flags))
KELP_ZIP(-1, int, zip_stat_index, (zip_t * archive, zip_uint64_t index, zip_flags_t flags, zip_stat_t *stat),
         (archive, index, flags, stat))
KELP_ZIP(nullptr, zip_file_t *, zip_fopen_index, (zip_t * archive, zip_uint64_t index, zip_flags_t flags),
         (archive, index, flags))
KELP_ZIP(-1, zip_int64_t, zip_fread, (zip_file_t * file, void *buffer, zip_uint64_t size), (file, buffer, size))
KELP_ZIP(-1, int, zip_fclose, (zip_file_t * file), (file))
KELP_ZIP(-1, int, zip_set_file_compression,
         (zip_t * archive, zip_uint64_t index, zip_int32_t method, zip_uint32_t flags), (archive, index, method, flags))
KELP_ZIP(-1, zip_int64_t, zip_file_add, (zip_t * archive, const char *name, zip_source_t *source, zip_flags_t flags),
         (archive, name, source, flags))

// Sources.
KELP_ZIP(nullptr, zip_source_t *, zip_source_file,
         (zip_t * archive, const char *path, zip_uint64_t start, zip_int64_t length), (archive, path, start, length))
KELP_ZIP(nullptr, zip_source_t *, zip_source_buffer, (zip_t * archive, const void *data, zip_uint64_t size, int free),
         (archive, data, size, free))
KELP_ZIP(nullptr, zip_source_t *, zip_source_buffer_create,
         (const void *data, zip_uint64_t size, int free, zip_error_t *error), (data, size, free, error))
KELP_ZIP(-1, int, zip_source_open, (zip_source_t * source), (source))
KELP_ZIP(-1, zip_int64_t, zip_source_read, (zip_source_t * source, void *buffer, zip_uint64_t size),
         (source, buffer, size))
KELP_ZIP(-1, int, zip_source_stat, (zip_source_t * source, zip_stat_t *stat), (source, stat))
KELP_ZIP(-1, int, zip_source_close, (zip_source_t * source), (source))
KELP_ZIP_VOID(zip_source_keep, (zip_source_t * source), (source), (void)source)
KELP_ZIP_VOID(zip_source_free, (zip_source_t * source), (source), (void)source)

// Errors: without the library an error is still a valid, empty one.
KELP_ZIP(nullptr, zip_error_t *, zip_get_error, (zip_t * archive), (archive))
KELP_ZIP_VOID(zip_error_init, (zip_error_t * error), (error), std::memset(error, 0, sizeof *error))
KELP_ZIP_VOID(zip_error_init_with_code, (zip_error_t * error, int code), (error, code),
              std::memset(error, 0, sizeof *error))
KELP_ZIP_VOID(zip_error_fini, (zip_error_t * error), (error), (void)error)
KELP_ZIP_VOID(zip_error_set, (zip_error_t * error, int zipError, int systemError), (error, zipError, systemError),
              (void)error)
KELP_ZIP(ZIP_ER_INTERNAL, int, zip_error_code_zip, (const zip_error_t *error), (error))
KELP_ZIP(0, int, zip_error_code_system, (const zip_error_t *error), (error))
KELP_ZIP(kUnloaded, const char *, zip_error_strerror, (zip_error_t * error), (error))
KELP_ZIP(kUnloaded, const char *, zip_strerror, (zip_t * archive), (archive))
KELP_ZIP(kUnloaded, const char *, zip_file_strerror, (zip_file_t * file), (file))
