/* What the Ostrel QR library exports.
 *
 * OSTREL_API marks the C functions and the C++ classes that make up the library's interface.
 * Every other symbol is compiled with hidden visibility and stays inside the shared library.
 *
 * ELF platforms: default visibility for the marked symbols, whoever includes the header.
 * Windows: __declspec(dllexport) while the DLL is built (OSTREL_QR_BUILDING_SHARED),
 * __declspec(dllimport) for programs that use the DLL (OSTREL_QR_SHARED, set by the CMake
 * package's target ostrel::qr), nothing for the static library.
 *
 * Plain C (C99) and C++ both read this header. */
#ifndef OSTREL_EXPORT_H
#define OSTREL_EXPORT_H

#if defined(_WIN32) || defined(__CYGWIN__)
#if defined(OSTREL_QR_BUILDING_SHARED)
#define OSTREL_API __declspec(dllexport)
#elif defined(OSTREL_QR_SHARED)
#define OSTREL_API __declspec(dllimport)
#else
#define OSTREL_API
#endif
#elif defined(__GNUC__) || defined(__clang__)
#define OSTREL_API __attribute__((visibility("default")))
#else
#define OSTREL_API
#endif

#endif
