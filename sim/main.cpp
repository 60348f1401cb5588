// nuvarsim: the command line and pseudo-terminal front end follow.
#include <cstdio>
int main() {
    std::fputs("nuvarsim: noch nicht fertig\n", stderr);
    return 1;
}
