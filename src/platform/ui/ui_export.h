#pragma once
// The UI library is one shared library, so that the host and every plug-in module see the
// same main frame.

#if defined(KESTRA_UI_BUILDING)
#define KESTRA_UI_EXPORT __attribute__((visibility("default")))
#else
#define KESTRA_UI_EXPORT
#endif
