#pragma once
// The program's entry, called by the Windows runtime start-up (and by the Linux main).
// Declared here without <windows.h> so that the program's own code stays free of it.

struct HINSTANCE__;
typedef HINSTANCE__* HINSTANCE;
typedef char* LPSTR;

#if defined(_WIN32)
#define KWU_ENTRY_CALL __stdcall
#else
#define KWU_ENTRY_CALL
#endif

extern "C" int KWU_ENTRY_CALL WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine,
                                      int nShowCmd);
