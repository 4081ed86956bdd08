/* Removes what the installer made: the program and its Uninstall key. Exit code 0 when both
   are gone. */
#include <windows.h>

#include "common.h"

int wmain(void) {
  BOOL file_gone = DeleteFileW(APP_EXE) || GetLastError() == ERROR_FILE_NOT_FOUND;
  LONG key = RegDeleteKeyW(HKEY_LOCAL_MACHINE, UNINSTALL_KEY);
  return file_gone && (key == ERROR_SUCCESS || key == ERROR_FILE_NOT_FOUND) ? 0 : 1;
}
