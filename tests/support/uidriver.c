/* Reads and operates the top-level windows of another program (dialogs and message
 * boxes) for the end-to-end tests. It runs beside that program, in the same Wine prefix
 * and on the same display.
 *
 *   uidriver [--timeout <seconds>] --title <exact title> [<action>...]
 *
 * It waits for a visible top-level window of another process whose title is exactly the
 * given text, prints a description of it, then performs the actions in order:
 *
 *   dump                    describe the window again
 *   click:<id>              BM_CLICK on the control (decimal or 0x hexadecimal id)
 *   press:<id>              a left-button press and release in the upper quarter of the
 *                           control (the up arrow of an up-down control)
 *   select:<id>:<text>      choose the combo box item whose text is exactly <text>
 *                           (CB_SETCURSEL, then WM_COMMAND CBN_SELCHANGE to the window)
 *   set-text:<id>:<text>    WM_SETTEXT on the control
 *   ok                      click the IDOK button (WM_COMMAND IDOK when there is none)
 *   enter                   a VK_RETURN key press to the focused control
 *   escape                  a VK_ESCAPE key press to the focused control
 *   key:<keys>              keyboard input to the window, as a user types it (SendInput):
 *                           tab, shift+tab, up, down, left, right, space, return, escape,
 *                           or a letter, each after "shift+" or "alt+" when held with it
 *   close                   WM_SYSCOMMAND SC_CLOSE, as the close box does
 *   sleep:<ms>              wait
 *   wait-gone               wait until the window is destroyed
 *
 * Output: one JSON object per line.
 *   {"event": "window", ...}   a description (first when found, then for each dump): its
 *                              rect and client size, each control's rect in the client
 *                              area and the size its text needs (text_extent)
 *   {"event": "action", "action": "<action>"}   an action was carried out
 *   {"event": "error", "message": "...", "windows": [...]}   and the exit code says which
 * Texts are the windows' 8-bit (ANSI) texts; each byte of 0x80 or more is written as
 * \u00XX, so a reader gets the bytes back by encoding the decoded text as Latin-1.
 *
 * Exit codes: 0 done, 1 bad command line, 2 no such window within the timeout,
 * 3 an action's control or item was not found, 4 the window did not go away in time.
 */

#include <windows.h>

#include <ctype.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#define TEXT_CAPACITY 4096
#define SEND_TIMEOUT_MS 2000
#define POLL_MS 50

#ifndef MSGBOX_TEXT_ID
#define MSGBOX_TEXT_ID 0xFFFF /* the message text of a message box */
#endif

static DWORD g_timeout_ms = 15000;

/* ---- JSON output ---------------------------------------------------------------- */

static void put_string(const char* text) {
  const unsigned char* c;
  putchar('"');
  for (c = (const unsigned char*)text; *c; ++c) {
    if (*c == '"' || *c == '\\')
      printf("\\%c", *c);
    else if (*c < 0x20 || *c >= 0x7F)
      printf("\\u%04x", *c);
    else
      putchar(*c);
  }
  putchar('"');
}

static void put_bool(BOOL value) {
  fputs(value ? "true" : "false", stdout);
}

static void end_line(void) {
  putchar('\n');
  fflush(stdout);
}

/* ---- Reading windows of another process ---------------------------------------- */

/* Messages go through SendMessageTimeout so that a hung or busy program cannot hang the
 * driver; a result of 0 also stands for "no answer". */
static LRESULT send(HWND window, UINT message, WPARAM w, LPARAM l) {
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutA(window, message, w, l, SMTO_NORMAL, SEND_TIMEOUT_MS, &result))
    return 0;
  return (LRESULT)result;
}

/* The text of a window; WM_GETTEXT, since GetWindowText does not ask windows of other
 * processes for it. */
static void window_text(HWND window, char* text) {
  text[0] = '\0';
  send(window, WM_GETTEXT, TEXT_CAPACITY, (LPARAM)text);
  text[TEXT_CAPACITY - 1] = '\0';
}

static void class_name(HWND window, char* name) {
  name[0] = '\0';
  GetClassNameA(window, name, 256);
}

static HWND focus_of(HWND window) {
  GUITHREADINFO info;
  memset(&info, 0, sizeof info);
  info.cbSize = sizeof info;
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, NULL), &info))
    return NULL;
  return info.hwndFocus;
}

