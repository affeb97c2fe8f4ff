// Import/export decoration of the album library's public classes and functions.
#pragma once

#include <windows.h>

#if defined(ALBUM_BUILD)
#define ALBUM_API __declspec(dllexport)
#elif defined(ALBUM_STATIC)
#define ALBUM_API
#else
#define ALBUM_API __declspec(dllimport)
#endif
