#include "app/startup.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int nCmdShow) {
    return RunBrowser(hInstance, nCmdShow);
}