static unsigned long control_id(HWND control) {
  return (unsigned long)(ULONG_PTR)GetWindowLongPtrA(control, GWLP_ID);
}

static BOOL is_icon_static(HWND control, const char* cls) {
  LONG style = GetWindowLongA(control, GWL_STYLE);
  return lstrcmpiA(cls, "Static") == 0 && (style & SS_TYPEMASK) == SS_ICON;
}

static BOOL shows_icon(HWND control) {
  return IsWindowVisible(control) && send(control, STM_GETICON, 0, 0) != 0;
}

typedef struct {
  HWND items[256];
  int count;
  HWND parent;
} ChildList;

static BOOL CALLBACK collect_child(HWND child, LPARAM data) {
  ChildList* list = (ChildList*)data;
  /* Only the window's own controls, not the parts of a control (a combo box's edit). */
  if (GetParent(child) == list->parent && list->count < 256)
    list->items[list->count++] = child;
  return TRUE;
}

static void children_of(HWND window, ChildList* list) {
  list->count = 0;
  list->parent = window;
  EnumChildWindows(window, collect_child, (LPARAM)list);
}

/* A combo box item's text. Read as UTF-16 and converted here: Wine hands the ANSI form of
 * CB_GETLBTEXT across processes cut after its first character when the combo box is a
 * Unicode window (as it is with the common controls 6 of the program's manifest). */
static void combo_item(HWND combo, LRESULT index, char* item) {
  static WCHAR wide[TEXT_CAPACITY];
  DWORD_PTR length = 0;
  item[0] = '\0';
  if (!SendMessageTimeoutW(combo, CB_GETLBTEXTLEN, (WPARAM)index, 0, SMTO_NORMAL, SEND_TIMEOUT_MS,
                           &length) ||
      (LRESULT)length < 0 || length >= TEXT_CAPACITY)
    return;
  wide[0] = 0;
  SendMessageTimeoutW(combo, CB_GETLBTEXT, (WPARAM)index, (LPARAM)wide, SMTO_NORMAL,
                      SEND_TIMEOUT_MS, &length);
  wide[TEXT_CAPACITY - 1] = 0;
  WideCharToMultiByte(CP_ACP, 0, wide, -1, item, TEXT_CAPACITY, NULL, NULL);
  item[TEXT_CAPACITY - 1] = '\0';
}

static void put_combo(HWND combo) {
  static char item[TEXT_CAPACITY];
  LRESULT count = send(combo, CB_GETCOUNT, 0, 0);
  LRESULT selected = send(combo, CB_GETCURSEL, 0, 0);
  LRESULT i;
  fputs(", \"items\": [", stdout);
  for (i = 0; i < count; ++i) {
    combo_item(combo, i, item);
    if (i > 0)
      fputs(", ", stdout);
    put_string(item);
  }
  printf("], \"selected\": %ld", (long)(selected == CB_ERR ? -1 : selected));
}

/* The size the control's text needs in the control's own font: a wrapping text's (a
 * left-aligned static, a multi-line button) height at the control's width, any other
 * text's width on one line. */
static void put_text_extent(HWND control, const char* cls, const char* text, LONG style,
                            const RECT* rect) {
  HFONT font = (HFONT)send(control, WM_GETFONT, 0, 0);
  LOGFONTA description;
  HFONT own = NULL;
  HDC dc = GetDC(NULL);
  HGDIOBJ before;
  RECT need;
  UINT format = DT_CALCRECT | DT_NOPREFIX;
  /* The font of another process is its own object; where it cannot be read here, the
   * dialogs' font is made again as the dialog manager makes it: 8 points of MS Sans Serif
   * at the screen's DPI. */
  if (!font || GetObjectA(font, sizeof description, &description) != sizeof description) {
    ZeroMemory(&description, sizeof description);
    description.lfHeight = -MulDiv(8, GetDeviceCaps(dc, LOGPIXELSY), 72);
    description.lfWeight = FW_NORMAL;
    description.lfCharSet = DEFAULT_CHARSET;
    lstrcpyA(description.lfFaceName, "MS Sans Serif");
  }
  own = CreateFontIndirectA(&description);
  before = SelectObject(dc, own ? (HGDIOBJ)own : GetStockObject(DEFAULT_GUI_FONT));
  SetRect(&need, 0, 0, rect->right - rect->left, 0);
  if ((lstrcmpiA(cls, "Static") == 0 && (style & SS_TYPEMASK) == SS_LEFT) ||
      (lstrcmpiA(cls, "Button") == 0 && (style & BS_MULTILINE)))
    format |= DT_WORDBREAK;
  else
    format |= DT_SINGLELINE;
  DrawTextA(dc, text, -1, &need, format);
  SelectObject(dc, before);
  if (own)
    DeleteObject(own);
  ReleaseDC(NULL, dc);
  printf(", \"text_extent\": [%ld, %ld], \"font\": ", (long)(need.right - need.left),
         (long)(need.bottom - need.top));
  put_string(description.lfFaceName);
  printf(", \"font_height\": %ld", (long)description.lfHeight);
}

