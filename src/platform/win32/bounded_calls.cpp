#include "platform/win32/bounded_calls.h"

#include <algorithm>
#include <exception>
#include <vector>

namespace platform {

struct CallThread::Shared {
  HANDLE start = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  HANDLE done = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  HANDLE thread = nullptr;
  std::function<void()> call;
  std::exception_ptr failure;  // what the last call raised, for the caller
  bool quit = false;
  volatile LONG users = 2;  // the owner and the thread

  ~Shared() {
    for (HANDLE handle : {start, done, thread}) {
      if (handle != nullptr)
        CloseHandle(handle);
    }
  }
  void Release() {
    if (InterlockedDecrement(&users) == 0)
      delete this;
  }
  static DWORD WINAPI Loop(void* self) {
    auto* shared = static_cast<Shared*>(self);
    while (WaitForSingleObject(shared->start, INFINITE) == WAIT_OBJECT_0 && !shared->quit) {
      try {
        shared->call();
      } catch (...) {
        shared->failure = std::current_exception();
      }
      shared->call = nullptr;
      SetEvent(shared->done);
    }
    shared->Release();
    return 0;
  }
};

CallThread::CallThread() : m_shared(new Shared) {
  if (m_shared->start != nullptr && m_shared->done != nullptr)
    m_shared->thread = CreateThread(nullptr, 0, &Shared::Loop, m_shared, 0, nullptr);
  if (m_shared->thread == nullptr) {
    delete m_shared;
    m_shared = nullptr;
  }
}

CallThread::~CallThread() {
  if (m_shared == nullptr)
    return;
  m_shared->quit = true;
  SetEvent(m_shared->start);
  m_shared->Release();
}

bool CallThread::Run(std::function<void()> call, DWORD milliseconds) {
  if (m_shared == nullptr) {
    call();
    return true;
  }
  m_shared->call = std::move(call);
  SetEvent(m_shared->start);
  if (WaitForSingleObject(m_shared->done, milliseconds) == WAIT_OBJECT_0) {
    if (std::exception_ptr failure = m_shared->failure) {
      m_shared->failure = nullptr;
      std::rethrow_exception(failure);
    }
    return true;
  }
  m_shared->Release();  // the thread keeps it while the call runs on
  m_shared = nullptr;
  return false;
}

namespace {

struct Gate {
  Gate() { InitializeCriticalSection(&lock); }
  CRITICAL_SECTION lock;
  std::vector<const void*> live;
};

// Made on first use, before any call can be given up, and never destroyed: a thread
// given up may still deliver through it as the process ends.
Gate& TheGate() {
  static Gate* gate = new Gate;
  return *gate;
}

}  // namespace

void NotificationGate::Register(const void* object) {
  Gate& gate = TheGate();
  EnterCriticalSection(&gate.lock);
  gate.live.push_back(object);
  LeaveCriticalSection(&gate.lock);
}

void NotificationGate::Unregister(const void* object) {
  Gate& gate = TheGate();
  EnterCriticalSection(&gate.lock);
  gate.live.erase(std::remove(gate.live.begin(), gate.live.end(), object), gate.live.end());
  LeaveCriticalSection(&gate.lock);
}

void NotificationGate::Deliver(const void* object, const std::function<void()>& deliver) {
  Gate& gate = TheGate();
  EnterCriticalSection(&gate.lock);
  if (std::find(gate.live.begin(), gate.live.end(), object) != gate.live.end())
    deliver();
  LeaveCriticalSection(&gate.lock);
}

}  // namespace platform
