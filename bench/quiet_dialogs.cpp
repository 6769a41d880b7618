// A dialog library that draws nothing and answers at once, so that a benchmark
// measures the program's own work: every box closes with OK and the menu with
// ESC.
#include <cstring>

#include "platform/boxkit.h"

int boxkit_init(void) {
    return BOXKIT_OK;
}
int boxkit_end(void) {
    return BOXKIT_OK;
}
int boxkit_clear(int) {
    return BOXKIT_OK;
}
void boxkit_initconf(boxkit_conf *conf) {
    std::memset(conf, 0, sizeof *conf);
}
const char *boxkit_geterror(void) {
    return "";
}
int boxkit_infobox(const boxkit_conf *, const char *, int, int) {
    return BOXKIT_OK;
}
int boxkit_msgbox(const boxkit_conf *, const char *, int, int) {
    return BOXKIT_OK;
}
int boxkit_menu(const boxkit_conf *, const char *, int, int, unsigned int, int, boxkit_menuitem *,
                int *) {
    return BOXKIT_ESC;
}
int boxkit_form(const boxkit_conf *, const char *, int, int, unsigned int, unsigned int,
                boxkit_formitem *, int *) {
    return BOXKIT_CANCEL;
}