static void put_control(HWND control, HWND focus) {
  static char text[TEXT_CAPACITY];
  char cls[256];
  RECT rect;
  RECT screen;
  LONG style = GetWindowLongA(control, GWL_STYLE);
  class_name(control, cls);
  window_text(control, text);
  /* Position in the client area of the window, in pixels; in a mirrored (right-to-left)
   * window that area's x runs from its right edge. On the screen x always runs from the
   * left, which shows the mirroring. */
  GetWindowRect(control, &screen);
  rect = screen;
  MapWindowPoints(HWND_DESKTOP, GetParent(control), (POINT*)&rect, 2);

  printf("{\"id\": %lu, \"class\": ", control_id(control));
  put_string(cls);
  fputs(", \"text\": ", stdout);
  put_string(text);
  printf(", \"style\": %lu, \"exstyle\": %lu", (unsigned long)style,
         (unsigned long)GetWindowLongA(control, GWL_EXSTYLE));
  fputs(", \"visible\": ", stdout);
  put_bool(IsWindowVisible(control));
  fputs(", \"enabled\": ", stdout);
  put_bool(IsWindowEnabled(control));
  fputs(", \"focused\": ", stdout);
  put_bool(control == focus);
  printf(", \"rect\": [%ld, %ld, %ld, %ld]", (long)rect.left, (long)rect.top,
         (long)(rect.right - rect.left), (long)(rect.bottom - rect.top));
  printf(", \"screen\": [%ld, %ld, %ld, %ld]", (long)screen.left, (long)screen.top,
         (long)(screen.right - screen.left), (long)(screen.bottom - screen.top));
  if (text[0] != '\0')
    put_text_extent(control, cls, text, style, &rect);
  if (lstrcmpiA(cls, "Button") == 0)
    printf(", \"checked\": %ld", (long)send(control, BM_GETCHECK, 0, 0));
  if (lstrcmpiA(cls, "Static") == 0) {
    fputs(", \"icon\": ", stdout);
    put_bool(is_icon_static(control, cls) && shows_icon(control));
  }
  if (lstrcmpiA(cls, "ComboBox") == 0)
    put_combo(control);
  putchar('}');
}

/* What a message box shows: its text, whether an icon is drawn, and its buttons.
 * Computed for every window; for a dialog of the program it describes the same kinds of
 * controls. */
static void put_message_box(const ChildList* children) {
  static char text[TEXT_CAPACITY];
  char cls[256];
  BOOL icon = FALSE;
  BOOL first = TRUE;
  int i;
  text[0] = '\0';
  for (i = 0; i < children->count; ++i) {
    HWND child = children->items[i];
    class_name(child, cls);
    if (is_icon_static(child, cls)) {
      icon = icon || shows_icon(child);
    } else if (lstrcmpiA(cls, "Static") == 0 && control_id(child) == MSGBOX_TEXT_ID &&
               text[0] == '\0') {
      window_text(child, text);
    }
  }
  fputs("{\"text\": ", stdout);
  put_string(text);
  fputs(", \"icon\": ", stdout);
  put_bool(icon);
  fputs(", \"buttons\": [", stdout);
  for (i = 0; i < children->count; ++i) {
    static char label[TEXT_CAPACITY];
    HWND child = children->items[i];
    class_name(child, cls);
    if (lstrcmpiA(cls, "Button") != 0 || !IsWindowVisible(child))
      continue;
    window_text(child, label);
    printf("%s{\"id\": %lu, \"text\": ", first ? "" : ", ", control_id(child));
    put_string(label);
    putchar('}');
    first = FALSE;
  }
  fputs("]}", stdout);
}

