// The winamp.ini stream edit, on bytes. Portable: no Windows headers.
//
// Lines end at LF; a CR right before the LF belongs to the line end, any other
// CR is an ordinary byte. Every line is read whole, whatever its length, and
// NUL and 0x1A bytes are ordinary bytes too. Each line goes through the five
// rules in order (INI_KEY_* in player.h); a rule whose key occurs anywhere in
// the line, case-sensitively, cuts the line after its first '=' and appends
// its value and a line end. Every line end is written as CR LF. A last line
// without a line end keeps none unless a rule rewrote it. No line is added,
// so an empty input gives an empty output. Time is linear in the input.
//
// Use: BeginIniRewrite, FeedIniRewrite with the input in pieces of any size,
// then EndIniRewrite, which writes the last line and must always be called.
#pragma once
#include <stddef.h>

// Takes the next bytes of the output, in order; false (a failed write) stops
// the rewrite, and the sink is not called again.
typedef bool (*IniSink)(void* context, const char* data, size_t size);

enum { INI_OUTPUT_BUFFER = 32768 };

struct IniRewrite {
    IniSink sink;
    void* context;
    bool failed;                     // a sink or memory failure: output incomplete
    bool namedModule;                // a line now names the plug-in's module
    char* line;                      // the unfinished line carried between pieces
    size_t lineLength;
    size_t lineCapacity;
    size_t outLength;
    char out[INI_OUTPUT_BUFFER];     // output gathered for the sink
};

void BeginIniRewrite(IniRewrite* rewrite, IniSink sink, void* context);

// False once the rewrite has failed; the caller still calls EndIniRewrite.
bool FeedIniRewrite(IniRewrite* rewrite, const void* data, size_t size);

// Writes the last line, hands the sink what is left and frees the line
// buffer. True when every byte of the output reached the sink.
bool EndIniRewrite(IniRewrite* rewrite);
