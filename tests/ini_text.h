// The whole winamp.ini edit on one block in memory, for the tests.
#pragma once
#include <string>

#include "../core/ini_rewrite.h"

inline bool RewriteIniText(const void* data, size_t size, IniSink sink, void* context, bool select = true,
                           const LeadBytes* lead = nullptr)
{
    IniRewrite r;
    BeginIniRewrite(&r, sink, context, select, lead);
    FeedIniRewrite(&r, data, size);
    return EndIniRewrite(&r);
}

// `text` with its line ends as LF and none at the very end: the rewrite
// reports a change exactly when these differ.
inline std::string IniLines(const std::string& text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) out += text[i];
    if (!out.empty() && out.back() == '\n') out.pop_back();
    return out;
}
