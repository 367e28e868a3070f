// bench-process-memory: private bytes of the running Tarnwick, found by its
// main window. Wine reports the current figure in both the private and the
// peak fields, so the program also samples the private bytes for a while
// and prints the largest value it saw.
//
//   bench-process-memory [watch-ms]
// prints "private N", "peak N" and "sampled-peak N" (bytes), one a line.
#include <windows.h>

#include <psapi.h>

#include <cstdio>
#include <cstdlib>

namespace {

constexpr wchar_t kMainClass[] = L"Tarnwick.Form1";
constexpr wchar_t kTitle[] = L"Tarnwick";
constexpr DWORD kSampleIntervalMs = 2;

class ProcessHandle {
 public:
  explicit ProcessHandle(DWORD pid)
      : handle_(::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid)) {}
  ~ProcessHandle() {
    if (handle_ != nullptr) ::CloseHandle(handle_);
  }
  ProcessHandle(const ProcessHandle&) = delete;
  ProcessHandle& operator=(const ProcessHandle&) = delete;
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

bool Counters(HANDLE process, PROCESS_MEMORY_COUNTERS_EX& counters) {
  counters = {};
  counters.cb = sizeof counters;
  return ::GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                                sizeof counters) != FALSE;
}

}  // namespace

int main(int argc, char** argv) {
  const DWORD watchMs = argc > 1 ? static_cast<DWORD>(std::strtoul(argv[1], nullptr, 10)) : 0;
  HWND main = ::FindWindowW(kMainClass, kTitle);
  if (main == nullptr) {
    std::fprintf(stderr, "Tarnwick's window not found\n");
    return 1;
  }
  DWORD pid = 0;
  ::GetWindowThreadProcessId(main, &pid);
  ProcessHandle process(pid);
  PROCESS_MEMORY_COUNTERS_EX counters{};
  if (process.get() == nullptr || !Counters(process.get(), counters)) {
    std::fprintf(stderr, "memory figures of process %lu not readable (%lu)\n",
                 static_cast<unsigned long>(pid), static_cast<unsigned long>(::GetLastError()));
    return 1;
  }
  SIZE_T sampledPeak = counters.PrivateUsage;
  const DWORD start = ::GetTickCount();
  while (::GetTickCount() - start < watchMs) {
    ::Sleep(kSampleIntervalMs);
    if (!Counters(process.get(), counters)) break;
    if (counters.PrivateUsage > sampledPeak) sampledPeak = counters.PrivateUsage;
  }
  Counters(process.get(), counters);
  std::printf("private %llu\npeak %llu\nsampled-peak %llu\n",
              static_cast<unsigned long long>(counters.PrivateUsage),
              static_cast<unsigned long long>(counters.PeakPagefileUsage),
              static_cast<unsigned long long>(sampledPeak));
  return 0;
}
