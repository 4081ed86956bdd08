/* A console installer as Windows installers behave: copies the program and its uninstaller into
   C:\Program Files\Corvane Test and registers the program in the Uninstall list. Exit code 0 on
   success. */
#include <windows.h>
#include <wchar.h>

#include "common.h"

static int WriteResource(int id, const wchar_t* path) {
  HRSRC found = FindResourceW(NULL, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(10) /* RT_RCDATA */);
  if (found == NULL) return 0;
  HGLOBAL loaded = LoadResource(NULL, found);
  const void* data = LockResource(loaded);
  DWORD size = SizeofResource(NULL, found);
  HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
  if (file == INVALID_HANDLE_VALUE) return 0;
  DWORD written = 0;
  BOOL ok = WriteFile(file, data, size, &written, NULL) && written == size;
  CloseHandle(file);
  return ok;
}

static int SetText(HKEY key, const wchar_t* name, const wchar_t* text) {
  return RegSetValueExW(key, name, 0, REG_SZ, (const BYTE*)text,
                        (DWORD)((wcslen(text) + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

int wmain(void) {
  CreateDirectoryW(INSTALL_DIR, NULL);
  if (!WriteResource(1, APP_EXE) || !WriteResource(2, UNINSTALL_EXE)) return 2;
  HKEY key;
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key,
                      NULL) != ERROR_SUCCESS) {
    return 3;
  }
  /* A Chinese display name: Wine keeps it with \x escapes in its file. */
  int ok = SetText(key, L"DisplayName", L"Corvane \x6d4b\x8bd5\x7a0b\x5e8f") &&
           SetText(key, L"DisplayIcon", APP_EXE) && SetText(key, L"DisplayVersion", L"2.5.1") &&
           SetText(key, L"UninstallString", L"\"" UNINSTALL_EXE L"\"");
  RegCloseKey(key);
  return ok ? 0 : 4;
}
