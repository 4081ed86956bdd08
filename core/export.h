// Symbol export for the foundation library. Everything else in libcore stays hidden.
#pragma once

#if defined(_WIN32)
#  if defined(DS_BUILDING_CORE)
#    define DS_API __declspec(dllexport)
#  else
#    define DS_API __declspec(dllimport)
#  endif
#  define DS_LOCAL
#else
#  define DS_API __attribute__((visibility("default")))
#  define DS_LOCAL __attribute__((visibility("hidden")))
#endif
