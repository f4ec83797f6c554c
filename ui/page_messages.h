// Each page's message, the words its picture shows. The page controller puts
// it in the message control, where screen readers find it; the page art
// draws it at scales other than 100 %.
#pragma once

extern const char* const g_pageMessages[];