static void dump(HWND window) {
  static char text[TEXT_CAPACITY];
  char cls[256];
  ChildList children;
  RECT rect;
  HWND owner = GetWindow(window, GW_OWNER);
  HWND focus = focus_of(window);
  int i;
  children_of(window, &children);
  GetWindowTextA(window, text, TEXT_CAPACITY);
  class_name(window, cls);
  GetWindowRect(window, &rect);

  fputs("{\"event\": \"window\", \"title\": ", stdout);
  put_string(text);
  fputs(", \"class\": ", stdout);
  put_string(cls);
  printf(", \"style\": %lu, \"exstyle\": %lu", (unsigned long)GetWindowLongA(window, GWL_STYLE),
         (unsigned long)GetWindowLongA(window, GWL_EXSTYLE));
  fputs(", \"owned\": ", stdout);
  put_bool(owner != NULL);
  printf(", \"rect\": [%ld, %ld, %ld, %ld]", (long)rect.left, (long)rect.top,
         (long)(rect.right - rect.left), (long)(rect.bottom - rect.top));
  GetClientRect(window, &rect);
  printf(", \"client\": [%ld, %ld]", (long)rect.right, (long)rect.bottom);
  fputs(", \"controls\": [", stdout);
  for (i = 0; i < children.count; ++i) {
    if (i > 0)
      fputs(", ", stdout);
    put_control(children.items[i], focus);
  }
  fputs("], \"message_box\": ", stdout);
  put_message_box(&children);
  putchar('}');
  end_line();
}

/* ---- Finding the window ----------------------------------------------------------- */

typedef struct {
  const char* title;
  HWND found;
  DWORD self;
  BOOL list; /* print every visible title instead (for the error report) */
  BOOL first;
} FindRequest;

static BOOL CALLBACK find_window(HWND window, LPARAM data) {
  FindRequest* request = (FindRequest*)data;
  char text[TEXT_CAPACITY];
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process == request->self || !IsWindowVisible(window))
    return TRUE;
  text[0] = '\0';
  GetWindowTextA(window, text, TEXT_CAPACITY);
  if (request->list) {
    if (!request->first)
      fputs(", ", stdout);
    put_string(text);
    request->first = FALSE;
    return TRUE;
  }
  if (strcmp(text, request->title) == 0) {
    request->found = window;
    return FALSE;
  }
  return TRUE;
}

static HWND wait_for_window(const char* title) {
  FindRequest request;
  DWORD start = GetTickCount();
  memset(&request, 0, sizeof request);
  request.title = title;
  request.self = GetCurrentProcessId();
  for (;;) {
    request.found = NULL;
    EnumWindows(find_window, (LPARAM)&request);
    if (request.found)
      return request.found;
    if (GetTickCount() - start >= g_timeout_ms)
      return NULL;
    Sleep(POLL_MS);
  }
}

static void report_error(const char* message) {
  FindRequest request;
  memset(&request, 0, sizeof request);
  request.self = GetCurrentProcessId();
  request.list = TRUE;
  request.first = TRUE;
  fputs("{\"event\": \"error\", \"message\": ", stdout);
  put_string(message);
  fputs(", \"windows\": [", stdout);
  EnumWindows(find_window, (LPARAM)&request);
  fputs("]}", stdout);
  end_line();
}

/* ---- Actions ------------------------------------------------------------------------ */

static BOOL parse_id(const char* text, unsigned long* id, const char** rest) {
  char* end = NULL;
  *id = strtoul(text, &end, 0);
  if (end == text)
    return FALSE;
  *rest = end;
  return TRUE;
}

static HWND find_control(HWND window, unsigned long id) {
  ChildList children;
  int i;
  children_of(window, &children);
  for (i = 0; i < children.count; ++i) {
    if (control_id(children.items[i]) == id)
      return children.items[i];
  }
  return NULL;
}

