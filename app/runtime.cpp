// What of the C and C++ runtime the installer replaces with less: each
// piece below takes the place of a library's, which would bring code the
// installer never runs (printing, threads, sorted tables). Were a library
// object ever pulled in for another symbol, its definitions would take over
// again: larger, still correct.
#include <windows.h>

#include <exception>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <unwind.h>

// libstdc++'s default terminate handler prints demangled type names and drags
// the whole demangler into the executable; a GUI program has nowhere to print.
namespace __gnu_cxx {
void __verbose_terminate_handler() { abort(); }
}

// The mingw start-up code mends "pseudo relocations", references to data
// in DLLs that the linker could only auto-import; its relocator brings a
// section walker and error printing (2 KB). The installer is linked with
// --disable-runtime-pseudo-reloc, so the linker makes none (such an import
// then fails the link instead), and there is nothing to mend.
extern "C" void _pei386_runtime_relocator() {}

// The exception in flight, and how many are, for the one thread that throws:
// the registry error, raised and caught on the window's thread. libstdc++'s
// own copies are per thread, and mingw keeps those through emulated TLS,
// whose runtime would add 2 KB to the file. Same layout as libstdc++'s
// __cxa_eh_globals on x86.
struct ExceptionGlobals {
    void* caughtExceptions;
    unsigned int uncaughtExceptions;
};
static ExceptionGlobals g_exceptionGlobals;
extern "C" void* __cxa_get_globals() { return &g_exceptionGlobals; }
extern "C" void* __cxa_get_globals_fast() { return &g_exceptionGlobals; }

// The thrown object's storage. libstdc++'s own allocator keeps an emergency
// pool for an exception thrown when memory is out, made at start-up (a 19 KB
// allocation) and guarded by a gthreads mutex; the pool, the mutex and
// libgcc's win32 thread glue would add 5 KB to the file. The registry error
// is not thrown for want of memory, so the heap serves. libstdc++ puts its
// header, __cxa_refcounted_exception, right before the thrown object and
// finds it there by its size; this is its layout on i686 with DWARF unwinding
// (96 bytes: the unwinder's part, last, is aligned to 16).
struct RefcountedException {
    int referenceCount;
    struct {
        void* type;
        void (*destructor)(void*);
        void (*unexpectedHandler)();
        void (*terminateHandler)();
        void* next;
        int handlerCount;
        int handlerSwitchValue;
        const unsigned char* actionRecord;
        const unsigned char* languageSpecificData;
        void* catchTemp;
        void* adjustedPtr;
        _Unwind_Exception unwindHeader;
    } exception;
};
static_assert(sizeof(RefcountedException) == 96, "libstdc++'s exception header on i686");
// Checked against libstdc++'s own reckoning by tests/runtime/runtime_check.cpp.
extern const size_t ExceptionHeaderSize = sizeof(RefcountedException);

extern "C" void* __cxa_allocate_exception(size_t thrownSize) noexcept
{
    // Zeroed, as libstdc++ zeroes its header.
    char* block = (char*)calloc(1, sizeof(RefcountedException) + thrownSize);
    if (!block) std::terminate();
    return block + sizeof(RefcountedException);
}

extern "C" void __cxa_free_exception(void* thrown) noexcept
{
    free((char*)thrown - sizeof(RefcountedException));
}

// mingw's TLS callback, run by Windows as each thread starts and ends: it
// runs the destructors of thread keys (gthreads' TLS keys) and resets a new
// thread's FPU. The installer makes no thread and no thread key: libstdc++'s
// exception globals and the thrown object's storage, which would use them,
// are replaced above. Were a key ever made, mingw's key code would come back
// with its own callback, which then takes this one's place (this file is
// optimised at link time, and there a library's definition prevails).
extern "C" BOOL __mingw_TLScallback(HANDLE, DWORD, LPVOID) { return TRUE; }

// The unwinder's search for the frame description entry (FDE) that covers a
// code address. libgcc's keeps the tables that crtbegin.o registers, sorted
// on first use, behind a lock (10 KB of code); the installer throws a few
// times in a run, so a walk through its own tables serves (it keeps no state).
// cmake/installer.ld marks where they start and end. Only what GCC writes for
// i386 is read (CIE version 1 or 3; an FDE's address absolute or relative to
// itself, in 4 bytes); anything else ends the program, never a wrong answer.
extern "C" const unsigned char __eh_frame_start__[], __eh_frame_end__[];

