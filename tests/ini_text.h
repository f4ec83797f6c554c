// The whole winamp.ini edit on one block in memory, for the tests.
#pragma once
#include "../core/ini_rewrite.h"

inline bool RewriteIniText(const void* data, size_t size, IniSink sink, void* context, bool select = true)
{
    IniRewrite r;
    BeginIniRewrite(&r, sink, context, select);
    FeedIniRewrite(&r, data, size);
    return EndIniRewrite(&r);
}
