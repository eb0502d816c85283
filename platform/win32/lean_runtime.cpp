// The deliverables' own global allocation and the standard library's throw helpers. The product
// throws and catches nothing, yet one length check in std::string would link exception objects, the
// unwinder and more of the library (some 50 KB of each binary). What would have been thrown ends the
// process here, as the uncaught exception would have, without the C runtime's message box, which in
// the system account would sit unseen on a service desktop.
#include <windows.h>

#include <bits/functexcept.h>

#include <cstdlib>
#include <new>

namespace {

[[noreturn]] void Fail(const char* what) {
    ::OutputDebugStringA(what);
    ::TerminateProcess(::GetCurrentProcess(), 3);  // the exit code abort() gives
    __builtin_unreachable();
}

void* Allocate(std::size_t size) {
    if (void* p = std::malloc(size ? size : 1)) return p;
    Fail("zelta: out of memory\n");
}

}  // namespace

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return std::malloc(size ? size : 1); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return std::malloc(size ? size : 1); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }

namespace std {

void __throw_bad_alloc() { Fail("zelta: out of memory\n"); }
void __throw_bad_array_new_length() { Fail("zelta: bad array length\n"); }
void __throw_bad_function_call() { Fail("zelta: empty function called\n"); }
void __throw_length_error(const char* what) { Fail(what); }
void __throw_logic_error(const char* what) { Fail(what); }
void __throw_invalid_argument(const char* what) { Fail(what); }
void __throw_out_of_range(const char* what) { Fail(what); }
void __throw_out_of_range_fmt(const char* what, ...) { Fail(what); }
void __throw_runtime_error(const char* what) { Fail(what); }
void __throw_system_error(int) { Fail("zelta: system error\n"); }

}  // namespace std
