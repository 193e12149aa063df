// A thread for tests that run work beside the main thread: a Win32 thread
// around a callable, joined when it goes out of scope. The win32-threads
// runtime the project builds with has no std::thread.
#pragma once

#include <windows.h>

#include <functional>
#include <utility>

namespace kypcx_test {

class TestThread {
public:
    explicit TestThread(std::function<void()> work) : work_(std::move(work)) {
        handle_ = CreateThread(nullptr, 0, &TestThread::Run, this, 0, nullptr);
    }
    ~TestThread() { join(); }
    TestThread(const TestThread&) = delete;
    TestThread& operator=(const TestThread&) = delete;

    bool started() const { return handle_ != nullptr; }
    void join() {
        if (handle_ == nullptr) return;
        WaitForSingleObject(handle_, INFINITE);
        CloseHandle(handle_);
        handle_ = nullptr;
    }

private:
    static DWORD WINAPI Run(LPVOID self) {
        static_cast<TestThread*>(self)->work_();
        return 0;
    }

    std::function<void()> work_;
    HANDLE handle_ = nullptr;
};

}  // namespace kypcx_test