static void click(HWND window, HWND button) {
  /* A button in an inactive dialog may ignore BM_CLICK; bring the dialog forward first. */
  SetForegroundWindow(window);
  send(button, BM_CLICK, 0, 0);
}

static void press_mouse(HWND window, HWND control) {
  RECT area;
  LPARAM point;
  SetForegroundWindow(window);
  GetClientRect(control, &area);
  point = MAKELPARAM((area.right - area.left) / 2, (area.bottom - area.top) / 4);
  send(control, WM_LBUTTONDOWN, MK_LBUTTON, point);
  send(control, WM_LBUTTONUP, 0, point);
}

static void press_key(HWND window, UINT key) {
  HWND target = focus_of(window);
  UINT scan = MapVirtualKeyA(key, 0);
  if (!target)
    target = window;
  PostMessageA(target, WM_KEYDOWN, key, 1 | (scan << 16));
  PostMessageA(target, WM_KEYUP, key, 1 | (scan << 16) | (3u << 30));
}

/* A key name of the key: action: its virtual key, or 0. */
static WORD virtual_key(const char* name) {
  static const struct {
    const char* name;
    WORD key;
  } keys[] = {{"tab", VK_TAB},       {"up", VK_UP},         {"down", VK_DOWN},
              {"left", VK_LEFT},     {"right", VK_RIGHT},   {"space", VK_SPACE},
              {"return", VK_RETURN}, {"escape", VK_ESCAPE}, {"shift", VK_SHIFT},
              {"alt", VK_MENU}};
  size_t i;
  for (i = 0; i < sizeof keys / sizeof keys[0]; ++i) {
    if (lstrcmpiA(name, keys[i].name) == 0)
      return keys[i].key;
  }
  if (strlen(name) == 1 && isalnum((unsigned char)name[0]))
    return (WORD)toupper((unsigned char)name[0]);
  return 0;
}

static void add_key(INPUT* inputs, int* count, WORD key, BOOL up) {
  INPUT* input = &inputs[(*count)++];
  memset(input, 0, sizeof *input);
  input->type = INPUT_KEYBOARD;
  input->ki.wVk = key;
  input->ki.wScan = (WORD)MapVirtualKeyA(key, 0);
  input->ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  if (key == VK_UP || key == VK_DOWN || key == VK_LEFT || key == VK_RIGHT)
    input->ki.dwFlags |= KEYEVENTF_EXTENDEDKEY;
}

/* Presses the keys of "shift+tab" and the like, in the window made the foreground one, and
 * gives the program a moment to take them. */
static BOOL type_keys(HWND window, const char* keys) {
  char name[32];
  WORD held[4];
  INPUT inputs[12];
  int count = 0, holding = 0, i;
  for (;;) {
    const char* plus = strchr(keys, '+');
    size_t length = plus ? (size_t)(plus - keys) : strlen(keys);
    WORD key;
    if (length == 0 || length >= sizeof name)
      return FALSE;
    memcpy(name, keys, length);
    name[length] = '\0';
    if (!(key = virtual_key(name)))
      return FALSE;
    if (!plus) {
      add_key(inputs, &count, key, FALSE);
      add_key(inputs, &count, key, TRUE);
      break;
    }
    if (holding == 4)
      return FALSE;
    held[holding++] = key;
    add_key(inputs, &count, key, FALSE);
    keys = plus + 1;
  }
  for (i = holding; i-- > 0;)
    add_key(inputs, &count, held[i], TRUE);
  SetForegroundWindow(window);
  SendInput((UINT)count, inputs, sizeof(INPUT));
  Sleep(300);
  return TRUE;
}

static BOOL select_item(HWND window, HWND combo, unsigned long id, const char* wanted) {
  static char item[TEXT_CAPACITY];
  LRESULT count = send(combo, CB_GETCOUNT, 0, 0);
  LRESULT i;
  for (i = 0; i < count; ++i) {
    combo_item(combo, i, item);
    if (strcmp(item, wanted) == 0) {
      send(combo, CB_SETCURSEL, (WPARAM)i, 0);
      send(window, WM_COMMAND, MAKEWPARAM((WORD)id, CBN_SELCHANGE), (LPARAM)combo);
      return TRUE;
    }
  }
  return FALSE;
}

