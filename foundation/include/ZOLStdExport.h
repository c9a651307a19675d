#ifndef ZOLSTD_EXPORT_H
#define ZOLSTD_EXPORT_H

// Marks the foundation's exported classes; everything else stays hidden.
#if defined(ZOLSTD_STATIC)
#define ZOLSTD_API
#elif defined(_WIN32)
#if defined(ZOLSTD_BUILDING)
#define ZOLSTD_API __declspec(dllexport)
#else
#define ZOLSTD_API __declspec(dllimport)
#endif
#else
#define ZOLSTD_API __attribute__((visibility("default")))
#endif

#endif
