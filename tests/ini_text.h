// The whole winamp.ini edit on one block in memory, for the tests.
#pragma once
#include "../core/ini_rewrite.h"

inline bool RewriteIniText(const void* data, size_t size, IniSink sink, void* context)
{
    IniRewrite r;
    BeginIniRewrite(&r, sink, context);
    FeedIniRewrite(&r, data, size);
    return EndIniRewrite(&r);
}
