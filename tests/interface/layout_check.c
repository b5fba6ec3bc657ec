/* Compiled for a 32-bit target: the records must have the host's layout
 * there (the header's static assertions fire otherwise). */
#include "agsi.h"

int main(void) { return (int)sizeof(MenuEntry) - 24; }
