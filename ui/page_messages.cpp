// The pages' messages, one string each.
#include "page_messages.h"
#include "installer_state.h"
#include "../res/page_texts.h"

// The same words as the pictures hold: the generator draws them from page_texts.h too.
const char* const g_pageMessages[] = {
    PAGE_TEXT_WELCOME, PAGE_TEXT_AGREEMENT, PAGE_TEXT_LOCATION, PAGE_TEXT_FINISHED
};
static_assert(sizeof g_pageMessages / sizeof g_pageMessages[0] == PAGE_FINISHED + 1, "one message a page");
