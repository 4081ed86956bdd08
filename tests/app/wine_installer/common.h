/* Where the test program installs and the key it writes. */
#define INSTALL_DIR L"C:\\Program Files\\Corvane Test"
#define APP_EXE INSTALL_DIR L"\\CorvaneApp.exe"
#define UNINSTALL_EXE INSTALL_DIR L"\\uninstall.exe"
#define UNINSTALL_KEY L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\CorvaneTest"