static BOOL wait_gone(HWND window) {
  DWORD start = GetTickCount();
  while (IsWindow(window) && IsWindowVisible(window)) {
    if (GetTickCount() - start >= g_timeout_ms)
      return FALSE;
    Sleep(POLL_MS);
  }
  return TRUE;
}

/* Carries out one action; returns 0 or the exit code of its failure. */
static int perform(HWND window, const char* action) {
  unsigned long id = 0;
  const char* rest = NULL;
  HWND control;
  if (strcmp(action, "dump") == 0) {
    dump(window);
    return 0;
  }
  if (strncmp(action, "click:", 6) == 0) {
    if (!parse_id(action + 6, &id, &rest) || *rest != '\0' ||
        !(control = find_control(window, id))) {
      report_error("no control for click");
      return 3;
    }
    click(window, control);
  } else if (strncmp(action, "press:", 6) == 0) {
    if (!parse_id(action + 6, &id, &rest) || *rest != '\0' ||
        !(control = find_control(window, id))) {
      report_error("no control for press");
      return 3;
    }
    press_mouse(window, control);
  } else if (strncmp(action, "select:", 7) == 0 || strncmp(action, "set-text:", 9) == 0) {
    BOOL selecting = action[1] == 'e' && action[2] == 'l';
    const char* arguments = action + (selecting ? 7 : 9);
    if (!parse_id(arguments, &id, &rest) || *rest != ':' || !(control = find_control(window, id))) {
      report_error("no control for select or set-text");
      return 3;
    }
    if (selecting) {
      if (!select_item(window, control, id, rest + 1)) {
        report_error("no combo box item with that text");
        return 3;
      }
    } else {
      send(control, WM_SETTEXT, 0, (LPARAM)(rest + 1));
    }
  } else if (strcmp(action, "ok") == 0) {
    control = find_control(window, IDOK);
    if (control)
      click(window, control);
    else
      PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  } else if (strcmp(action, "enter") == 0) {
    press_key(window, VK_RETURN);
  } else if (strcmp(action, "escape") == 0) {
    press_key(window, VK_ESCAPE);
  } else if (strncmp(action, "key:", 4) == 0) {
    if (!type_keys(window, action + 4)) {
      report_error("unknown key");
      return 1;
    }
  } else if (strcmp(action, "close") == 0) {
    PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
  } else if (strncmp(action, "sleep:", 6) == 0) {
    Sleep((DWORD)strtoul(action + 6, NULL, 10));
  } else if (strcmp(action, "wait-gone") == 0) {
    if (!wait_gone(window)) {
      report_error("window still shown");
      return 4;
    }
  } else {
    report_error("unknown action");
    return 1;
  }
  fputs("{\"event\": \"action\", \"action\": ", stdout);
  put_string(action);
  putchar('}');
  end_line();
  return 0;
}

typedef BOOL(WINAPI* SetDpiAware)(void);

int main(int argc, char** argv) {
  const char* title = NULL;
  int first_action = argc;
  int i;
  HWND window;
  /* Sizes in real pixels, as a DPI-aware program has them, not scaled down for an unaware
   * reader (the call is there from Windows Vista on). */
  SetDpiAware set_dpi_aware = (SetDpiAware)(void (*)(void))GetProcAddress(
      GetModuleHandleA("user32.dll"), "SetProcessDPIAware");
  if (set_dpi_aware)
    set_dpi_aware();
  for (i = 1; i < argc; ++i) {
    if (strcmp(argv[i], "--title") == 0 && i + 1 < argc) {
      title = argv[++i];
    } else if (strcmp(argv[i], "--timeout") == 0 && i + 1 < argc) {
      g_timeout_ms = (DWORD)(atof(argv[++i]) * 1000.0);
    } else {
      first_action = i;
      break;
    }
  }
  if (!title) {
    fprintf(stderr, "usage: uidriver [--timeout <seconds>] --title <title> [<action>...]\n");
    return 1;
  }

  window = wait_for_window(title);
  if (!window) {
    report_error("no window with that title");
    return 2;
  }
  dump(window);
  for (i = first_action; i < argc; ++i) {
    int failure = perform(window, argv[i]);
    if (failure)
      return failure;
  }
  return 0;
}
