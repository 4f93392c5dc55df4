/* The C entries of libquillbay.so, the only symbols it exports. The host loads the library,
 * checks quillbay_abi_version() against the version it was built for, and then hands the
 * add-in its application object (a zep::addin::IApplication of addin/host.h). Every entry
 * returns an HRESULT-style result (negative is a failure) and never lets anything escape. */
#ifndef ZEP_ADDIN_QUILLBAY_H
#define ZEP_ADDIN_QUILLBAY_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Raised whenever addin/host.h or these entries change incompatibly. */
#define QUILLBAY_ABI_VERSION 1u

#if defined(ZEP_QUILLBAY_BUILD)
#define QUILLBAY_EXPORT __attribute__((visibility("default")))
#else
#define QUILLBAY_EXPORT
#endif

typedef struct quillbay_addin quillbay_addin;

QUILLBAY_EXPORT uint32_t quillbay_abi_version(void);

/* Creates the add-in and connects it to `application` (a zep::addin::IApplication*, which
 * must outlive the add-in): the toolbar, the binding to the messenger and the event
 * connections. On success *addin is the add-in (also when the host has no main window: the
 * add-in then stays idle). On failure nothing is left connected and *addin is null. */
QUILLBAY_EXPORT int32_t quillbay_connect(void* application, quillbay_addin** addin);

/* Tears the add-in down (if the main window's Close did not already) and frees it. May be
 * called from inside one of the add-in's event handlers; it is then freed when that returns. */
QUILLBAY_EXPORT int32_t quillbay_disconnect(quillbay_addin* addin);

/* Writes the registration manifest for this library (its own path); removes it. */
QUILLBAY_EXPORT int32_t quillbay_register(void);
QUILLBAY_EXPORT int32_t quillbay_unregister(void);

/* S_OK (0) when no add-in object remains, S_FALSE (1) otherwise. */
QUILLBAY_EXPORT int32_t quillbay_can_unload(void);

#ifdef __cplusplus
}
#endif

#endif
