/* Starts a program under Wine with the environment a Windows machine gives it.
 *
 *   winrun <program> [<argument>...]
 *
 * Wine copies the Unix environment into every Windows process, TZ included, and the C
 * runtime reads TZ as a Windows-style zone text ("Europe/Berlin" turns into UTC). On
 * Windows TZ is normally unset and the runtime takes the system's zone, which Wine
 * derives from the Unix TZ. So TZ is removed from the program's environment here, while
 * Wine's system zone still follows the TZ this launcher was started with.
 *
 * The program's command line is the rest of this one, unchanged. The exit code is the
 * program's, or 255 when it could not be started.
 */

#include <windows.h>

#include <stdio.h>
#include <string.h>

/* The command line after its first argument, as the runtime splits arguments. */
static char* command_line_tail(void) {
  char* c = GetCommandLineA();
  BOOL quoted = FALSE;
  while (*c && (quoted || (*c != ' ' && *c != '\t'))) {
    if (*c == '"')
      quoted = !quoted;
    ++c;
  }
  while (*c == ' ' || *c == '\t')
    ++c;
  return c;
}

int main(void) {
  STARTUPINFOA startup;
  PROCESS_INFORMATION process;
  DWORD exit_code = 255;
  char* command = command_line_tail();
  if (!*command) {
    fprintf(stderr, "usage: winrun <program> [<argument>...]\n");
    return 255;
  }
  SetEnvironmentVariableA("TZ", NULL);
  memset(&startup, 0, sizeof startup);
  startup.cb = sizeof startup;
  if (!CreateProcessA(NULL, command, NULL, NULL, TRUE, 0, NULL, NULL, &startup, &process)) {
    fprintf(stderr, "winrun: cannot start %s (error %lu)\n", command,
            (unsigned long)GetLastError());
    return 255;
  }
  CloseHandle(process.hThread);
  WaitForSingleObject(process.hProcess, INFINITE);
  GetExitCodeProcess(process.hProcess, &exit_code);
  CloseHandle(process.hProcess);
  return (int)exit_code;
}
