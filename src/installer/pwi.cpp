// The update installer. Until the update work lands it installs nothing: it
// says so and ends, so that a ticker that starts it is not left waiting.
#include <cstdio>

int main() {
    std::fputs("pwi: no update to install.\n", stderr);
    return 0;
}