// libgcc's struct dwarf_eh_bases: the bases of text- and data-relative
// values (none here, as for tables registered without them) and the start
// of the function found.
struct FrameBases {
    void* text;
    void* data;
    void* function;
};

static const unsigned char* SkipLeb128(const unsigned char* p)
{
    while (*p++ & 0x80) {}
    return p;
}

// A 4-byte pointer in `encoding` (DW_EH_PE_*): absptr, udata4 or sdata4,
// absolute or pcrel.
static uintptr_t ReadPointer(const unsigned char* p, unsigned char encoding)
{
    uint32_t value;
    memcpy(&value, p, 4);
    unsigned char format = encoding & 0x0f, application = encoding & 0xf0;
    if ((format != 0x00 && format != 0x03 && format != 0x0b) || (application != 0x00 && application != 0x10)) abort();
    return application == 0x10 ? value + (uintptr_t)p : value;
}

// The encoding of the addresses in the FDEs of `cie`: its 'R' augmentation,
// else absolute.
static unsigned char AddressEncoding(const unsigned char* cie)
{
    unsigned char version = cie[8];
    const char* augmentation = (const char*)cie + 9;
    if (version != 1 && version != 3) abort();
    if (augmentation[0] != 'z') return 0x00;
    const unsigned char* p = (const unsigned char*)augmentation + strlen(augmentation) + 1;
    p = SkipLeb128(SkipLeb128(p));                  // code and data alignment
    p = version == 1 ? p + 1 : SkipLeb128(p);       // return address register
    p = SkipLeb128(p);                              // augmentation data length
    for (const char* a = augmentation + 1; *a; a++) {
        if (*a == 'R') return *p;
        if (*a == 'P') {                            // personality: encoding, 4-byte pointer
            ReadPointer(p + 1, *p & 0x0f);          // (its size checked)
            p += 1 + 4;
        }
        else if (*a == 'L') p += 1;                 // LSDA encoding
        else if (*a != 'S' && *a != 'B') abort();
    }
    return 0x00;
}

extern "C" const void* _Unwind_Find_FDE(void* pc, FrameBases* bases)
{
    for (const unsigned char* entry = __eh_frame_start__; entry < __eh_frame_end__;) {
        uint32_t length, cieOffset;
        memcpy(&length, entry, 4);
        if (length == 0) break;                     // crtend.o's end mark
        if (length == 0xffffffff) abort();          // 64-bit DWARF
        memcpy(&cieOffset, entry + 4, 4);
        if (cieOffset != 0) {
            unsigned char encoding = AddressEncoding(entry + 4 - cieOffset);
            uintptr_t begin = ReadPointer(entry + 8, encoding);
            uintptr_t range = ReadPointer(entry + 12, encoding & 0x0f);
            // A zero start is a function the linker dropped, as libgcc reads it.
            if (begin != 0 && (uintptr_t)pc - begin < range) {
                bases->text = NULL;
                bases->data = NULL;
                bases->function = (void*)begin;
                return entry;
            }
        }
        entry += 4 + length;
    }
    return NULL;
}

// The handler msvcrt's math functions call on a domain or range error. The
// start-up code installs mingw's, which prints the error to stderr (with
// fprintf and its stream table); a GUI program has no stderr, and the
// installer calls no math function. 0: msvcrt's own handling (errno).
extern "C" int _matherr(struct _exception*) { return 0; }

// The filter the start-up code gives Windows for an exception nothing
// handles. mingw's turns a crash into the signal() handler the program set
// for it (SIGSEGV, SIGILL, SIGFPE), or else passes it to the filter there was
// before. The installer sets no signal handler, so passing it on is all
// that is left.
extern "C" {
LPTOP_LEVEL_EXCEPTION_FILTER __mingw_oldexcpt_handler;
}
extern "C" LONG WINAPI _gnu_exception_handler(EXCEPTION_POINTERS* exception)
{
    return __mingw_oldexcpt_handler ? __mingw_oldexcpt_handler(exception) : EXCEPTION_CONTINUE_SEARCH;
}
