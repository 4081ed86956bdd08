// Symbol export for the toolkit and download library. Everything else in libvexo stays hidden.
#pragma once

#if defined(_WIN32)
#  if defined(DS_BUILDING_VEXO)
#    define VEXO_API __declspec(dllexport)
#  else
#    define VEXO_API __declspec(dllimport)
#  endif
#else
#  define VEXO_API __attribute__((visibility("default")))
#endif
