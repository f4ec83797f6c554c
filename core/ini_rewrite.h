// The winamp.ini stream edit, on bytes. Portable: no Windows headers.
//
// Lines end at LF; a CR right before the LF belongs to the line end, any other
// CR is an ordinary byte. Every line is read whole, whatever its length, and
// NUL and 0x1A bytes are ordinary bytes too. Each line goes through the five
// rules in order (INI_KEY_* in player.h); a rule whose key occurs anywhere in
// the line, case-sensitively, cuts the line after its first '=' and appends
// its value and a line end. Every line end is written as CR LF. A last line
// without a line end keeps none unless a rule rewrote it. Where the player
// will not load the module from where it was put, the first two rules (the
// module's name and number) are left out, so its own selection stays.
//
// The first [Winamp] section, read as the player reads it (ini_section.h)
// in the lines as they are written, gets two things more, so that a profile
// the player never wrote its DSP keys into still loads the module:
//  - without a dspplugin_name key, "dspplugin_name=dsp_zv.dll" is added at
//    its end (before the next header, or at the end of the input after a line
//    end), followed by "dspplugin_num=0" when that key is missing too; not
//    when the first two rules are left out;
//  - its first remove_genplug key, when its value names the module (the last
//    path component, any case), keeps only its text up to the '=': the player
//    would otherwise delete the new module at its next start. In a file
//    written in a double-byte ANSI code page, a second byte of 5C ('\\') is part
//    of its character, not a separator.
// `changed` tells that some line's text differs or a line was added; line
// ends alone do not count, so a file with nothing else to change need not
// be written. Time is linear in the input.
//
// Use: BeginIniRewrite, FeedIniRewrite with the input in pieces of any size,
// then EndIniRewrite, which writes the last line and must always be called.
#pragma once
#include <stddef.h>

#include "ini_section.h"
#include "paths.h"

// Takes the next bytes of the output, in order; false (a failed write) stops
// the rewrite, and the sink is not called again.
typedef bool (*IniSink)(void* context, const char* data, size_t size);

enum { INI_OUTPUT_BUFFER = 32768 };

struct IniRewrite {
    IniSink sink;
    void* context;
    bool failed;                     // a sink or memory failure: output incomplete
    bool changed;                    // a line's text differs, or a line was added
    int firstRule;                   // 0, or 2 to leave the module's name and number alone
    const LeadBytes* lead;           // the ANSI code page's, for a file in it; NULL for UTF-8
    IniPlace place;                  // where the lines stand against the first [Winamp]
    bool seen[PLAYER_KEYS + 1];      // its keys seen so far (and others)
    bool ended;                      // the output so far ends in a line end
    char* line;                      // the unfinished line carried between pieces
    size_t lineLength;
    size_t lineCapacity;
    size_t outLength;
    char out[INI_OUTPUT_BUFFER];     // output gathered for the sink
};

// `selectModule` false leaves out the first two rules and the added lines.
// `lead`: the lead bytes of the code page the file is written in, or NULL
// (UTF-8, or a single-byte code page); kept, not copied.
void BeginIniRewrite(IniRewrite* rewrite, IniSink sink, void* context, bool selectModule = true,
                     const LeadBytes* lead = 0);

// False once the rewrite has failed; the caller still calls EndIniRewrite.
bool FeedIniRewrite(IniRewrite* rewrite, const void* data, size_t size);

// Writes the last line, hands the sink what is left and frees the line
// buffer. True when every byte of the output reached the sink.
bool EndIniRewrite(IniRewrite* rewrite);
