// NUVARKom, the communications program.
#include "kom/app/Start.h"

int main(int argc, char** argv) { return nuvar::NUVARKomStart(argc, argv); }
