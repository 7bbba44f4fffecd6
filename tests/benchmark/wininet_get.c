/* The least a Windows program can do to fetch a manifest: one WinINet GET of a URL, the
 * body read to its end, with the session and request flags kavexwebupd.exe uses. The
 * benchmark compares the program's silent run with this one.
 *
 *   wininet_get <http URL>
 *
 * Prints the number of body bytes. Exit code 0 for a complete 200 answer, 1 for a usage
 * error, 2 when the request fails or the status is not 200.
 */

#include <windows.h>
#include <wininet.h>

#include <stdio.h>
#include <string.h>

static int fail(const char* what) {
  fprintf(stderr, "wininet_get: %s failed (%lu)\n", what, (unsigned long)GetLastError());
  return 2;
}

int main(int argc, char** argv) {
  char host[256], object[2048];
  URL_COMPONENTSA parts;
  HINTERNET session, connection, request;
  DWORD status = 0, size = sizeof status, read = 0;
  unsigned long long total = 0;
  char buffer[1024];
  int result = 0;

  if (argc != 2) {
    fprintf(stderr, "usage: wininet_get <http URL>\n");
    return 1;
  }
  memset(&parts, 0, sizeof parts);
  parts.dwStructSize = sizeof parts;
  parts.lpszHostName = host;
  parts.dwHostNameLength = sizeof host;
  parts.lpszUrlPath = object;
  parts.dwUrlPathLength = sizeof object;
  if (!InternetCrackUrlA(argv[1], 0, 0, &parts) || parts.nScheme != INTERNET_SCHEME_HTTP) {
    fprintf(stderr, "wininet_get: not an http URL: %s\n", argv[1]);
    return 1;
  }

  session = InternetOpenA("wininet_get", INTERNET_OPEN_TYPE_PRECONFIG, NULL, NULL, 0);
  if (!session)
    return fail("InternetOpenA");
  connection =
      InternetConnectA(session, host, parts.nPort, NULL, NULL, INTERNET_SERVICE_HTTP, 0, 1);
  if (!connection) {
    result = fail("InternetConnectA");
    InternetCloseHandle(session);
    return result;
  }
  request = HttpOpenRequestA(connection, "GET", object[0] ? object : "/", NULL, NULL, NULL,
                             INTERNET_FLAG_EXISTING_CONNECT | INTERNET_FLAG_NO_AUTO_REDIRECT, 1);
  if (!request)
    result = fail("HttpOpenRequestA");
  else if (!HttpSendRequestA(request, NULL, 0, NULL, 0))
    result = fail("HttpSendRequestA");
  else if (!HttpQueryInfoA(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size,
                           NULL))
    result = fail("HttpQueryInfoA");
  else if (status != 200) {
    fprintf(stderr, "wininet_get: status %lu\n", (unsigned long)status);
    result = 2;
  } else {
    for (;;) {
      if (!InternetReadFile(request, buffer, sizeof buffer - 1, &read)) {
        result = fail("InternetReadFile");
        break;
      }
      if (read == 0)
        break;
      total += read;
    }
  }
  if (result == 0)
    printf("%llu\n", total);
  if (request)
    InternetCloseHandle(request);
  InternetCloseHandle(connection);
  InternetCloseHandle(session);
  return result;
}
