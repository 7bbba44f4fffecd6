#pragma once
#include <windows.h>

#include <functional>
#include <vector>

namespace platform {

// A point some seconds after its creation, on a clock that does not jump. GetTickCount
// wraps after 49 days; differences of its values do not.
class Deadline {
public:
  explicit Deadline(unsigned long seconds)
      : m_start(GetTickCount()), m_milliseconds(static_cast<DWORD>(seconds) * 1000) {}
  // Milliseconds left; 0 once it has passed.
  DWORD Remaining() const {
    const DWORD elapsed = GetTickCount() - m_start;
    return elapsed >= m_milliseconds ? 0 : m_milliseconds - elapsed;
  }

private:
  DWORD m_start;
  DWORD m_milliseconds;
};

// What a call run on a CallThread gives back; it may outlive the caller.
struct CallResult {
  BOOL ok = FALSE;
  DWORD error = 0;
  std::vector<char> data;
};

// Runs the blocking WinINet calls of one request on a thread of its own, so that the
// caller can stop waiting when the transfer's time is up. Wine's WinINet keeps each wait's
// timeout from the start of the connection, reads interim (1xx) answers for ever inside
// HttpSendRequest, and ends no blocked call when its handle is closed: only not waiting
// for the call bounds it. A call that outlasts its time is given up, left running with
// what it owns; its thread goes with the process.
class CallThread {
public:
  CallThread();
  ~CallThread();
  CallThread(const CallThread&) = delete;
  CallThread& operator=(const CallThread&) = delete;

  // Runs call and waits for it at most milliseconds: false when it did not end in time.
  // What call raises is raised again here.
  // call must own everything it uses, since it may outlive the caller. After a false, or
  // without a thread, calls run on the caller's thread.
  bool Run(std::function<void()> call, DWORD milliseconds);

private:
  struct Shared;
  Shared* m_shared = nullptr;  // shared with the thread, null once given up
};

// Whether an object may still receive WinINet notifications: an object registers itself
// for its lifetime, and a notification (which may come on the thread of a call given up,
// after the object is gone) is delivered only under the lock while it is registered.
class NotificationGate {
public:
  static void Register(const void* object);
  static void Unregister(const void* object);
  // Calls deliver() when object is registered, holding the lock meanwhile.
  static void Deliver(const void* object, const std::function<void()>& deliver);
};

}  // namespace platform
