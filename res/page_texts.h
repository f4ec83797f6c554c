// The message of each page: the words painted in its picture, and the same
// words as text for screen readers. Each PAGE_LINE is one line of the
// picture: tools/imagegen/make_pictures.py draws them so, and so does the
// wizard at other display scales. Joined, they are the string the wizard
// gives to the page's message control. So every line but the last ends in
// one space, and the lines hold no quotes or escapes.
#pragma once

// Where a file needs the lines apart, it defines PAGE_LINE itself before
// using a PAGE_TEXT_; everywhere else they are one string.
#ifndef PAGE_LINE
#define PAGE_LINE(line) line
#endif

#define PAGE_TEXT_WELCOME \
    PAGE_LINE("Thanks for downloading the ZUV plug-in! ") \
    PAGE_LINE("This program installs it and tells you ") \
    PAGE_LINE("how to run and configure it.")

#define PAGE_TEXT_AGREEMENT \
    PAGE_LINE("Please read the ") \
    PAGE_LINE("licence agreement.")

#define PAGE_TEXT_LOCATION \
    PAGE_LINE("The plug-in will now be installed ") \
    PAGE_LINE("in the location shown below.")

#define PAGE_TEXT_FINISHED \
    PAGE_LINE("The plug-in has been installed. ") \
    PAGE_LINE("Press Finish to bring up Winamp ") \
    PAGE_LINE("with the plug-in ready.")
