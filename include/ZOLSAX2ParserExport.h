#ifndef ZOLSAX2PARSER_EXPORT_H
#define ZOLSAX2PARSER_EXPORT_H

// Marks the exported classes of ZOLSAX2Parser; everything else stays hidden.
#if defined(ZOLSAX2PARSER_STATIC)
#define ZOLSAX2PARSER_API
#elif defined(_WIN32)
#if defined(ZOLSAX2PARSER_BUILDING)
#define ZOLSAX2PARSER_API __declspec(dllexport)
#else
#define ZOLSAX2PARSER_API __declspec(dllimport)
#endif
#else
#define ZOLSAX2PARSER_API __attribute__((visibility("default")))
#endif

// Keeps a private helper of an exported class out of the library's interface.
#if defined(_WIN32) || defined(ZOLSAX2PARSER_STATIC)
#define ZOLSAX2PARSER_LOCAL
#else
#define ZOLSAX2PARSER_LOCAL __attribute__((visibility("hidden")))
#endif

#endif
