#pragma once
// The one way into <windows.h> for the platform layer. The Win32 headers define macros
// named like our portable operations (FindNextFile -> FindNextFileA ...); they are undone
// here so that the portable names keep their meaning, and the explicit ...A functions
// are called instead.

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif

#include <windows.h>

#undef FindFirstFile
#undef FindNextFile
#undef GetModuleFileName
#undef GetWindowText
#undef SetWindowText
#undef GetDlgItemText
#undef SetDlgItemText
#undef MessageBox
#undef LoadString
#undef LoadLibrary
#undef CreateDialog
#undef DialogBox
#undef DialogBoxParam
#undef DialogBoxIndirectParam
#undef SendMessage
#undef PostMessage
#undef FindResource
#undef ShellExecute
#undef GetClassName
#undef RegOpenKeyEx
#undef RegQueryValueEx
#undef RegCreateKeyEx
#undef RegSetValueEx
