// zuvauto: the automation client from the command line.
//   zuvauto wait CAPTION [MS]          wait for a visible window, print its handle
//   zuvauto text CAPTION ID            print a control's text
//   zuvauto click CAPTION ID           click a button (posted)
//   zuvauto shot CAPTION FILE.bmp [MS] save the window's client area
//   zuvauto msgbox [MS]                print the first message box's caption and text, then dismiss it
// Exit code 0 on success, 1 when the window is not there in time, 2 on bad use.
#include "automation.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

using namespace automation;

int main(int argc, char** argv)
{
    if (argc < 2) {
        fprintf(stderr, "usage: zuvauto wait|text|click|shot|msgbox ...\n");
        return 2;
    }
    const char* verb = argv[1];
    if (strcmp(verb, "msgbox") == 0) {
        MessageBoxInfo box;
        if (!WaitMessageBox(0, argc > 2 ? atoi(argv[2]) : 5000, &box)) return 1;
        printf("%s\n%s\n", box.caption.c_str(), box.text.c_str());
        DismissMessageBox(box.window);
        return 0;
    }
    if (argc < 3) return 2;
    DWORD timeout = 10000;
    if (strcmp(verb, "wait") == 0 && argc > 3) timeout = atoi(argv[3]);
    if (strcmp(verb, "shot") == 0 && argc > 4) timeout = atoi(argv[4]);
    HWND window = WaitWindow(0, NULL, argv[2], timeout);
    if (!window) {
        fprintf(stderr, "zuvauto: no window \"%s\"\n", argv[2]);
        return 1;
    }
    if (strcmp(verb, "wait") == 0) {
        printf("%p\n", (void*)window);
        return 0;
    }
    if (strcmp(verb, "text") == 0 && argc > 3) {
        printf("%s\n", Text(window, atoi(argv[3])).c_str());
        return 0;
    }
    if (strcmp(verb, "click") == 0 && argc > 3) {
        Click(window, atoi(argv[3]));
        return 0;
    }
    if (strcmp(verb, "shot") == 0 && argc > 3) {
        Sleep(300);   // let the first paint finish
        return SaveClientBitmap(window, argv[3]) ? 0 : 1;
    }
    return 2;
}
