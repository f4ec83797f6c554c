// The pieces of libstdc++ that app/runtime.cpp replaces, checked against
// the libstdc++ they stand in for, in a program linked as the installer is
// (the same runtime.cpp, link script and options). A toolchain whose
// libstdc++ lays them out otherwise fails here, not in a user's run. Exit
// code 0 when all hold, else the first check that failed (10 on); an abort
// (3) or a crash means the unwinder found no frame. tests/win runs it.
#include <windows.h>
#include <cxxabi.h>
#include <stdint.h>
#include <string.h>
#include <exception>
#include <typeinfo>

extern const size_t ExceptionHeaderSize;   // what runtime.cpp puts before a thrown object
extern "C" const unsigned char __eh_frame_start__[], __eh_frame_end__[];

namespace {

struct Thrown {
    int value;
};

int g_inFlight = -1;   // std::uncaught_exceptions() while unwinding

struct Watch {
    ~Watch() { g_inFlight = std::uncaught_exceptions(); }
};

// Not inlined, so the throw leaves a frame of its own for the unwinder to find.
__attribute__((noinline)) void Throw(int value)
{
    Watch watch;
    throw Thrown{ value };
}

int Check()
{
    // The frame tables' start mark names the first table (a CIE: id 0), not
    // padding before it.
    uint32_t first[2];
    memcpy(first, __eh_frame_start__, sizeof first);
    if (((uintptr_t)__eh_frame_start__ & 3) || __eh_frame_end__ - __eh_frame_start__ < 8 || !first[0] || first[1])
        return 10;
    // Where libstdc++ takes the header of an object that runtime.cpp's
    // allocator gave: right at the start of its block.
    void* object = abi::__cxa_allocate_exception(sizeof(Thrown));
    void* header = abi::__cxa_init_primary_exception(object, const_cast<std::type_info*>(&typeid(Thrown)), NULL);
    if ((char*)object - (char*)header != (ptrdiff_t)ExceptionHeaderSize) return 11;
    abi::__cxa_free_exception(object);
    // A throw through a frame, caught: libstdc++ reads the exception in
    // flight and the count from runtime.cpp's globals.
    try {
        Throw(7);
        return 12;
    } catch (const Thrown& caught) {
        if (caught.value != 7) return 13;
        if (abi::__cxa_current_exception_type() != &typeid(Thrown)) return 14;
    }
    if (g_inFlight != 1 || std::uncaught_exceptions() != 0) return 15;
    return 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    return Check();
}
