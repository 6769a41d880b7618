#include "app/startup.h"

int main(int argc, char **argv) {
    return mibscope::mibscope_main(argc, argv);
}
