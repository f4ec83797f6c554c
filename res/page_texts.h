// The message of each page: the words painted in its picture, and the same
// words as text for screen readers. tools/imagegen/make_pictures.py draws
// each quoted piece as one line of the picture; the wizard gives the joined
// string to the page's message control. So every piece but the last ends in
// one space, and the pieces hold no quotes or escapes.
#pragma once

#define PAGE_TEXT_WELCOME \
    "Thanks for downloading the ZUV plug-in! " \
    "This program installs it and tells you " \
    "how to run and configure it."

#define PAGE_TEXT_AGREEMENT \
    "Please read the " \
    "licence agreement."

#define PAGE_TEXT_LOCATION \
    "The plug-in will now be installed " \
    "in the location shown below."

#define PAGE_TEXT_FINISHED \
    "The plug-in has been installed. " \
    "Press Finish to bring up Winamp " \
    "with the plug-in ready."
