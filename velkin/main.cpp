// velkin: fly an aircraft over a terrain in a 500 x 500 window. No arguments.
#include <velkin/VelkinMain.h>

int main() { return velkinMain(); }
